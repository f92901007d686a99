#include "files/ContactXml.h"

#include <charconv>
#include <cstring>
#include <string>
#include <system_error>

#include <fmt/format.h>

namespace korvi {

namespace {

constexpr char kIndent[] = "  ";
// User data quoted in an error text is cut here so that a hostile file cannot flood the log.
constexpr std::size_t kQuoteLimit = 40;

class SinkXmlWriter final : public pugi::xml_writer {
public:
    explicit SinkXmlWriter(ByteSink& sink) : m_sink(sink) {}
    void write(const void* data, size_t size) override {
        if (m_ok) m_ok = m_sink.Write(std::string_view(static_cast<const char*>(data), size));
    }
    bool Put(std::string_view text) {
        write(text.data(), text.size());
        return m_ok;
    }
    bool ok() const { return m_ok; }

private:
    ByteSink& m_sink;
    bool m_ok = true;
};

XmlResult Failure(std::string text, std::ptrdiff_t offset = -1) {
    return XmlResult{-1, std::move(text), offset};
}

std::string Quoted(std::string_view value) {
    if (value.size() <= kQuoteLimit) return std::string(value);
    return std::string(value.substr(0, kQuoteLimit)) + "...";
}

// A value that is not UTF-8 would make a file that no reader, ours included, accepts again:
// refuse to write it rather than leave a sync list that can never be loaded.
XmlResult CheckText(std::string_view value, std::size_t position, const char* element) {
    if (std::size_t nul = value.find('\0'); nul != std::string_view::npos) {
        return Failure(
            fmt::format("Contact {}: {} holds a NUL byte at byte {}", position, element, nul));
    }
    if (std::ptrdiff_t bad = FindInvalidUtf8(value); bad >= 0) {
        return Failure(
            fmt::format("Contact {}: {} is not UTF-8 text (byte {})", position, element, bad));
    }
    return {};
}

XmlResult AddText(pugi::xml_node parent, const char* element, const std::string& value,
                  std::size_t position) {
    XmlResult checked = CheckText(value, position, element);
    if (!checked.ok()) return checked;
    pugi::xml_node node = parent.append_child(element);
    // An empty value stays an empty element: no text node at all.
    if (!value.empty()) node.text().set(value.data(), value.size());
    return {};
}

void AddInt(pugi::xml_node parent, const char* element, int32_t value) {
    parent.append_child(element).text().set(static_cast<long long>(value));
}

XmlResult BuildContact(const TContact& contact, std::size_t position, pugi::xml_node node) {
    XmlResult r;
    if (!(r = AddText(node, "display_name", contact.displayName, position)).ok()) return r;
    if (!(r = AddText(node, "last_name", contact.lastName, position)).ok()) return r;
    if (!(r = AddText(node, "first_name", contact.firstName, position)).ok()) return r;
    AddInt(node, "contact_id", contact.contactId);
    if (!(r = AddText(node, "entry_id", contact.entryId, position)).ok()) return r;
    if (!contact.numbers) return {};
    for (const TContactNumber& number : *contact.numbers) {
        if (number.state == kDeleted) continue;  // a comparison marker, not a number
        pugi::xml_node n = node.append_child("number");
        AddInt(n, "ref", number.ref);
        if (!(r = AddText(n, "number", number.number, position)).ok()) return r;
        AddInt(n, "number_type", number.numberType);
        AddInt(n, "barring", number.barring);
        AddInt(n, "line_access", number.lineAccess);
        AddInt(n, "cli", number.cli);
    }
    return {};
}

// All text and CDATA children joined, so that a comment inside a value does not cut it.
std::string ElementText(const pugi::xml_node& node) {
    std::string text;
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
            text += child.value();
        }
    }
    return text;
}

bool ParseDecimal(std::string_view s, int32_t& out) {
    constexpr std::string_view kSpace = " \t\r\n";
    std::size_t first = s.find_first_not_of(kSpace);
    if (first == std::string_view::npos) return false;
    s = s.substr(first, s.find_last_not_of(kSpace) - first + 1);
    if (s.size() > 1 && s[0] == '+' && s[1] != '-') s.remove_prefix(1);
    int32_t value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, 10);
    if (ec != std::errc() || end != s.data() + s.size()) return false;
    out = value;
    return true;
}

class ContactReader {
public:
    explicit ContactReader(std::string_view sourceName) : m_source(sourceName) {}

    XmlResult ReadInt(const pugi::xml_node& node, int32_t& out) const {
        std::string text = ElementText(node);
        if (ParseDecimal(text, out)) return {};
        return Failure(fmt::format("{}: '{}' is not a decimal integer in <{}> at offset {}",
                                   m_source, Quoted(text), node.name(), node.offset_debug()),
                       node.offset_debug());
    }

