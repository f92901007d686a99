// MD5 (RFC 1321) of the bytes of a text, as 32 lower-case hexadecimal digits in digest order.
// Used for the portal login response (the digest of a PIN is a secret like the PIN itself) and
// for the key of a cloud contact group.
#pragma once

#include <string>
#include <string_view>

namespace korvi {

// False only when the crypto library refuses (hex is then empty).
[[nodiscard]] bool Md5Hex(std::string_view text, std::string& hex);

}  // namespace korvi
