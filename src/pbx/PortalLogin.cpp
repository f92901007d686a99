#include "pbx/PortalLogin.h"

#include <openssl/crypto.h>

#include "app/Md5Digest.h"

namespace korvi {

int CalcResponseFromChallenge(std::string_view challenge, std::string_view userName,
                              std::string_view pin, std::string& response) {
    response.clear();
    std::string pinHex;
    if (!Md5Hex(pin, pinHex)) return -1;
    std::string text;
    text.reserve(userName.size() + pinHex.size() + challenge.size() + 2);
    text.append(userName).append(":").append(pinHex).append(":").append(challenge);
    const bool ok = Md5Hex(text, response);
    // Both texts are as secret as the PIN; do not leave them in freed memory.
    OPENSSL_cleanse(text.data(), text.size());
    OPENSSL_cleanse(pinHex.data(), pinHex.size());
    return ok ? 0 : -1;
}

std::string EncodePortalUserName(std::string_view userName) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(userName.size() * 3);
    for (const char ch : userName) {
        const auto byte = static_cast<unsigned char>(ch);
        const bool unreserved = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                                (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                                byte == '_' || byte == '~';
        if (unreserved) {
            out.push_back(ch);
        } else if (byte == ' ') {
            out.push_back('+');
        } else {
            out.push_back('%');
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 0x0f]);
        }
    }
    return out;
}

std::string BuildPortalLoginUrl(const PortalLoginInputs& inputs) {
    std::string_view host = inputs.pbxUrlField;
    if (const auto slashes = host.find("//"); slashes != std::string_view::npos) {
        host.remove_prefix(slashes + 2);
    }
    std::string url;
    if (inputs.platform.find("FC") != std::string::npos) {
        url.append("https://").append(host).append("/");
        const auto dot = host.find('.');
        if (dot != std::string_view::npos) url.append(host.substr(0, dot));
    } else {
        url.append("http://").append(host).append(":").append(std::to_string(inputs.browserPort));
    }
    url.append("/?formtype=login&sessionName=&username=");
    url.append(EncodePortalUserName(inputs.userName));
    url.append("&password=&login=Login&challenge=&cIdx=");
    url.append(std::to_string(inputs.cIdx));
    url.append("&response=");
    url.append(inputs.response);
    return url;
}

}  // namespace korvi
