// MD5 as 32 lower-case hex digits, for checking portal logins: the client's digest, so that
// the simulator and the client can never disagree on it.
#pragma once

#include <string>
#include <string_view>

#include "app/Md5Digest.h"

namespace korvi::sim {

// "" when the digest cannot be computed (OpenSSL refused).
inline std::string Md5Hex(std::string_view text) {
    std::string hex;
    if (!korvi::Md5Hex(text, hex)) hex.clear();
    return hex;
}

}  // namespace korvi::sim
