#include "files/ContactXml.h"
#include "app/Utf8.h"

#include <charconv>
#include <cstring>
#include <string>
#include <system_error>
#include <utility>

#include <fmt/format.h>

namespace korvi {

namespace {

// User data quoted in an error text is cut here so that a hostile file cannot flood the log.
constexpr std::size_t kQuoteLimit = 40;

XmlResult Failure(std::string text, std::ptrdiff_t offset = -1) {
    return XmlResult{-1, std::move(text), offset};
}

std::string Quoted(std::string_view value) {
    if (value.size() <= kQuoteLimit) return std::string(value);
    // Cut before a character, never inside one.
    return std::string(value.substr(0, Utf8PrefixLength(value, kQuoteLimit))) + "...";
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

void AppendCharRef(unsigned char c, std::string& out) {
    out += "&#";
    out += std::to_string(c);
    out += ';';
}

// Escapes so that the reader gets every byte back: a literal CR would be read as LF, other
// control bytes are not allowed raw, and a value of blanks alone would be read as no text.
bool NeedsEscape(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return c == '&' || c == '<' || c == '>' || (byte < 0x20 && c != '\t' && c != '\n');
}

void AppendEscaped(std::string_view value, std::string& out) {
    const bool blanksOnly = !value.empty() && value.find_first_not_of(" \t\n") == value.npos;
    out.reserve(out.size() + value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        // Runs of plain text go in one piece.
        std::size_t run = i;
        while (run < value.size() && !NeedsEscape(value[run]) && !(blanksOnly && run == 0)) ++run;
        out.append(value, i, run - i);
        if (run == value.size()) break;
        i = run;
        const char c = value[i];
        const auto byte = static_cast<unsigned char>(c);
        if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else if ((byte < 0x20 && c != '\t' && c != '\n') || (blanksOnly && i == 0)) {
            AppendCharRef(byte, out);
        } else {
            out += c;
        }
    }
}

void AppendElement(std::string_view indent, std::string_view name, std::string_view escaped,
                   std::string& out) {
    out += indent;
    out += '<';
    out += name;
    if (escaped.empty()) {
        out += " />\n";
        return;
    }
    out += '>';
    out += escaped;
    out += "</";
    out += name;
    out += ">\n";
}

class ContactXmlBuilder {
public:
    // The contact's element, indented one level below <contacts>, appended to out.
    XmlResult Append(const TContact& contact, std::size_t position, std::string& out) {
        constexpr std::string_view kIn1 = "  ", kIn2 = "    ", kIn3 = "      ";
        XmlResult r;
        out += kIn1;
        out += "<contact>\n";
        if (!(r = Text(kIn2, "display_name", contact.displayName, position, out)).ok()) return r;
        if (!(r = Text(kIn2, "last_name", contact.lastName, position, out)).ok()) return r;
        if (!(r = Text(kIn2, "first_name", contact.firstName, position, out)).ok()) return r;
        Int(kIn2, "contact_id", contact.contactId, out);
        if (!(r = Text(kIn2, "entry_id", contact.entryId, position, out)).ok()) return r;
        if (contact.numbers) {
            for (const TContactNumber& number : *contact.numbers) {
                if (number.state == kDeleted) continue;  // a comparison marker, not a number
                out += kIn2;
                out += "<number>\n";
                Int(kIn3, "ref", number.ref, out);
                if (!(r = Text(kIn3, "number", number.number, position, out)).ok()) return r;
                Int(kIn3, "number_type", number.numberType, out);
                Int(kIn3, "barring", number.barring, out);
                Int(kIn3, "line_access", number.lineAccess, out);
                Int(kIn3, "cli", number.cli, out);
                out += kIn2;
                out += "</number>\n";
            }
        }
        out += kIn1;
        out += "</contact>\n";
        return {};
    }

private:
    XmlResult Text(std::string_view indent, const char* name, const std::string& value,
                   std::size_t position, std::string& out) {
        XmlResult checked = CheckText(value, position, name);
        if (!checked.ok()) return checked;
        m_scratch.clear();
        AppendEscaped(value, m_scratch);
        AppendElement(indent, name, m_scratch, out);
        return {};
    }

    static void Int(std::string_view indent, const char* name, int32_t value, std::string& out) {
        char digits[16];
        auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
        // Twelve characters always hold a 32-bit value; ec cannot be set.
        static_cast<void>(ec);
        AppendElement(indent, name, std::string_view(digits, end - digits), out);
    }

    std::string m_scratch;
};

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

// pugixml gives the offset of an element's name; its tag begins one byte earlier.
std::ptrdiff_t TagOffset(const pugi::xml_node& node) {
    const std::ptrdiff_t name = node.offset_debug();
    return name > 0 ? name - 1 : name;
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
        const std::ptrdiff_t offset = TagOffset(node);
        return Failure(fmt::format("{}: '{}' is not a decimal integer in <{}> at offset {}",
                                   m_source, Quoted(text), node.name(), offset),
                       offset);
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

XmlResult WriteContactsXml(const TContactList& list, ByteSink& sink, int& written,
                           std::uintmax_t maxBytes) {
    written = 0;
    // One contact at a time: memory stays flat however long the list is.
    std::string chunk = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<contacts>\n";
    constexpr std::string_view kEnd = "</contacts>\n";
    std::uintmax_t total = 0;
    // A file larger than the reader takes would fail every later load (and every sync that
    // needs it): the write is refused before the sink sees more.
    auto fits = [&](std::size_t position) -> XmlResult {
        total += chunk.size();
        if (total + kEnd.size() <= maxBytes) return {};
        return Failure(fmt::format(
            "Contact {}: the list does not fit in a contact file (at most {} bytes, which is "
            "all that a contact file is read up to); nothing was written",
            position, maxBytes));
    };
    ContactXmlBuilder builder;
    std::size_t position = 0;
    for (const auto& contact : list) {
        ++position;
        if (!contact) continue;
        XmlResult built = builder.Append(*contact, position, chunk);
        if (!built.ok()) return built;
        if (XmlResult r = fits(position); !r.ok()) return r;
        if (!sink.Write(chunk)) return Failure({});
        chunk.clear();
        ++written;
    }
    if (XmlResult r = fits(position); !r.ok()) return r;
    chunk += kEnd;
    if (!sink.Write(chunk)) return Failure({});
    return {};
}

XmlResult ReadContactsXml(const pugi::xml_document& doc, std::string_view sourceName,
                          TContactList& list, int& count) {
    count = 0;
    pugi::xml_node root = doc.document_element();
    if (!root) return Failure(fmt::format("{}: No document element", sourceName), 0);
    if (std::strcmp(root.name(), "contacts") != 0) {
        return Failure(fmt::format("{}: Document element is <{}>, not <contacts>, at offset {}",
                                   sourceName, Quoted(root.name()), TagOffset(root)),
                       TagOffset(root));
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
