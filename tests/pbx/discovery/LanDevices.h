// The other devices of a LAN made inside the test's network namespace: a web server holding
// device descriptions, and UPnP devices that answer searches well, badly, late or always.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SsdpResponder.h"

namespace httplib {
class Server;
}

namespace korvi::test {

inline constexpr char kPbxType[] = "urn:schemas-qvx-com:device:IPPBX:1";
inline constexpr char kRouterType[] = "urn:schemas-upnp-org:device:InternetGatewayDevice:1";
inline constexpr char kRendererType[] = "urn:schemas-upnp-org:device:MediaRenderer:1";

// Serves fixed bodies at fixed paths on 127.0.0.1 (any port); other paths get 404.
class DescriptionServer {
public:
    DescriptionServer();
    ~DescriptionServer();
    DescriptionServer(const DescriptionServer&) = delete;
    DescriptionServer& operator=(const DescriptionServer&) = delete;

    [[nodiscard]] bool Start(std::string& error);
    void Put(const std::string& path, std::string body);
    std::string Url(const std::string& path) const;

private:
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = -1;
    mutable std::mutex m_mutex;
    std::map<std::string, std::string> m_bodies;
};

// A root device description of the given type; an empty presentation URL is left out.
std::string DescriptionXml(const std::string& deviceType, const std::string& udn,
                           const std::string& presentationUrl);

// A device that answers as UPnP devices should: only the targets it serves.
std::unique_ptr<sim::SsdpResponder> WellBehavedDevice(sim::SsdpDevice device);
// A device that answers every search, whatever was searched for, as if it were asked for.
std::unique_ptr<sim::SsdpResponder> PromiscuousDevice(sim::SsdpDevice device);
// Sends these datagrams back for every search.
std::unique_ptr<sim::SsdpResponder> RawAnswers(std::vector<std::string> datagrams);

}  // namespace korvi::test
