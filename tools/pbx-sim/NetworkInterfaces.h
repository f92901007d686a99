// Which network interfaces this process sees. SSDP is multicast: the simulator answers it only
// inside a network namespace of its own, where lo is the only interface.
#pragma once

#include <string>
#include <vector>

namespace korvi::sim {

// The names of every interface other than lo. False with error when they cannot be listed.
[[nodiscard]] bool InterfacesOtherThanLo(std::vector<std::string>& names, std::string& error);

// Empty when lo is the only interface; else why SSDP must not be used here.
std::string SsdpRefusal();

}  // namespace korvi::sim
