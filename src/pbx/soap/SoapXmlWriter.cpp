#include "pbx/soap/SoapXmlWriter.h"

#include <charconv>

#include "pbx/soap/SoapTypes.h"

namespace korvi::soap {

namespace {

// Length of the well-formed UTF-8 sequence at the start of s (its code point in cp), or 0.
std::size_t Utf8SequenceLength(std::string_view s, char32_t& cp) {
    const auto c = static_cast<unsigned char>(s[0]);
    std::size_t len = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (s.size() < len) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
        (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) {
        return 0;
    }
    return len;
}

}  // namespace

SoapXmlWriter::SoapXmlWriter() {
    m_out.reserve(1024);
    m_out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<soap:Envelope xmlns:soap=\"";
    m_out += kEnvelopeNamespace;
    m_out += "\"><soap:Body>";
}

void SoapXmlWriter::OpenBodyElement(std::string_view name, std::string_view defaultNamespace) {
    m_out += '<';
    m_out += name;
    m_out += " xmlns=\"";
    AppendEscaped(m_out, defaultNamespace);
    m_out += "\">";
}

void SoapXmlWriter::Open(std::string_view name) {
    m_out += '<';
    m_out += name;
    m_out += '>';
}

void SoapXmlWriter::Close(std::string_view name) {
    m_out += "</";
    m_out += name;
    m_out += '>';
}

void SoapXmlWriter::Text(std::string_view name, std::string_view value) {
    if (value.empty()) {
        m_out += '<';
        m_out += name;
        m_out += "/>";
        return;
    }
    Open(name);
    AppendEscaped(m_out, value);
    Close(name);
}

void SoapXmlWriter::Int(std::string_view name, int32_t value) {
    char digits[16];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    // Eleven characters always fit; ec is checked only so a future type change cannot write
    // garbage.
    if (ec != std::errc()) end = digits;
    Open(name);
    m_out.append(digits, end);
    Close(name);
}

std::string SoapXmlWriter::Finish() {
    m_out += "</soap:Body></soap:Envelope>\n";
    return std::move(m_out);
}

void SoapXmlWriter::AppendEscaped(std::string& out, std::string_view value) {
    std::size_t i = 0;
    while (i < value.size()) {
        const auto c = static_cast<unsigned char>(value[i]);
        if (c < 0x80) {
            switch (c) {
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
                case '\'':
                    out += "&apos;";
                    break;
                case '\r':
                    out += "&#13;";
                    break;
                case '\t':
                case '\n':
                    out += static_cast<char>(c);
                    break;
                default:
                    if (c >= 0x20) out += static_cast<char>(c);
                    break;
            }
            ++i;
            continue;
        }
        char32_t cp = 0;
        const std::size_t len = Utf8SequenceLength(value.substr(i), cp);
        if (len == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        if (cp != 0xFFFE && cp != 0xFFFF) out.append(value.substr(i, len));
        i += len;
    }
}

}  // namespace korvi::soap
