#include "stores/carddav/DavRequestBodies.h"

namespace korvi::carddav {

namespace {

constexpr char kHead[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";

}  // namespace

std::string XmlEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string DiscoveryPropfindBody() {
    return std::string(kHead) +
           "<d:propfind xmlns:d=\"DAV:\" xmlns:card=\"urn:ietf:params:xml:ns:carddav\">"
           "<d:prop><d:resourcetype/><d:displayname/><d:current-user-principal/>"
           "<card:addressbook-home-set/><d:sync-token/><d:supported-report-set/></d:prop>"
           "</d:propfind>";
}

std::string MemberEtagsPropfindBody() {
    return std::string(kHead) +
           "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:resourcetype/><d:getetag/></d:prop>"
           "</d:propfind>";
}

std::string MultigetBody(const std::vector<std::string>& hrefs) {
    std::string out = std::string(kHead) +
                      "<card:addressbook-multiget xmlns:d=\"DAV:\" "
                      "xmlns:card=\"urn:ietf:params:xml:ns:carddav\">"
                      "<d:prop><d:getetag/><card:address-data/></d:prop>";
    for (const auto& href : hrefs) out += "<d:href>" + XmlEscaped(href) + "</d:href>";
    out += "</card:addressbook-multiget>";
    return out;
}

std::string SyncCollectionBody(std::string_view syncToken) {
    return std::string(kHead) + "<d:sync-collection xmlns:d=\"DAV:\"><d:sync-token>" +
           XmlEscaped(syncToken) +
           "</d:sync-token><d:sync-level>1</d:sync-level>"
           "<d:prop><d:getetag/></d:prop></d:sync-collection>";
}

}  // namespace korvi::carddav
