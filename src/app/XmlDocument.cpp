#include "app/XmlDocument.h"

#include <fstream>

#include "app/AtomicFile.h"

namespace korvi {

namespace {

// Escapes are the predefined entities and character references; DOCTYPE is skipped, so no
// internal or external entity is ever defined or loaded.
constexpr unsigned kParseOptions = pugi::parse_default & ~pugi::parse_doctype;

XmlResult Failure(std::string text, std::ptrdiff_t offset = -1) {
    return XmlResult{-1, std::move(text), offset};
}

class SinkWriter final : public pugi::xml_writer {
public:
    explicit SinkWriter(ByteSink& sink) : m_sink(sink) {}
    void write(const void* data, size_t size) override {
        if (m_ok) m_ok = m_sink.Write(std::string_view(static_cast<const char*>(data), size));
    }
    bool ok() const { return m_ok; }

private:
    ByteSink& m_sink;
    bool m_ok = true;
};

class StringWriter final : public pugi::xml_writer {
public:
    void write(const void* data, size_t size) override {
        out.append(static_cast<const char*>(data), size);
    }
    std::string out;
};

}  // namespace

XmlResult LoadXmlText(std::string_view text, pugi::xml_document& doc, std::string_view sourceName) {
    doc.reset();
    const std::string name(sourceName);
    if (std::ptrdiff_t bad = FindInvalidUtf8(text); bad >= 0) {
        return Failure(name + ": Invalid UTF-8 byte at offset " + std::to_string(bad), bad);
    }
    pugi::xml_parse_result r =
        doc.load_buffer(text.data(), text.size(), kParseOptions, pugi::encoding_utf8);
    if (!r) {
        doc.reset();
        return Failure(name + ": " + r.description() + " at offset " + std::to_string(r.offset),
                       r.offset);
    }
    const pugi::xml_node root = doc.document_element();
    if (!root) {
        doc.reset();
        return Failure(name + ": No document element", 0);
    }
    // pugixml accepts a fragment of several elements; a document has exactly one.
    for (pugi::xml_node node = root.next_sibling(); node; node = node.next_sibling()) {
        if (node.type() != pugi::node_element) continue;
        // An element's offset is that of its name; its tag begins one byte earlier.
        const std::ptrdiff_t offset = node.offset_debug() - 1;
        doc.reset();
        return Failure(
            name + ": More than one document element at offset " + std::to_string(offset), offset);
    }
    return {};
}

XmlResult LoadXmlFile(const std::filesystem::path& file, pugi::xml_document& doc) {
    doc.reset();
    std::ifstream in(file, std::ios::binary);
    if (!in) return Failure(file.string() + ": Could not open file");
    // Read straight into one buffer: a sync list of 10,000 contacts is several megabytes.
    std::string content;
    std::error_code ec;
    if (const auto size = std::filesystem::file_size(file, ec); !ec && size > 0) {
        content.resize(static_cast<std::size_t>(size));
        in.read(content.data(), static_cast<std::streamsize>(content.size()));
        content.resize(static_cast<std::size_t>(in.gcount()));
    }
    char more[65536];  // what a file still being written has beyond the size seen
    while (in.read(more, sizeof more) || in.gcount() > 0) {
        content.append(more, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) return Failure(file.string() + ": Could not read file");
    return LoadXmlText(content, doc, file.string());
}

void StartXmlDocument(pugi::xml_document& doc) {
    doc.reset();
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
}

std::string XmlText(const pugi::xml_node& node) {
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
            return child.value();
        }
    }
    return {};
}

std::string_view XmlLocalName(const pugi::xml_node& node) {
    std::string_view name = node.name();
    std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string XmlToString(const pugi::xml_document& doc) {
    StringWriter writer;
    doc.save(writer, "  ", pugi::format_default, pugi::encoding_utf8);
    return std::move(writer.out);
}

XmlResult SaveXmlFile(const pugi::xml_document& doc, const std::filesystem::path& file) {
    AtomicFile out(file);
    if (!out.Open()) return Failure(out.Error());
    SinkWriter writer(out);
    doc.save(writer, "  ", pugi::format_default, pugi::encoding_utf8);
    if (!writer.ok() || !out.Commit()) return Failure(out.Error());
    return {};
}

}  // namespace korvi
