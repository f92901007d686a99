#include "stores/carddav/Multistatus.h"

#include <charconv>
#include <map>

namespace korvi::carddav {

namespace {

constexpr std::string_view kDav = "DAV:";
constexpr std::string_view kCard = "urn:ietf:params:xml:ns:carddav";

// The prefixes in force at one element: pugixml keeps names as written, so the namespace of
// a name is looked up here, inner declarations first.
class NamespaceScope {
public:
    NamespaceScope(const NamespaceScope* outer, const pugi::xml_node& node) : m_outer(outer) {
        for (const auto& a : node.attributes()) {
            std::string_view name = a.name();
            if (name == "xmlns") {
                m_map[""] = a.value();
            } else if (name.substr(0, 6) == "xmlns:") {
                m_map[std::string(name.substr(6))] = a.value();
            }
        }
    }

    std::string_view Lookup(const std::string& prefix) const {
        for (const NamespaceScope* s = this; s != nullptr; s = s->m_outer) {
            auto it = s->m_map.find(prefix);
            if (it != s->m_map.end()) return it->second;
        }
        return {};
    }

private:
    const NamespaceScope* m_outer;
    std::map<std::string, std::string> m_map;
};

struct QName {
    std::string_view ns;
    std::string_view local;
    bool Is(std::string_view n, std::string_view l) const { return ns == n && local == l; }
};

QName NameOf(const pugi::xml_node& node, const NamespaceScope& scope) {
    std::string_view name = node.name();
    const auto colon = name.find(':');
    if (colon == std::string_view::npos) return {scope.Lookup(""), name};
    return {scope.Lookup(std::string(name.substr(0, colon))), name.substr(colon + 1)};
}

// Text of an element with its character data and CDATA sections joined (a card may come in
// several pieces).
std::string AllText(const pugi::xml_node& node) {
    std::string out;
    for (const auto& c : node.children()) {
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) out += c.value();
    }
    return out;
}

// XML reads every line end as LF, so a card whose CRs the server did not escape arrives with
// bare LFs: its CRLF line ends are restored, as a vCard has them.
std::string WithCardLineEnds(std::string text) {
    if (text.find('\r') != std::string::npos) return text;
    std::string out;
    out.reserve(text.size() + text.size() / 40);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string Trimmed(std::string s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t b = 0, e = s.size();
    while (b < e && blank(s[b])) ++b;
    while (e > b && blank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// Calls f(child, name, scope) for every element child of node.
template <typename F>
void ForEachElement(const pugi::xml_node& node, const NamespaceScope& outer, F&& f) {
    for (const auto& c : node.children()) {
        if (c.type() != pugi::node_element) continue;
        NamespaceScope scope(&outer, c);
        f(c, NameOf(c, scope), scope);
    }
}

std::string FirstHref(const pugi::xml_node& node, const NamespaceScope& outer) {
    std::string href;
    ForEachElement(node, outer, [&](const pugi::xml_node& c, QName n, const NamespaceScope&) {
        if (href.empty() && n.Is(kDav, "href")) href = Trimmed(AllText(c));
    });
    return href;
}

void ReadProp(const pugi::xml_node& prop, const NamespaceScope& outer, DavResponse& r) {
    ForEachElement(prop, outer, [&](const pugi::xml_node& p, QName n, const NamespaceScope& s) {
        if (n.Is(kDav, "getetag")) {
            r.hasEtag = true;
            r.etag = Trimmed(AllText(p));
        } else if (n.Is(kCard, "address-data")) {
            r.hasAddressData = true;
            r.addressData = WithCardLineEnds(AllText(p));
        } else if (n.Is(kDav, "displayname")) {
            r.displayName = Trimmed(AllText(p));
        } else if (n.Is(kDav, "resourcetype")) {
            ForEachElement(p, s, [&](const pugi::xml_node&, QName t, const NamespaceScope&) {
                if (t.Is(kDav, "collection")) r.isCollection = true;
                if (t.Is(kCard, "addressbook")) r.isAddressBook = true;
            });
        } else if (n.Is(kDav, "current-user-principal")) {
            r.currentUserPrincipal = FirstHref(p, s);
        } else if (n.Is(kCard, "addressbook-home-set")) {
            r.addressbookHome = FirstHref(p, s);
        } else if (n.Is(kDav, "sync-token")) {
            r.syncToken = Trimmed(AllText(p));
        } else if (n.Is(kDav, "supported-report-set")) {
            // supported-report / report / sync-collection
            ForEachElement(p, s, [&](const pugi::xml_node& sr, QName, const NamespaceScope& s2) {
                ForEachElement(
                    sr, s2, [&](const pugi::xml_node& rep, QName, const NamespaceScope& s3) {
                        ForEachElement(rep, s3,
                                       [&](const pugi::xml_node&, QName k, const NamespaceScope&) {
                                           if (k.Is(kDav, "sync-collection"))
                                               r.offersSyncCollection = true;
                                       });
                    });
            });
        }
    });
}

void ReadResponse(const pugi::xml_node& node, const NamespaceScope& outer, DavResponse& r) {
    ForEachElement(node, outer, [&](const pugi::xml_node& c, QName n, const NamespaceScope& s) {
        if (n.Is(kDav, "href")) {
            if (r.href.empty()) r.href = Trimmed(AllText(c));
        } else if (n.Is(kDav, "status")) {
            r.status = StatusLineCode(Trimmed(AllText(c)));
        } else if (n.Is(kDav, "propstat")) {
            int status = 0;
            ForEachElement(c, s, [&](const pugi::xml_node& p, QName pn, const NamespaceScope&) {
                if (pn.Is(kDav, "status")) status = StatusLineCode(Trimmed(AllText(p)));
            });
            if (status < 200 || status > 299) return;  // properties the server does not have
            ForEachElement(c, s, [&](const pugi::xml_node& p, QName pn, const NamespaceScope& ps) {
                if (pn.Is(kDav, "prop")) ReadProp(p, ps, r);
            });
        }
    });
}

}  // namespace

int StatusLineCode(std::string_view line) {
    // "HTTP/1.1 404 Not Found": the code is the second word.
    const auto space = line.find(' ');
    if (space == std::string_view::npos) return 0;
    std::string_view rest = line.substr(space + 1);
    // Three digits, no sign: "HTTP/1.1 -13 X" is no status.
    if (rest.empty() || rest[0] < '0' || rest[0] > '9') return 0;
    int code = 0;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), code);
    if (ec != std::errc() || end - rest.data() != 3) return 0;
    return code;
}

XmlResult ParseMultistatus(std::string_view body, std::string_view sourceName, Multistatus& out) {
    out = Multistatus{};
    pugi::xml_document doc;
    XmlResult result = LoadXmlText(body, doc, sourceName);
    if (!result.ok()) return result;
    const pugi::xml_node root = doc.document_element();
    const NamespaceScope rootScope(nullptr, root);
    if (!NameOf(root, rootScope).Is(kDav, "multistatus")) {
        result.code = -1;
        result.text = std::string(sourceName) + ": the answer is not a WebDAV multistatus";
        return result;
    }
    ForEachElement(root, rootScope, [&](const pugi::xml_node& c, QName n, const NamespaceScope& s) {
        if (n.Is(kDav, "response")) {
            DavResponse r;
            ReadResponse(c, s, r);
            out.responses.push_back(std::move(r));
        } else if (n.Is(kDav, "sync-token")) {
            out.syncToken = Trimmed(AllText(c));
        }
    });
    return result;
}

}  // namespace korvi::carddav
