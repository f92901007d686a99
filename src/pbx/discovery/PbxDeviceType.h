// How a PBX shows itself on the LAN: the UPnP device type its description declares, and how
// long a search waits for answers.
#pragma once

#include <chrono>
#include <string_view>

namespace korvi {

inline constexpr char kPbxDeviceType[] = "urn:schemas-qvx-com:device:IPPBX:1";
// The type without its version: a device of a later version also serves version 1 clients.
inline constexpr std::string_view kPbxDeviceTypeStem = "urn:schemas-qvx-com:device:IPPBX:";

inline constexpr std::chrono::milliseconds kDiscoveryWait{3000};

// True for kPbxDeviceType and its later versions ("...:IPPBX:2").
bool IsPbxDeviceType(std::string_view deviceType);

}  // namespace korvi
