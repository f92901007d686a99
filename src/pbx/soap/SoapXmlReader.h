// What both envelope readers need beyond pugixml: loading with the UTF-8 check, element text,
// XML Schema integers and namespace resolution (pugixml keeps prefixes as part of the name).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "app/XmlDocument.h"

namespace korvi::soap {

// Parses text as UTF-8 XML. Unlike LoadXmlText it keeps an element's text when the text is all
// blanks (a display name of one blank stays a blank), and with keepDoctype it keeps a DOCTYPE
// node so a strict reader can refuse it (nothing in it is ever expanded).
[[nodiscard]] XmlResult LoadSoapDocument(std::string_view text, pugi::xml_document& doc,
                                         std::string_view sourceName, bool keepDoctype = false);

// All text and CDATA children of an element, joined.
std::string ElementText(const pugi::xml_node& element);
// True when the element has a text child other than blanks.
bool HasNonBlankText(const pugi::xml_node& element);

enum class IntParse { kOk, kInvalid, kOutOfRange };
// The lexical form of xs:int: surrounding blanks, an optional sign, decimal digits, all of
// the text; 32-bit range.
[[nodiscard]] IntParse ParseXsdInt(std::string_view text, int32_t& value);

// The namespace URI bound to the element's prefix (or the default namespace) where the element
// stands; "" when unqualified.
std::string_view ElementNamespace(const pugi::xml_node& element);
// The namespace of a prefixed attribute, resolved at its element; "" for an unprefixed one.
std::string_view AttributeNamespace(const pugi::xml_attribute& attribute,
                                    const pugi::xml_node& element);
bool IsNamespaceDeclaration(const pugi::xml_attribute& attribute);

// A value quoted for an error text, cut so a huge value cannot flood a log line.
std::string QuoteValue(std::string_view value);

}  // namespace korvi::soap
