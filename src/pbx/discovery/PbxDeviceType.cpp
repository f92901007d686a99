#include "pbx/discovery/PbxDeviceType.h"

#include <charconv>

namespace korvi {

bool IsPbxDeviceType(std::string_view deviceType) {
    if (!deviceType.starts_with(kPbxDeviceTypeStem)) return false;
    const std::string_view version = deviceType.substr(kPbxDeviceTypeStem.size());
    int number = 0;
    const auto [end, ec] = std::from_chars(version.data(), version.data() + version.size(), number);
    return ec == std::errc() && end == version.data() + version.size() && number >= 1 &&
           version.front() != '0';
}

}  // namespace korvi
