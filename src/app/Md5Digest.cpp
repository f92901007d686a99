#include "app/Md5Digest.h"

#include <openssl/evp.h>

#include <memory>

namespace korvi {

bool Md5Hex(std::string_view text, std::string& hex) {
    hex.clear();
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!ctx) return false;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr) != 1 ||
        EVP_DigestUpdate(ctx.get(), text.data(), text.size()) != 1 ||
        EVP_DigestFinal_ex(ctx.get(), digest, &length) != 1 || length != 16) {
        return false;
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    hex.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        hex.push_back(kDigits[digest[i] >> 4]);
        hex.push_back(kDigits[digest[i] & 0x0f]);
    }
    return true;
}

}  // namespace korvi
