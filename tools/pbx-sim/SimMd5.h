// MD5 as 32 lower-case hex digits, for checking portal logins.
#pragma once

#include <string>
#include <string_view>

namespace korvi::sim {

// "" when the digest cannot be computed (OpenSSL refused).
std::string Md5Hex(std::string_view text);

}  // namespace korvi::sim
