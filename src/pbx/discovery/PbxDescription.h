// What a UPnP device description says about a PBX: whether the root device or one of its
// embedded devices is of the PBX device type, and that device's presentation URL.
#pragma once

#include <string>
#include <string_view>

namespace korvi {

struct PbxDescription {
    bool isPbx = false;
    std::string presentationUrl;  // as written (trimmed): may be empty or relative
    std::string rootDeviceType;   // for the log when it is no PBX
};

// False with error ("Error parsing end tag at offset 412") when the text is not XML.
[[nodiscard]] bool ReadPbxDescription(std::string_view xml, PbxDescription& description,
                                      std::string& error);

}  // namespace korvi
