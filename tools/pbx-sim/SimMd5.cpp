#include "SimMd5.h"

#include <openssl/evp.h>

#include <memory>

namespace korvi::sim {

std::string Md5Hex(std::string_view text) {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr) != 1 ||
        EVP_DigestUpdate(ctx.get(), text.data(), text.size()) != 1 ||
        EVP_DigestFinal_ex(ctx.get(), digest, &length) != 1 || length != 16) {
        return {};
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(32);
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 0x0F];
    }
    return hex;
}

}  // namespace korvi::sim
