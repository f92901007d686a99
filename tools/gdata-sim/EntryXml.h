// Atom entries as the emulator keeps them: every element renamed to one spelling of its
// namespace (Atom without a prefix, "gd:", "gContact:"), whatever prefixes the client used, so
// that stored entries can be written into any feed.
#pragma once

#include <string>
#include <string_view>

#include <pugixml.hpp>

namespace korvi::gdatasim {

// Parses body, which must be one Atom entry, into out: a root "entry" holding copies of the
// body's child elements in canonical spelling. False with the reason when it is not. etag, when
// given, receives the entry's gd:etag attribute ("" without one).
[[nodiscard]] bool NormalizeEntry(std::string_view body, pugi::xml_document& out,
                                  std::string& error, std::string* etag = nullptr);

// The namespace URI that the prefix of the element's name stands for at that element ("" for
// no namespace).
std::string NamespaceOf(const pugi::xml_node& element);
// The element's name without its prefix.
std::string_view LocalName(const pugi::xml_node& element);

// Text and attribute escaping for the parts of feeds the emulator writes itself.
std::string EscapeXml(std::string_view text);
void AppendEscaped(std::string& out, std::string_view text);

// The children of a stored entry as XML text (no line breaks added); with self, the node itself.
std::string ChildrenXml(const pugi::xml_node& entry, bool self = false);

}  // namespace korvi::gdatasim
