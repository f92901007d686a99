// The discovery library as FindServers drives it: a search that returns the devices that
// answered, and the PBXs among them as asterisk-terminated host entries. The device list is
// the library's; destroying it gives it back, so a list is freed exactly once, whatever path
// the caller takes. MiniupnpcClient is the real library; tests give their own.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace korvi {

class UpnpDeviceList {
public:
    virtual ~UpnpDeviceList() = default;
    // Appends "host*" for each PBX among the devices to entries, which grows as needed, and
    // returns how many entries it appended.
    [[nodiscard]] virtual int GetValidPbxList(std::string& entries) = 0;
};

class UpnpClient {
public:
    virtual ~UpnpClient() = default;
    // Searches the LAN, waiting `wait` for answers. Null when nothing answered or the search
    // failed.
    [[nodiscard]] virtual std::unique_ptr<UpnpDeviceList> Discover(
        std::chrono::milliseconds wait) = 0;
};

using UpnpClientFactory = std::function<std::unique_ptr<UpnpClient>()>;

}  // namespace korvi
