#include "stores/carddav/CardDavClient.h"

#include <fmt/format.h>

#include "net/UrlText.h"
#include "stores/carddav/DavRequestBodies.h"
#include "stores/carddav/DavUrl.h"
#include "stores/carddav/Multistatus.h"

namespace korvi::carddav {

namespace {

// Cards fetched per multiget: large enough to cost few round trips, small enough that one
// answer stays a few megabytes.
constexpr std::size_t kMultigetBatch = 250;
constexpr int kMaxRedirects = 5;

// curl codes that mean the request never left: nothing can have been carried out.
bool NeverSent(int curlCode) {
    switch (curlCode) {
        case 1:   // unsupported protocol
        case 3:   // malformed address
        case 5:   // proxy not resolved
        case 6:   // host not resolved
        case 7:   // could not connect
        case 35:  // TLS handshake failed
        case 53:  // TLS engine
        case 58:  // client certificate
        case 60:  // peer certificate not trusted
        case 77:  // CA file unusable
        case 83:  // issuer check
        case 90:  // pinned key
        case 91:  // certificate status
            return true;
        default:
            return false;
    }
}

bool IsRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

DavFailure FailureOf(const net::HttpResponse& r, std::string_view method, const std::string& url,
                     bool changesState) {
    DavFailure f;
    if (!r.Completed()) {
        f.text = r.error;
        f.maybeApplied = changesState && !NeverSent(r.curlCode);
        return f;
    }
    f.status = r.status;
    const std::string shown = net::UrlForMessages(url);
    if (r.status == 401) {
        f.text =
            fmt::format("The server refused the user name or password for {} (HTTP 401)", shown);
    } else if (r.status == 403) {
        f.text = fmt::format("The server does not allow {} on {} (HTTP 403)", method, shown);
    } else {
        f.text = fmt::format("{} {} was answered with HTTP status {}", method, shown, r.status);
    }
    f.maybeApplied = changesState && r.status >= 500;
    return f;
}

// A request on a collection (or on the address an address book is looked for at) that the
// server answered with 404 or 410: said in words a user can act on, not as a status line.
DavFailure CollectionFailureOf(const net::HttpResponse& r, std::string_view method,
                               const std::string& url) {
    DavFailure f = FailureOf(r, method, url, false);
    if (f.status != 404 && f.status != 410) return f;
    f.collectionMissing = true;
    const std::string shown = net::UrlForMessages(url);
    f.text = f.status == 410
                 ? fmt::format(
                       "The address book {} was deleted from the CardDAV server (HTTP 410); "
                       "choose the address book again (setting CardDavUrl)",
                       shown)
                 : fmt::format(
                       "There is no address book at {} on the CardDAV server (HTTP 404): it may "
                       "have been deleted or renamed; choose the address book again (setting "
                       "CardDavUrl)",
                       shown);
    return f;
}

std::string WithSlash(std::string url) {
    if (url.empty() || url.back() != '/') url += '/';
    return url;
}

}  // namespace

std::string CardDavClient::RefusalOf(const std::string& url) {
    DavUrl u;
    if (!ParseDavUrl(url, u))
        return fmt::format("'{}' is not an http or https address", net::UrlForMessages(url));
    if (u.scheme == "http" && !IsLoopbackHost(u.host))
        return fmt::format(
            "{} is not encrypted: the password would travel readable; use an https address",
            net::UrlForMessages(url));
    return {};
}

net::HttpResponse CardDavClient::Send(const std::string& method, const std::string& url,
                                      std::vector<net::HttpHeader> headers, std::string body) {
    net::HttpRequest request;
    request.method = method;
    request.url = url;
    request.headers = std::move(headers);
    request.body = std::move(body);
    request.timeoutMs = m_account.timeoutMs;
    if (!m_account.user.empty())
        request.basicAuth = net::BasicAuth{m_account.user, m_account.password};
    const std::string refusal = RefusalOf(url);
    if (!refusal.empty()) {
        net::HttpResponse refused;
        refused.curlCode = 1;
        refused.error = refusal;
        return refused;
    }
    ++m_requests;
    net::HttpResponse response = m_transport.Send(request);
    m_lastUnanswered = !response.Completed();
    return response;
}

bool CardDavClient::Propfind(const std::string& url, const char* depth, const std::string& body,
                             Multistatus& out, DavFailure& failure, std::string* redirect) {
    net::HttpResponse r =
        Send("PROPFIND", url,
             {{"Depth", depth}, {"Content-Type", "application/xml; charset=utf-8"}}, body);
    if (redirect != nullptr && r.Completed() && IsRedirect(r.status)) {
        if (auto location = r.Header("Location")) {
            DavUrl base;
            if (!ParseDavUrl(url, base)) return false;
            *redirect = ResolveHref(base, *location);
            return false;
        }
    }
    if (!r.Completed() || r.status != 207) {
        failure = CollectionFailureOf(r, "PROPFIND", url);
        return false;
    }
    XmlResult parsed = ParseMultistatus(r.body, net::UrlForMessages(url), out);
    if (!parsed.ok()) {
        failure.text = parsed.text;
        return false;
    }
    return true;
}

// A PROPFIND Depth 0 that follows the server's redirects, as a server address usually
// redirects (its /.well-known/carddav most of all). url becomes the final address.
bool CardDavClient::PropfindFollowing(std::string& url, const std::string& body, Multistatus& out,
                                      DavFailure& failure) {
    for (int hop = 0; hop <= kMaxRedirects; ++hop) {
        std::string next;
        if (Propfind(url, "0", body, out, failure, &next)) return true;
        if (next.empty()) return false;
        DavUrl from, to;
        // Never from an encrypted address to a plain one: the password would follow.
        if (ParseDavUrl(url, from) && ParseDavUrl(next, to) && from.scheme == "https" &&
            to.scheme != "https") {
            failure.text = fmt::format("{} redirects to the unencrypted {}",
                                       net::UrlForMessages(url), net::UrlForMessages(next));
            return false;
        }
        url = next;
    }
    failure.text = fmt::format("Too many redirects from {}", net::UrlForMessages(url));
    return false;
}

bool CardDavClient::ReadAddressBook(const std::string& url, AddressBookInfo& out,
                                    DavFailure& failure) {
    Multistatus ms;
    if (!Propfind(url, "0", DiscoveryPropfindBody(), ms, failure)) return false;
    for (const auto& r : ms.responses) {
        if (!r.isAddressBook) continue;
        out.url = WithSlash(url);
        out.displayName = r.displayName;
        out.syncToken = r.syncToken;
        out.offersSyncCollection = r.offersSyncCollection || !r.syncToken.empty();
        return true;
    }
    failure.text = fmt::format("{} is not an address book", net::UrlForMessages(url));
    return false;
}

bool CardDavClient::ListHome(const std::string& homeUrl, std::vector<AddressBookInfo>& out,
                             DavFailure& failure) {
    Multistatus ms;
    if (!Propfind(homeUrl, "1", DiscoveryPropfindBody(), ms, failure)) return false;
    DavUrl base;
    if (!ParseDavUrl(homeUrl, base)) return false;
    for (const auto& r : ms.responses) {
        if (!r.isAddressBook) continue;
        AddressBookInfo info;
        info.url = WithSlash(ResolveHref(base, r.href));
        info.displayName = r.displayName;
        info.syncToken = r.syncToken;
        info.offersSyncCollection = r.offersSyncCollection || !r.syncToken.empty();
        out.push_back(std::move(info));
    }
    return true;
}

bool CardDavClient::FindAddressBooks(const std::string& url, std::vector<AddressBookInfo>& out,
                                     DavFailure& failure) {
    out.clear();
    std::string at = url;
    Multistatus ms;
    if (!PropfindFollowing(at, DiscoveryPropfindBody(), ms, failure)) {
        // A server that answers nothing useful at its root may still know the well-known
        // address.
        DavUrl u;
        if (!ParseDavUrl(url, u) || u.path != "/") return false;
        at = u.origin + "/.well-known/carddav";
        DavFailure again;
        if (!PropfindFollowing(at, DiscoveryPropfindBody(), ms, again)) return false;
    }
    DavUrl base;
    if (!ParseDavUrl(at, base)) return false;
    std::string principal, home;
    for (const auto& r : ms.responses) {
        if (r.isAddressBook) {
            AddressBookInfo info;
            info.url = WithSlash(at);
            info.displayName = r.displayName;
            info.syncToken = r.syncToken;
            info.offersSyncCollection = r.offersSyncCollection || !r.syncToken.empty();
            out.push_back(std::move(info));
            return true;
        }
        if (principal.empty() && !r.currentUserPrincipal.empty())
            principal = ResolveHref(base, r.currentUserPrincipal);
        if (home.empty() && !r.addressbookHome.empty()) home = ResolveHref(base, r.addressbookHome);
    }
    if (home.empty() && !principal.empty()) {
        Multistatus pms;
        if (!Propfind(principal, "0", DiscoveryPropfindBody(), pms, failure)) return false;
        DavUrl pbase;
        if (!ParseDavUrl(principal, pbase)) return false;
        for (const auto& r : pms.responses) {
            if (home.empty() && !r.addressbookHome.empty())
                home = ResolveHref(pbase, r.addressbookHome);
        }
    }
    if (home.empty()) {
        failure.text = fmt::format("{} names no address book and no account's address books",
                                   net::UrlForMessages(url));
        return false;
    }
    return ListHome(home, out, failure);
}

bool CardDavClient::ListMembers(const std::string& collectionUrl, std::vector<DavMember>& out,
                                DavFailure& failure) {
    out.clear();
    Multistatus ms;
    if (!Propfind(collectionUrl, "1", MemberEtagsPropfindBody(), ms, failure)) return false;
    DavUrl base;
    if (!ParseDavUrl(collectionUrl, base)) return false;
    const std::string self = ComparableUrl(collectionUrl);
    for (const auto& r : ms.responses) {
        if (r.isCollection || !r.hasEtag) continue;
        std::string url = ResolveHref(base, r.href);
        if (ComparableUrl(url) == self) continue;
        out.push_back({std::move(url), r.etag});
    }
    return true;
}

bool CardDavClient::SyncChanges(const std::string& collectionUrl, const std::string& token,
                                SyncDelta& out, bool& invalidToken, DavFailure& failure) {
    out = SyncDelta{};
    invalidToken = false;
    net::HttpResponse r = Send("REPORT", collectionUrl,
                               {{"Depth", "0"}, {"Content-Type", "application/xml; charset=utf-8"}},
                               SyncCollectionBody(token));
    if (!r.Completed() || r.status != 207) {
        failure = CollectionFailureOf(r, "REPORT sync-collection", collectionUrl);
        // The server forgot the token (or never gave it): its error names valid-sync-token.
        invalidToken = r.Completed() && !token.empty() &&
                       (r.status == 403 || r.status == 409 || r.status == 400) &&
                       r.body.find("valid-sync-token") != std::string::npos;
        return false;
    }
    Multistatus ms;
    XmlResult parsed = ParseMultistatus(r.body, net::UrlForMessages(collectionUrl), ms);
    if (!parsed.ok()) {
        failure.text = parsed.text;
        return false;
    }
    DavUrl base;
    if (!ParseDavUrl(collectionUrl, base)) return false;
    const std::string self = ComparableUrl(collectionUrl);
    for (const auto& m : ms.responses) {
        std::string url = ResolveHref(base, m.href);
        if (ComparableUrl(url) == self) continue;
        if (m.status == 404) {
            out.removed.push_back(std::move(url));
        } else if (m.hasEtag && !m.isCollection) {
            out.changed.push_back({std::move(url), m.etag});
        }
    }
    out.newToken = ms.syncToken;
    if (out.newToken.empty()) {
        failure.text = fmt::format("{} gave no sync token", net::UrlForMessages(collectionUrl));
        return false;
    }
    return true;
}

bool CardDavClient::FetchCards(const std::string& collectionUrl,
                               const std::vector<std::string>& memberUrls,
                               std::vector<FetchedCard>& out, DavFailure& failure) {
    out.clear();
    DavUrl base;
    if (!ParseDavUrl(collectionUrl, base)) return false;
    for (std::size_t start = 0; start < memberUrls.size(); start += kMultigetBatch) {
        const std::size_t end = std::min(memberUrls.size(), start + kMultigetBatch);
        std::vector<std::string> hrefs;
        for (std::size_t i = start; i < end; ++i) {
            DavUrl u;
            hrefs.push_back(ParseDavUrl(memberUrls[i], u) ? u.path : memberUrls[i]);
        }
        net::HttpResponse r =
            Send("REPORT", collectionUrl,
                 {{"Depth", "1"}, {"Content-Type", "application/xml; charset=utf-8"}},
                 MultigetBody(hrefs));
        if (!r.Completed() || r.status != 207) {
            failure = CollectionFailureOf(r, "REPORT addressbook-multiget", collectionUrl);
            return false;
        }
        Multistatus ms;
        XmlResult parsed = ParseMultistatus(r.body, net::UrlForMessages(collectionUrl), ms);
        if (!parsed.ok()) {
            failure.text = parsed.text;
            return false;
        }
        for (const auto& m : ms.responses) {
            FetchedCard card;
            card.url = ResolveHref(base, m.href);
            card.found = m.status != 404 && m.hasAddressData;
            card.etag = m.etag;
            card.text = m.addressData;
            out.push_back(std::move(card));
        }
    }
    return true;
}

bool CardDavClient::GetCard(const std::string& memberUrl, FetchedCard& out, DavFailure& failure) {
    out = FetchedCard{};
    out.url = memberUrl;
    net::HttpResponse r = Send("GET", memberUrl, {{"Accept", "text/vcard"}}, {});
    if (r.Completed() && (r.status == 404 || r.status == 410)) return true;
    if (!r.Completed() || r.status != 200) {
        failure = FailureOf(r, "GET", memberUrl, false);
        return false;
    }
    out.found = true;
    out.etag = r.Header("ETag").value_or("");
    out.text = std::move(r.body);
    return true;
}

bool CardDavClient::PutCard(const std::string& memberUrl, const std::string& text, PutMode mode,
                            const std::string& etag, std::string& newEtag, DavFailure& failure) {
    newEtag.clear();
    std::vector<net::HttpHeader> headers = {{"Content-Type", "text/vcard; charset=utf-8"}};
    if (mode == PutMode::kCreate) {
        headers.push_back({"If-None-Match", "*"});
    } else {
        headers.push_back({"If-Match", etag});
    }
    net::HttpResponse r = Send("PUT", memberUrl, std::move(headers), text);
    if (!r.Completed() || (r.status != 200 && r.status != 201 && r.status != 204)) {
        failure = FailureOf(r, "PUT", memberUrl, true);
        return false;
    }
    newEtag = r.Header("ETag").value_or("");
    // A weak tag names content the server may have changed; it cannot guard the next write.
    if (newEtag.rfind("W/", 0) == 0) newEtag.clear();
    return true;
}

bool CardDavClient::DeleteCard(const std::string& memberUrl, const std::string& etag,
                               DavFailure& failure) {
    std::vector<net::HttpHeader> headers;
    if (!etag.empty()) headers.push_back({"If-Match", etag});
    net::HttpResponse r = Send("DELETE", memberUrl, std::move(headers), {});
    if (!r.Completed() || (r.status != 200 && r.status != 204)) {
        failure = FailureOf(r, "DELETE", memberUrl, true);
        return false;
    }
    return true;
}

}  // namespace korvi::carddav
