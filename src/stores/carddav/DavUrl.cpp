#include "stores/carddav/DavUrl.h"

#include <algorithm>
#include <cctype>

#include "net/UrlText.h"

namespace korvi::carddav {

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// Decodes %XX except where the byte would change the path's structure ('/', '%') or is not
// printable; hex digits of the escapes kept are upper-cased.
std::string NormalPath(std::string_view path) {
    std::string out;
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '%' && i + 2 < path.size() && hex(path[i + 1]) >= 0 &&
            hex(path[i + 2]) >= 0) {
            const int byte = hex(path[i + 1]) * 16 + hex(path[i + 2]);
            if (byte > 0x20 && byte < 0x7f && byte != '/' && byte != '%') {
                out += static_cast<char>(byte);
            } else {
                out += '%';
                out += static_cast<char>(std::toupper(static_cast<unsigned char>(path[i + 1])));
                out += static_cast<char>(std::toupper(static_cast<unsigned char>(path[i + 2])));
            }
            i += 2;
        } else {
            out += path[i];
        }
    }
    return out;
}

}  // namespace

bool ParseDavUrl(std::string_view url, DavUrl& out) {
    out = DavUrl{};
    const auto sep = url.find("://");
    if (sep == std::string_view::npos) return false;
    out.scheme = Lower(url.substr(0, sep));
    if (out.scheme != "http" && out.scheme != "https") return false;
    std::string_view rest = url.substr(sep + 3);
    const auto pathAt = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, pathAt);
    std::string_view tail = pathAt == std::string_view::npos ? "" : rest.substr(pathAt);
    // A user in the address is left out of every request (the account is given apart).
    if (const auto at = authority.rfind('@'); at != std::string_view::npos)
        authority = authority.substr(at + 1);
    if (authority.empty()) return false;
    std::string_view host = authority;
    if (host.front() == '[') {
        const auto close = host.find(']');
        if (close == std::string_view::npos) return false;
        host = host.substr(1, close - 1);
    } else if (const auto colon = host.find(':'); colon != std::string_view::npos) {
        host = host.substr(0, colon);
    }
    if (host.empty()) return false;
    out.host = std::string(host);
    out.origin = out.scheme + "://" + std::string(authority);
    const auto end = tail.find_first_of("?#");
    std::string_view path = tail.substr(0, end);
    out.path = path.empty() ? "/" : std::string(path);
    return true;
}

bool IsLoopbackHost(std::string_view host) {
    const std::string h = Lower(host);
    if (h == "localhost" || h == "::1") return true;
    if (h.rfind("127.", 0) != 0) return false;
    return std::all_of(h.begin(), h.end(), [](char c) { return c == '.' || std::isdigit(c); });
}

std::string ResolveHref(const DavUrl& base, std::string_view href) {
    DavUrl absolute;
    if (ParseDavUrl(href, absolute)) return std::string(href);
    if (!href.empty() && href.front() == '/') return base.origin + std::string(href);
    const auto slash = base.path.rfind('/');
    return base.origin + base.path.substr(0, slash + 1) + std::string(href);
}

std::string ComparableUrl(std::string_view url) {
    DavUrl u;
    if (!ParseDavUrl(url, u)) return std::string(url);
    std::string path = NormalPath(u.path);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const auto sep = u.origin.find("://");
    return u.scheme + "://" + Lower(u.origin.substr(sep + 3)) + path;
}

std::string MemberUrl(const std::string& collectionUrl, std::string_view name) {
    std::string out = collectionUrl;
    if (out.empty() || out.back() != '/') out += '/';
    return out + net::PercentEncode(name);
}

}  // namespace korvi::carddav
