// The SSDP texts a UPnP device reads and writes: the M-SEARCH request of a control point and
// the unicast answers a device sends back, one per search target it matches.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvi::sim {

struct SsdpSearch {
    std::string target;  // ST
    int mx = 0;          // MX, seconds a device may wait before answering
};

// False for anything but "M-SEARCH * HTTP/1.1" with MAN "ssdp:discover" and an ST.
[[nodiscard]] bool ParseSsdpSearch(std::string_view datagram, SsdpSearch& search);

struct SsdpDevice {
    std::string udn;         // "uuid:..."
    std::string deviceType;  // "urn:...:device:NAME:1"
    std::string location;    // where its description is served
};

// What a device answers to a search: ssdp:all gets three answers (root device, UDN, device
// type), upnp:rootdevice, the UDN and the device type (or an earlier version of it) one each,
// anything else none.
std::vector<std::string> SsdpAnswers(const SsdpDevice& device, const SsdpSearch& search);

// One answer datagram.
std::string SsdpAnswer(std::string_view target, std::string_view usn, std::string_view location);

}  // namespace korvi::sim
