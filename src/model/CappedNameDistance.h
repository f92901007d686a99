// The edit distance when it is small enough to make two names one contact.
#pragma once

#include <string_view>

namespace korvi {

// The edit distance of s and t over bytes when it is at most kNameMatchDistance, else
// kNameMatchDistance + 1. Linear in the length: an alignment that cheap stays within a narrow
// band around the diagonal, and the work stops at the first row that is over the cap. No
// length or emptiness rules: those belong to the name key (NameDistance).
[[nodiscard]] int CappedNameDistance(std::string_view s, std::string_view t);

}  // namespace korvi
