#include "pbx/discovery/HostEntry.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <cctype>
#include <charconv>

namespace korvi {

namespace {

constexpr std::size_t kMaxDnsName = 253;
constexpr std::size_t kMaxDnsLabel = 63;
// The longest host[:port] worth looking at: a bracketed IPv6 literal is far shorter than this.
constexpr std::size_t kMaxEntry = kMaxDnsName + 6;

bool IsControl(char ch) {
    const auto byte = static_cast<unsigned char>(ch);
    return byte < 0x20 || byte == 0x7F;
}

bool IsAsciiAlnum(char ch) {
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9');
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool IsDnsName(std::string_view name) {
    if (name.empty() || name.size() > kMaxDnsName) return false;
    std::string_view lastLabel;
    while (!name.empty()) {
        const std::size_t dot = name.find('.');
        const std::string_view label = name.substr(0, dot);
        if (label.empty() || label.size() > kMaxDnsLabel || label.front() == '-' ||
            label.back() == '-') {
            return false;
        }
        if (!std::all_of(label.begin(), label.end(),
                         [](char ch) { return IsAsciiAlnum(ch) || ch == '-'; })) {
            return false;
        }
        lastLabel = label;
        if (dot == std::string_view::npos) break;
        name.remove_prefix(dot + 1);
        if (name.empty()) return false;  // a trailing dot
    }
    // A name whose last label is a number would be read as a (bad) IPv4 address.
    return !std::all_of(lastLabel.begin(), lastLabel.end(),
                        [](char ch) { return ch >= '0' && ch <= '9'; });
}

bool IsIpv4Literal(std::string_view text) {
    const std::string copy(text);
    in_addr addr{};
    return inet_pton(AF_INET, copy.c_str(), &addr) == 1;
}

bool IsIpv6Literal(std::string_view text) {
    const std::string copy(text);
    in6_addr addr{};
    return inet_pton(AF_INET6, copy.c_str(), &addr) == 1;
}

HostProblem CheckPort(std::string_view port) {
    int value = 0;
    const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (port.empty() || port.size() > 5 || ec != std::errc() || end != port.data() + port.size() ||
        value < 1 || value > 65535) {
        return HostProblem::kBadPort;
    }
    return HostProblem::kNone;
}

// Splits "host[:port]" or "[v6][:port]"; an empty port means none was given. Checks the host.
HostProblem SplitHostPort(std::string_view text, std::string_view& host, std::string_view& port,
                          bool& hasPort) {
    hasPort = false;
    if (text.starts_with('[')) {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) return HostProblem::kBadHost;
        host = text.substr(0, close + 1);
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') return HostProblem::kBadHost;
            hasPort = true;
            port = rest.substr(1);
        }
        return IsIpv6Literal(host.substr(1, host.size() - 2)) ? HostProblem::kNone
                                                              : HostProblem::kBadHost;
    }
    const std::size_t colon = text.find(':');
    host = text.substr(0, colon);
    if (colon != std::string_view::npos) {
        hasPort = true;
        port = text.substr(colon + 1);
        // A second colon: an IPv6 literal without brackets, which no URL can carry.
        if (port.find(':') != std::string_view::npos) return HostProblem::kBadHost;
    }
    if (host.empty()) return HostProblem::kEmpty;
    if (host.size() > kMaxDnsName) return HostProblem::kTooLong;
    const bool numeric = std::all_of(host.begin(), host.end(),
                                     [](char ch) { return (ch >= '0' && ch <= '9') || ch == '.'; });
    const bool valid = numeric ? IsIpv4Literal(host) : IsDnsName(host);
    return valid ? HostProblem::kNone : HostProblem::kBadHost;
}

// What any text from the network is checked for first, before its parts are looked at.
HostProblem CheckCharacters(std::string_view text) {
    if (text.empty()) return HostProblem::kEmpty;
    if (std::any_of(text.begin(), text.end(), IsControl)) return HostProblem::kControlCharacter;
    return HostProblem::kNone;
}

}  // namespace

bool HasUrlScheme(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    const std::string_view scheme = text.substr(0, colon);
    if (!std::isalpha(static_cast<unsigned char>(scheme.front()))) return false;
    return std::all_of(scheme.begin(), scheme.end(), [](char ch) {
        return IsAsciiAlnum(ch) || ch == '+' || ch == '-' || ch == '.';
    });
}

HostProblem CheckHostEntry(std::string_view entry) {
    if (const HostProblem problem = CheckCharacters(entry); problem != HostProblem::kNone) {
        return problem;
    }
    if (entry.size() > kMaxEntry) return HostProblem::kTooLong;
    if (entry.find("://") != std::string_view::npos) return HostProblem::kScheme;
    if (entry.find('@') != std::string_view::npos) return HostProblem::kUserInfo;
    if (entry.find_first_of("/?#\\") != std::string_view::npos) return HostProblem::kPath;
    std::string_view host;
    std::string_view port;
    bool hasPort = false;
    if (const HostProblem problem = SplitHostPort(entry, host, port, hasPort);
        problem != HostProblem::kNone) {
        return problem;
    }
    return hasPort ? CheckPort(port) : HostProblem::kNone;
}

HostProblem HostOfHttpUrl(std::string_view url, std::string& host) {
    if (const HostProblem problem = CheckCharacters(url); problem != HostProblem::kNone) {
        return problem;
    }
    const std::size_t colon = url.find("://");
    if (colon == std::string_view::npos || !(EqualsIgnoringCase(url.substr(0, colon), "http") ||
                                             EqualsIgnoringCase(url.substr(0, colon), "https"))) {
        return HostProblem::kScheme;
    }
    std::string_view authority = url.substr(colon + 3);
    authority = authority.substr(0, authority.find_first_of("/?#\\"));
    if (authority.find('@') != std::string_view::npos) return HostProblem::kUserInfo;
    if (authority.size() > kMaxEntry) return HostProblem::kTooLong;
    std::string_view hostPart;
    std::string_view port;
    bool hasPort = false;
    if (const HostProblem problem = SplitHostPort(authority, hostPart, port, hasPort);
        problem != HostProblem::kNone) {
        return problem;
    }
    // "http://host:/" names no port, which URLs allow.
    if (hasPort && !port.empty()) {
        if (const HostProblem problem = CheckPort(port); problem != HostProblem::kNone) {
            return problem;
        }
    }
    host = std::string(hostPart);
    return HostProblem::kNone;
}

const char* Describe(HostProblem problem) {
    switch (problem) {
        case HostProblem::kNone:
            return "is a host";
        case HostProblem::kEmpty:
            return "names no host";
        case HostProblem::kTooLong:
            return "is too long for a host name";
        case HostProblem::kControlCharacter:
            return "holds control characters";
        case HostProblem::kScheme:
            return "is not an http or https address";
        case HostProblem::kUserInfo:
            return "names a user";
        case HostProblem::kPath:
            return "has a path";
        case HostProblem::kBadPort:
            return "has a bad port";
        case HostProblem::kBadHost:
            return "is not a host name or address";
    }
    return "is not a host";
}

}  // namespace korvi
