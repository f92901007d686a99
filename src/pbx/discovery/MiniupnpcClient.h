// The discovery library on miniupnpc: an SSDP search for the PBX device type, then each
// answering device's description, read to tell a PBX from other devices and to find its
// address.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "pbx/discovery/DescriptionFetch.h"
#include "pbx/discovery/UpnpClient.h"

namespace korvi {

struct MiniupnpcOptions {
    // The interface (name or IPv4 address) the search leaves from; empty: the system's choice.
    std::string multicastInterface;
    DescriptionLimits descriptions;
    // Descriptions read per search at most; a flood of answers costs no more than this.
    std::size_t maxDevices = 1024;
    // However many PBXs answer, the entries never grow beyond this; a longer list is cut
    // short, and the log says so. Room for thousands of ordinary host names.
    std::size_t maxEntryBytes = 64 * 1024;
};

class MiniupnpcClient final : public UpnpClient {
public:
    explicit MiniupnpcClient(MiniupnpcOptions options = {});

    [[nodiscard]] std::unique_ptr<UpnpDeviceList> Discover(std::chrono::milliseconds wait) override;

private:
    MiniupnpcOptions m_options;
};

}  // namespace korvi
