#include "net/UrlText.h"

namespace korvi::net {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool Unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string PercentEncode(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (char ch : value) {
        const auto c = static_cast<unsigned char>(ch);
        if (Unreserved(c)) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(kHexDigits[c >> 4]);
            out.push_back(kHexDigits[c & 0x0F]);
        }
    }
    return out;
}

std::string FormEncode(const std::vector<std::pair<std::string, std::string>>& fields) {
    std::string out;
    for (const auto& [name, value] : fields) {
        if (!out.empty()) out.push_back('&');
        out += PercentEncode(name);
        out.push_back('=');
        out += PercentEncode(value);
    }
    return out;
}

bool PercentDecode(std::string_view text, std::string& out) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded.push_back(text[i]);
            continue;
        }
        if (text.size() - i < 3) return false;
        const int high = HexValue(text[i + 1]);
        const int low = HexValue(text[i + 2]);
        if (high < 0 || low < 0) return false;
        decoded.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    out = std::move(decoded);
    return true;
}

std::string UrlForMessages(std::string_view url) {
    std::size_t start = 0;
    std::string out;
    const std::size_t scheme = url.find("://");
    if (scheme != std::string_view::npos) {
        out.append(url.substr(0, scheme + 3));
        start = scheme + 3;
    }
    std::string_view rest = url.substr(start);
    rest = rest.substr(0, rest.find_first_of("?#"));
    const std::size_t pathStart = rest.find('/');
    std::string_view authority = rest.substr(0, pathStart);
    const std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos) authority.remove_prefix(at + 1);
    out.append(authority);
    if (pathStart != std::string_view::npos) out.append(rest.substr(pathStart));
    return out;
}

}  // namespace korvi::net
