// One search for PBXs on the LAN through the discovery library, and the walk of its answer:
// asterisk-terminated host entries that become "http://" URLs. The caller compares the count
// the library reported with the entries it found (FindServersOnLan).
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "pbx/discovery/PbxDeviceType.h"
#include "pbx/discovery/UpnpClient.h"

namespace korvi {

struct FoundServers {
    int numServers = 0;  // how many PBXs the library reported
    int entries = 0;     // the asterisk-terminated entries in its answer
    int dropped = 0;     // entries that were not a host (with an optional port), left out
    std::vector<std::string> serverList;  // "http://" + each other entry, in answer order
};

// Logs "FindServers: Starting", searches for `wait`, walks the answer and frees the library's
// device list. Nothing found, or a failed search: all zero.
FoundServers FindServers(UpnpClient& library, std::chrono::milliseconds wait = kDiscoveryWait);

// Adds each entry of buffer, up to the first NUL, to found. Text after the last asterisk is no
// entry. An entry that is not a host with an optional port is counted, logged and dropped:
// it came from the network and would become the address the PIN is sent to.
void WalkServerList(std::string_view buffer, FoundServers& found);

}  // namespace korvi
