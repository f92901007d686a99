// What an answer from the network may name as a PBX. Such a name becomes the address that
// later carries the user's PIN, so only a bare host passes: an IPv4 literal, an IPv6 literal
// in brackets or a DNS name, with an optional port. Anything else (a path, user info, another
// scheme, control characters, an over-long name) is refused with the reason.
#pragma once

#include <string>
#include <string_view>

namespace korvi {

enum class HostProblem {
    kNone,
    kEmpty,
    kTooLong,
    kControlCharacter,
    kScheme,
    kUserInfo,
    kPath,
    kBadPort,
    kBadHost,
};

// Checks "host" or "host:port".
[[nodiscard]] HostProblem CheckHostEntry(std::string_view entry);

// The host (without the port; an IPv6 literal keeps its brackets) of an absolute http or https
// URL, checked as above.
[[nodiscard]] HostProblem HostOfHttpUrl(std::string_view url, std::string& host);

// True when text begins with a URL scheme ("http:", "ftp:"), i.e. is not a relative reference.
bool HasUrlScheme(std::string_view text);

// "has a path", "names a user", ...: for log lines.
const char* Describe(HostProblem problem);

}  // namespace korvi
