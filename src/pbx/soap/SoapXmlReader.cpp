#include "pbx/soap/SoapXmlReader.h"
#include "app/Utf8.h"

#include <charconv>

namespace korvi::soap {

namespace {

constexpr unsigned kParseOptions =
    (pugi::parse_default | pugi::parse_ws_pcdata_single) & ~pugi::parse_doctype;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view Prefix(std::string_view qualifiedName) {
    const std::size_t colon = qualifiedName.find(':');
    return colon == std::string_view::npos ? std::string_view() : qualifiedName.substr(0, colon);
}

// Looks up the binding of prefix ("" = default namespace) from element up to the root.
std::string_view ResolvePrefix(std::string_view prefix, pugi::xml_node element) {
    std::string attrName = prefix.empty() ? std::string("xmlns") : "xmlns:" + std::string(prefix);
    if (prefix == "xml") return "http://www.w3.org/XML/1998/namespace";
    for (pugi::xml_node n = element; n && n.type() == pugi::node_element; n = n.parent()) {
        if (pugi::xml_attribute a = n.attribute(attrName.c_str())) return a.value();
    }
    return {};
}

}  // namespace

XmlResult LoadSoapDocument(std::string_view text, pugi::xml_document& doc,
                           std::string_view sourceName, bool keepDoctype) {
    doc.reset();
    const std::string name(sourceName);
    if (std::ptrdiff_t bad = FindInvalidUtf8(text); bad >= 0) {
        return XmlResult{-1, name + ": Invalid UTF-8 byte at offset " + std::to_string(bad), bad};
    }
    const unsigned options = keepDoctype ? (kParseOptions | pugi::parse_doctype) : kParseOptions;
    pugi::xml_parse_result r =
        doc.load_buffer(text.data(), text.size(), options, pugi::encoding_utf8);
    if (!r) {
        doc.reset();
        return XmlResult{
            -1, name + ": " + r.description() + " at offset " + std::to_string(r.offset), r.offset};
    }
    if (!doc.document_element()) {
        doc.reset();
        return XmlResult{-1, name + ": No document element", 0};
    }
    return {};
}

std::string ElementText(const pugi::xml_node& element) {
    std::string text;
    for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
            text += child.value();
        }
    }
    return text;
}

bool HasNonBlankText(const pugi::xml_node& element) {
    for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
            if (!Trim(child.value()).empty()) return true;
        }
    }
    return false;
}

IntParse ParseXsdInt(std::string_view text, int32_t& value) {
    std::string_view s = Trim(text);
    // from_chars takes '-' but not '+'; xs:int allows both.
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
        if (!s.empty() && s.front() == '-') return IntParse::kInvalid;
    }
    if (s.empty()) return IntParse::kInvalid;
    int32_t parsed = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), parsed);
    if (ec == std::errc::result_out_of_range) return IntParse::kOutOfRange;
    if (ec != std::errc() || end != s.data() + s.size()) return IntParse::kInvalid;
    value = parsed;
    return IntParse::kOk;
}

std::string_view ElementNamespace(const pugi::xml_node& element) {
    return ResolvePrefix(Prefix(element.name()), element);
}

std::string_view AttributeNamespace(const pugi::xml_attribute& attribute,
                                    const pugi::xml_node& element) {
    const std::string_view prefix = Prefix(attribute.name());
    if (prefix.empty()) return {};
    return ResolvePrefix(prefix, element);
}

bool IsNamespaceDeclaration(const pugi::xml_attribute& attribute) {
    const std::string_view name = attribute.name();
    return name == "xmlns" || name.starts_with("xmlns:");
}

std::string QuoteValue(std::string_view value) {
    constexpr std::size_t kMax = 40;
    std::string out = "'";
    if (value.size() > kMax) {
        // Cut on a character boundary so the error text stays UTF-8.
        out.append(value.substr(0, Utf8PrefixLength(value, kMax)));
        out += "...";
    } else {
        out.append(value);
    }
    out += "'";
    return out;
}

}  // namespace korvi::soap
