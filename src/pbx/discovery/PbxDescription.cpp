#include "pbx/discovery/PbxDescription.h"

#include <pugixml.hpp>

#include "pbx/discovery/PbxDeviceType.h"

namespace korvi {

namespace {

// Descriptions are unprefixed in practice, but a prefix must not hide the PBX.
std::string_view LocalName(const pugi::xml_node& node) {
    const std::string_view name = node.name();
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string_view Trim(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

pugi::xml_node Child(const pugi::xml_node& node, std::string_view name) {
    for (pugi::xml_node child : node.children()) {
        if (child.type() == pugi::node_element && LocalName(child) == name) return child;
    }
    return {};
}

std::string_view ChildText(const pugi::xml_node& node, std::string_view name) {
    return Trim(Child(node, name).text().as_string());
}

bool IsPbxDevice(const pugi::xml_node& node) {
    return node.type() == pugi::node_element && LocalName(node) == "device" &&
           IsPbxDeviceType(ChildText(node, "deviceType"));
}

}  // namespace

bool ReadPbxDescription(std::string_view xml, PbxDescription& description, std::string& error) {
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer(xml.data(), xml.size());
    if (!parsed) {
        error = std::string("Error parsing ") + parsed.description() + " at offset " +
                std::to_string(parsed.offset);
        return false;
    }
    PbxDescription read;
    const pugi::xml_node root = doc.document_element();
    read.rootDeviceType = std::string(ChildText(Child(root, "device"), "deviceType"));
    // The root device first, then its embedded devices, depth first.
    const pugi::xml_node pbx =
        root.find_node([](const pugi::xml_node& node) { return IsPbxDevice(node); });
    if (pbx) {
        read.isPbx = true;
        read.presentationUrl = std::string(ChildText(pbx, "presentationURL"));
    }
    description = std::move(read);
    return true;
}

}  // namespace korvi
