// The XML services that contact files, sync lists and SOAP envelopes share, on pugixml.
// Parsing validates UTF-8 and reports where a document goes wrong; writing is atomic.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/Utf8.h"

#include <pugixml.hpp>

namespace korvi {

struct XmlResult {
    int code = 0;  // 0 or -1
    std::string text;
    std::ptrdiff_t offset = -1;  // byte offset of a parse error
    bool ok() const { return code == 0; }
};

// Clears doc and parses. The text names the source and the offset:
// "sync_list.xml: Error parsing end tag at offset 412". No DTD is read and no entity other
// than the predefined ones is expanded.
[[nodiscard]] XmlResult LoadXmlFile(const std::filesystem::path& file, pugi::xml_document& doc);
[[nodiscard]] XmlResult LoadXmlText(std::string_view text, pugi::xml_document& doc,
                                    std::string_view sourceName);

// Clears doc and adds the declaration <?xml version="1.0" encoding="UTF-8"?>.
void StartXmlDocument(pugi::xml_document& doc);

// Text content of an element (its first text or CDATA child), "" when there is none.
std::string XmlText(const pugi::xml_node& node);
// The local part of a qualified name: "soap:Body" -> "Body".
std::string_view XmlLocalName(const pugi::xml_node& node);

// Indented UTF-8 output.
std::string XmlToString(const pugi::xml_document& doc);
[[nodiscard]] XmlResult SaveXmlFile(const pugi::xml_document& doc,
                                    const std::filesystem::path& file);

}  // namespace korvi
