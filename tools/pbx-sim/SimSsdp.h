// The simulated PBX as a UPnP device (--ssdp): it answers SSDP searches for the PBX device type
// and its description names the simulator's address as the PBX's presentation page, so that
// korvi finds it on a LAN made of one network namespace.
#pragma once

#include <string>

#include "SsdpResponder.h"

namespace korvi::sim {

inline constexpr char kSimDescriptionPath[] = "/description.xml";

class SimSsdp {
public:
    // host and port: where the simulator serves SOAP and its description; friendlyName names
    // it in the description.
    SimSsdp(const std::string& host, int port, const std::string& friendlyName);

    [[nodiscard]] bool Start(std::string& error) { return m_responder.Start(error); }
    void Stop() { m_responder.Stop(); }

    const std::string& Description() const { return m_description; }
    const SsdpDevice& Device() const { return m_device; }

private:
    SsdpDevice m_device;
    std::string m_description;
    SsdpResponder m_responder;
};

}  // namespace korvi::sim
