// Checks on the values the user types before they go to the PBX or to the Gmail partner.
// Each returns 0 or its negative code; when message is given and the check fails, it receives
// the text for the user. Lengths count characters (UTF-8 sequences), not bytes.
#pragma once

#include <string>
#include <string_view>

namespace korvi {

inline constexpr char kGmailMailDomain[] = "gmail.com";

// -3: illegal characters (text 177) or no http:// / https:// scheme (text 178).
[[nodiscard]] int ValidateUrl(std::string_view url, std::string* message = nullptr);
// -4: illegal characters (text 179) or not 1 to 20 characters (text 180).
[[nodiscard]] int ValidateUserName(std::string_view name, std::string* message = nullptr);
// -5: illegal characters (text 183) or not 4 to 20 characters (text 184).
[[nodiscard]] int ValidatePin(std::string_view pin, std::string* message = nullptr);
// -1: value not a decimal integer in [min, max] (text 185), or below min when max is 0
// (text 186).
[[nodiscard]] int ValidateIntegerRange(std::string_view name, std::string_view value, int min,
                                       int max, std::string* message = nullptr);
// -1: no "@gmail.com" in the lower-cased account or 10 characters or fewer (text 181).
[[nodiscard]] int ValidateGmailAccount(std::string_view account, std::string* message = nullptr);
// -1: 7 characters or fewer (text 182).
[[nodiscard]] int ValidateGmailPassword(std::string_view password, std::string* message = nullptr);

}  // namespace korvi
