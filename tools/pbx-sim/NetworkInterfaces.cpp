#include "NetworkInterfaces.h"

#include <net/if.h>

#include <cerrno>
#include <cstring>

namespace korvi::sim {

bool InterfacesOtherThanLo(std::vector<std::string>& names, std::string& error) {
    struct if_nameindex* list = if_nameindex();
    if (list == nullptr) {
        error = std::string("cannot list the network interfaces: ") + std::strerror(errno);
        return false;
    }
    names.clear();
    for (const struct if_nameindex* entry = list; entry->if_index != 0; ++entry) {
        if (std::strcmp(entry->if_name, "lo") != 0) names.emplace_back(entry->if_name);
    }
    if_freenameindex(list);
    return true;
}

std::string SsdpRefusal() {
    std::vector<std::string> others;
    std::string error;
    if (!InterfacesOtherThanLo(others, error)) return error;
    if (others.empty()) return {};
    std::string names;
    for (const std::string& name : others) names += (names.empty() ? "" : ", ") + name;
    return "SSDP is answered only inside a network namespace whose only interface is lo "
           "(this one also has " +
           names + "); start it under `unshare -n` with lo up";
}

}  // namespace korvi::sim
