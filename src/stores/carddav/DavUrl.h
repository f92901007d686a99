// Addresses of an address book server: the parts the store checks (scheme, host), hrefs from
// answers made absolute, and member addresses compared as the server means them.
#pragma once

#include <string>
#include <string_view>

namespace korvi::carddav {

struct DavUrl {
    std::string scheme;  // lower case: "http" or "https"
    std::string host;    // as written, without brackets around an IPv6 address
    std::string origin;  // scheme://host[:port], as written
    std::string path;    // from the first '/' (query and fragment dropped); "/" when none
};

// False for anything but an absolute http or https address.
[[nodiscard]] bool ParseDavUrl(std::string_view url, DavUrl& out);

// 127.0.0.0/8, ::1 and "localhost".
bool IsLoopbackHost(std::string_view host);

// The absolute address of an href of an answer to a request for base.
std::string ResolveHref(const DavUrl& base, std::string_view href);

// The address with its path percent-decoded where that is unambiguous and a trailing slash
// removed, scheme and host in lower case: two spellings of one member compare equal.
std::string ComparableUrl(std::string_view url);

// A member's address inside a collection: the collection's address (ending in '/') and the
// name, percent-encoded.
std::string MemberUrl(const std::string& collectionUrl, std::string_view name);

}  // namespace korvi::carddav
