// Checks on the values the user types before they go to the PBX or to the Gmail partner.
// Each returns success, or its negative code with the text for the user. Lengths count characters
// (UTF-8 sequences), not bytes.
#pragma once

#include <string>
#include <string_view>

#include "app/Result.h"

namespace korvi {

inline constexpr char kGmailMailDomain[] = "gmail.com";

// -3: illegal characters (text 177) or no http:// / https:// scheme (text 178).
Result ValidateUrl(std::string_view url);
// -4: illegal characters (text 179) or not 1 to 20 characters (text 180).
Result ValidateUserName(std::string_view name);
// -5: illegal characters (text 183) or not 4 to 20 characters (text 184).
Result ValidatePin(std::string_view pin);
// -1: value not a decimal integer in [min, max] (text 185), or below min when max is 0
// (text 186).
Result ValidateIntegerRange(std::string_view name, std::string_view value, int min, int max);
// -1: no "@gmail.com" in the lower-cased account or 10 characters or fewer (text 181).
Result ValidateGmailAccount(std::string_view account);
// -1: 7 characters or fewer (text 182).
Result ValidateGmailPassword(std::string_view password);

}  // namespace korvi
