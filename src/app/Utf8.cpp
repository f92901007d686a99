#include "app/Utf8.h"

#include <cstdint>
#include <cstring>

namespace korvi {

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

std::size_t Utf8SequenceLength(std::string_view text, char32_t& cp) {
    if (text.empty()) return 0;
    const auto c = static_cast<unsigned char>(text[0]);
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    std::size_t len = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (text.size() < len) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(text[k]);
        if (!IsContinuation(b)) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
        (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) {
        return 0;
    }
    return len;
}

std::ptrdiff_t FindInvalidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        // Most text is ASCII (every SOAP answer, sync list and contact file is checked before
        // it is parsed): step over it eight bytes at a time.
        while (i + 8 <= text.size()) {
            std::uint64_t word;
            std::memcpy(&word, text.data() + i, sizeof word);
            if ((word & 0x8080808080808080ull) != 0) break;
            i += 8;
        }
        if (i >= text.size()) break;
        char32_t cp = 0;
        const std::size_t len = Utf8SequenceLength(text.substr(i), cp);
        if (len == 0) return static_cast<std::ptrdiff_t>(i);
        i += len;
    }
    return -1;
}

std::size_t Utf8PrefixLength(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text.size();
    // text[cut] is the first byte left out: back off while it continues a character, which
    // has three continuation bytes at the most. Further back the text is no UTF-8 anyway.
    std::size_t cut = maxBytes;
    for (int k = 0; k < 3 && cut > 0 && IsContinuation(static_cast<unsigned char>(text[cut]));
         ++k) {
        --cut;
    }
    return IsContinuation(static_cast<unsigned char>(text[cut])) ? maxBytes : cut;
}

std::size_t Utf8CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (const char ch : text) {
        if (!IsContinuation(static_cast<unsigned char>(ch))) ++count;
    }
    return count;
}

}  // namespace korvi
