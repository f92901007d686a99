#include "SimSsdp.h"

#include <pugixml.hpp>

#include <sstream>

#include "SimMd5.h"

namespace korvi::sim {

namespace {

// Written out here rather than taken from the client, so that the two cannot agree on a
// wrong type by sharing it.
constexpr char kPbxDeviceType[] = "urn:schemas-qvx-com:device:IPPBX:1";

// Stable for one address, so a restarted simulator is the same device.
std::string DeviceUdn(const std::string& host, int port) {
    std::string hex = Md5Hex("korvi-pbx-sim " + host + ":" + std::to_string(port));
    hex.resize(32, '0');
    return "uuid:" + hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" +
           hex.substr(16, 4) + "-" + hex.substr(20, 12);
}

std::string DescriptionXml(const SsdpDevice& device, const std::string& presentationUrl,
                           const std::string& friendlyName) {
    pugi::xml_document doc;
    pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "utf-8";
    pugi::xml_node root = doc.append_child("root");
    root.append_attribute("xmlns") = "urn:schemas-upnp-org:device-1-0";
    pugi::xml_node spec = root.append_child("specVersion");
    spec.append_child("major").text() = "1";
    spec.append_child("minor").text() = "0";
    pugi::xml_node node = root.append_child("device");
    node.append_child("deviceType").text() = device.deviceType.c_str();
    node.append_child("friendlyName").text() = friendlyName.c_str();
    node.append_child("manufacturer").text() = "Korvi";
    node.append_child("modelName").text() = "korvi-pbx-sim";
    node.append_child("UDN").text() = device.udn.c_str();
    node.append_child("presentationURL").text() = presentationUrl.c_str();
    std::ostringstream out;
    doc.save(out, "  ");
    return out.str();
}

}  // namespace

SimSsdp::SimSsdp(const std::string& host, int port, const std::string& friendlyName)
    : m_responder([this](const SsdpSearch& search) { return SsdpAnswers(m_device, search); }) {
    const std::string base = "http://" + host + ":" + std::to_string(port);
    m_device.udn = DeviceUdn(host, port);
    m_device.deviceType = kPbxDeviceType;
    m_device.location = base + kSimDescriptionPath;
    m_description = DescriptionXml(m_device, base + "/", friendlyName);
}

}  // namespace korvi::sim
