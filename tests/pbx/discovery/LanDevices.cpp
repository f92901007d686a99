#include "LanDevices.h"

#include <httplib.h>

#include <chrono>

namespace korvi::test {

DescriptionServer::DescriptionServer() : m_server(std::make_unique<httplib::Server>()) {
    // Headers and body go in separate writes; without this the body of each kept-alive
    // answer waits for the reader's delayed ACK.
    m_server->set_tcp_nodelay(true);
    m_server->Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard lock(m_mutex);
        const auto found = m_bodies.find(req.path);
        if (found == m_bodies.end()) {
            res.status = 404;
            return;
        }
        res.status = 200;
        res.set_content(found->second, "text/xml");
    });
}

DescriptionServer::~DescriptionServer() {
    if (m_thread.joinable()) {
        m_server->stop();
        m_thread.join();
    }
}

bool DescriptionServer::Start(std::string& error) {
    m_port = m_server->bind_to_any_port("127.0.0.1");
    if (m_port <= 0) {
        error = "the description server could not bind 127.0.0.1";
        return false;
    }
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    // httplib 0.11 has no ready signal; it accepts once is_running() says so.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!m_server->is_running()) {
        if (std::chrono::steady_clock::now() > deadline) {
            error = "the description server did not start";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void DescriptionServer::Put(const std::string& path, std::string body) {
    std::lock_guard lock(m_mutex);
    m_bodies[path] = std::move(body);
}

std::string DescriptionServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::string DescriptionXml(const std::string& deviceType, const std::string& udn,
                           const std::string& presentationUrl) {
    std::string xml =
        "<?xml version=\"1.0\"?>\n<root xmlns=\"urn:schemas-upnp-org:device-1-0\">"
        "<specVersion><major>1</major><minor>0</minor></specVersion><device><deviceType>" +
        deviceType + "</deviceType><friendlyName>test device</friendlyName><UDN>" + udn + "</UDN>";
    if (!presentationUrl.empty()) {
        xml += "<presentationURL>" + presentationUrl + "</presentationURL>";
    }
    return xml + "</device></root>";
}

std::unique_ptr<sim::SsdpResponder> WellBehavedDevice(sim::SsdpDevice device) {
    return std::make_unique<sim::SsdpResponder>(
        [device](const sim::SsdpSearch& search) { return sim::SsdpAnswers(device, search); });
}

std::unique_ptr<sim::SsdpResponder> PromiscuousDevice(sim::SsdpDevice device) {
    return std::make_unique<sim::SsdpResponder>([device](const sim::SsdpSearch& search) {
        return std::vector<std::string>{
            sim::SsdpAnswer(search.target, device.udn + "::" + search.target, device.location)};
    });
}

std::unique_ptr<sim::SsdpResponder> RawAnswers(std::vector<std::string> datagrams) {
    return std::make_unique<sim::SsdpResponder>(
        [datagrams](const sim::SsdpSearch&) { return datagrams; });
}

}  // namespace korvi::test