    XmlResult ReadNumber(const pugi::xml_node& node, TContactNumber& number) const {
        for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
            if (child.type() != pugi::node_element) continue;
            const char* name = child.name();
            XmlResult r;
            if (std::strcmp(name, "ref") == 0) {
                r = ReadInt(child, number.ref);
            } else if (std::strcmp(name, "number") == 0) {
                number.number = ElementText(child);
            } else if (std::strcmp(name, "number_type") == 0) {
                r = ReadInt(child, number.numberType);
            } else if (std::strcmp(name, "barring") == 0) {
                r = ReadInt(child, number.barring);
            } else if (std::strcmp(name, "line_access") == 0) {
                r = ReadInt(child, number.lineAccess);
            } else if (std::strcmp(name, "cli") == 0) {
                r = ReadInt(child, number.cli);
            }
            if (!r.ok()) return r;
        }
        return {};
    }

    // Only the two levels of the format are walked: deeper nesting is never visited.
    XmlResult ReadContact(const pugi::xml_node& node, TContact& contact) const {
        for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
            if (child.type() != pugi::node_element) continue;
            const char* name = child.name();
            XmlResult r;
            if (std::strcmp(name, "display_name") == 0) {
                contact.displayName = ElementText(child);
            } else if (std::strcmp(name, "last_name") == 0) {
                contact.lastName = ElementText(child);
            } else if (std::strcmp(name, "first_name") == 0) {
                contact.firstName = ElementText(child);
            } else if (std::strcmp(name, "contact_id") == 0) {
                r = ReadInt(child, contact.contactId);
            } else if (std::strcmp(name, "entry_id") == 0) {
                contact.entryId = ElementText(child);
            } else if (std::strcmp(name, "number") == 0) {
                if (!contact.numbers) contact.numbers.emplace();
                r = ReadNumber(child, contact.numbers->emplace_back());
            }
            if (!r.ok()) return r;
        }
        return {};
    }

private:
    std::string_view m_source;
};

}  // namespace

XmlResult WriteContactsXml(const TContactList& list, ByteSink& sink, int& written) {
    written = 0;
    SinkXmlWriter writer(sink);
    if (!writer.Put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<contacts>\n")) return Failure({});
    // One small document per contact keeps memory flat however long the list is.
    pugi::xml_document doc;
    std::size_t position = 0;
    for (const auto& contact : list) {
        ++position;
        if (!contact) continue;
        doc.reset();
        pugi::xml_node node = doc.append_child("contact");
        XmlResult built = BuildContact(*contact, position, node);
        if (!built.ok()) return built;
        node.print(writer, kIndent, pugi::format_indent, pugi::encoding_utf8, 1);
        if (!writer.ok()) return Failure({});
        ++written;
    }
    if (!writer.Put("</contacts>\n")) return Failure({});
    return {};
}

XmlResult ReadContactsXml(const pugi::xml_document& doc, std::string_view sourceName,
                          TContactList& list, int& count) {
    count = 0;
    pugi::xml_node root = doc.document_element();
    if (!root) return Failure(fmt::format("{}: No document element", sourceName), 0);
    if (std::strcmp(root.name(), "contacts") != 0) {
        return Failure(fmt::format("{}: Document element is <{}>, not <contacts>, at offset {}",
                                   sourceName, Quoted(root.name()), root.offset_debug()),
                       root.offset_debug());
    }
    ContactReader reader(sourceName);
    for (pugi::xml_node node = root.first_child(); node; node = node.next_sibling()) {
        if (node.type() != pugi::node_element) continue;
        ++count;
        auto contact = std::make_unique<TContact>();
        XmlResult r = reader.ReadContact(node, *contact);
        if (!r.ok()) return r;
        list.push_back(std::move(contact));
    }
    return {};
}

XmlResult ReadContactsXmlFile(const std::filesystem::path& file, TContactList& list, int& count) {
    count = 0;
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec)) {
        return Failure(fmt::format("{}: Is a folder, not a contact file", file.string()));
    }
    std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (!ec && size > kMaxContactFileBytes) {
        return Failure(
            fmt::format("{}: File is too large ({} bytes; a contact file holds at most {})",
                        file.string(), size, kMaxContactFileBytes),
            static_cast<std::ptrdiff_t>(kMaxContactFileBytes));
    }
    pugi::xml_document doc;
    XmlResult loaded = LoadXmlFile(file, doc);
    if (!loaded.ok()) return loaded;
    return ReadContactsXml(doc, file.string(), list, count);
}

}  // namespace korvi
