#include "net/HttpMessage.h"

namespace korvi::net {

namespace {

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace

std::optional<std::string> HttpResponse::Header(std::string_view name) const {
    for (const auto& header : headers) {
        if (SameNameIgnoringCase(header.name, name)) return header.value;
    }
    return std::nullopt;
}

}  // namespace korvi::net
