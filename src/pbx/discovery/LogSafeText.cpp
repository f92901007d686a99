#include "pbx/discovery/LogSafeText.h"

namespace korvi {

std::string LogSafe(std::string_view text, std::size_t maxLength) {
    const bool cut = text.size() > maxLength;
    std::string safe(cut ? text.substr(0, maxLength) : text);
    for (char& ch : safe) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x20 || byte == 0x7F) ch = '?';
    }
    if (cut) safe += "...";
    return safe;
}

}  // namespace korvi
