// The token of the account login's answer: the value of its "Auth=" line.
#pragma once

#include <string>
#include <string_view>

namespace korvi {

// The text after the first "Auth=" up to the end of its line (a CR, an LF or the end of the
// answer), so an answer without a final line end keeps the token's last character. "" when
// there is no "Auth=".
std::string TokenFromLoginAnswer(std::string_view body);

}  // namespace korvi
