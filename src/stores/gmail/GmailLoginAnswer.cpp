#include "stores/gmail/GmailLoginAnswer.h"

namespace korvi {

std::string TokenFromLoginAnswer(std::string_view body) {
    const std::size_t at = body.find("Auth=");
    if (at == std::string_view::npos) return "";
    std::string_view token = body.substr(at + 5);
    return std::string(token.substr(0, token.find_first_of("\r\n")));
}

}  // namespace korvi
