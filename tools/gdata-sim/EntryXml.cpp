#include "EntryXml.h"

#include "GdataNames.h"

namespace korvi::gdatasim {

namespace {

constexpr char kXmlNs[] = "http://www.w3.org/XML/1998/namespace";

std::string_view PrefixOf(std::string_view name) {
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
}

std::string ResolvePrefix(pugi::xml_node node, std::string_view prefix) {
    if (prefix == "xml") return kXmlNs;
    const std::string attr = prefix.empty() ? "xmlns" : "xmlns:" + std::string(prefix);
    for (; node; node = node.parent()) {
        if (node.type() != pugi::node_element) continue;
        if (pugi::xml_attribute a = node.attribute(attr.c_str())) return a.value();
    }
    return "";
}

// Our prefix for a namespace; null for one we do not know (the client's own prefix is kept).
const char* CanonicalPrefix(std::string_view uri) {
    if (uri == kAtomNs) return "";
    if (uri == kGdNs) return "gd";
    if (uri == kContactNs) return "gContact";
    if (uri == kAppNs) return "app";
    if (uri == kBatchNs) return "batch";
    return nullptr;
}

std::string Prefixed(const char* prefix, std::string_view local) {
    return prefix[0] == '\0' ? std::string(local) : std::string(prefix) + ":" + std::string(local);
}

void CopyAttributes(const pugi::xml_node& src, pugi::xml_node dst) {
    for (pugi::xml_attribute a : src.attributes()) {
        const std::string_view name = a.name();
        if (name == "xmlns" || name.starts_with("xmlns:")) continue;
        const std::string_view prefix = PrefixOf(name);
        if (prefix.empty() || prefix == "xml") {
            dst.append_attribute(a.name()) = a.value();
            continue;
        }
        const std::string uri = ResolvePrefix(src, prefix);
        const char* canonical = CanonicalPrefix(uri);
        const std::string_view local = name.substr(prefix.size() + 1);
        if (canonical != nullptr && canonical[0] != '\0') {
            dst.append_attribute(Prefixed(canonical, local).c_str()) = a.value();
        } else {
            dst.append_attribute(a.name()) = a.value();
            const std::string decl = "xmlns:" + std::string(prefix);
            if (!dst.attribute(decl.c_str())) dst.append_attribute(decl.c_str()) = uri.c_str();
        }
    }
}

void CopyElement(const pugi::xml_node& src, pugi::xml_node dstParent) {
    const std::string uri = NamespaceOf(src);
    const std::string_view local = LocalName(src);
    const char* canonical = CanonicalPrefix(uri);
    pugi::xml_node dst;
    if (canonical != nullptr) {
        dst = dstParent.append_child(Prefixed(canonical, local).c_str());
    } else {
        // A namespace of the client's own (extended properties): kept with a declaration,
        // so the element means the same wherever it is written.
        const std::string_view prefix = PrefixOf(src.name());
        dst = dstParent.append_child(src.name());
        dst.append_attribute(prefix.empty() ? "xmlns" : ("xmlns:" + std::string(prefix)).c_str()) =
            uri.c_str();
    }
    CopyAttributes(src, dst);
    for (pugi::xml_node child : src.children()) {
        switch (child.type()) {
            case pugi::node_element:
                CopyElement(child, dst);
                break;
            case pugi::node_pcdata:
            case pugi::node_cdata:
                dst.append_child(pugi::node_pcdata).set_value(child.value());
                break;
            default:
                break;
        }
    }
}

}  // namespace

std::string NamespaceOf(const pugi::xml_node& element) {
    return ResolvePrefix(element, PrefixOf(element.name()));
}

std::string_view LocalName(const pugi::xml_node& element) {
    const std::string_view name = element.name();
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool NormalizeEntry(std::string_view body, pugi::xml_document& out, std::string& error,
                    std::string* etag) {
    pugi::xml_document in;
    const pugi::xml_parse_result parsed =
        in.load_buffer(body.data(), body.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!parsed) {
        error = "Body is not well-formed XML at offset " + std::to_string(parsed.offset) + ": " +
                parsed.description();
        return false;
    }
    const pugi::xml_node root = in.document_element();
    if (LocalName(root) != "entry" || NamespaceOf(root) != kAtomNs) {
        error = "Body must be an Atom entry, not <" + std::string(root.name()) + ">";
        return false;
    }
    if (etag != nullptr) {
        etag->clear();
        for (pugi::xml_attribute a : root.attributes()) {
            const std::string_view name = a.name();
            const std::size_t colon = name.find(':');
            if (colon != std::string_view::npos && name.substr(colon + 1) == "etag" &&
                ResolvePrefix(root, name.substr(0, colon)) == kGdNs) {
                *etag = a.value();
            }
        }
    }
    out.reset();
    pugi::xml_node entry = out.append_child("entry");
    for (pugi::xml_node child : root.children()) {
        if (child.type() == pugi::node_element) CopyElement(child, entry);
    }
    return true;
}

std::string EscapeXml(std::string_view text) {
    std::string out;
    AppendEscaped(out, text);
    return out;
}

void AppendEscaped(std::string& out, std::string_view text) {
    while (!text.empty()) {
        const std::size_t special = text.find_first_of("&<>\"'");
        out.append(text.substr(0, special));
        if (special == std::string_view::npos) return;
        switch (text[special]) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += "&apos;";
                break;
        }
        text.remove_prefix(special + 1);
    }
}

namespace {

struct StringWriter final : pugi::xml_writer {
    std::string text;
    void write(const void* data, size_t size) override {
        text.append(static_cast<const char*>(data), size);
    }
};

}  // namespace

std::string ChildrenXml(const pugi::xml_node& entry, bool self) {
    StringWriter writer;
    if (self) {
        entry.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
        return std::move(writer.text);
    }
    for (pugi::xml_node child : entry.children()) {
        child.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
    }
    return std::move(writer.text);
}

}  // namespace korvi::gdatasim
