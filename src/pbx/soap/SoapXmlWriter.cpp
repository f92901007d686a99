#include "pbx/soap/SoapXmlWriter.h"

#include <charconv>

#include "app/Utf8.h"
#include "pbx/soap/SoapTypes.h"

namespace korvi::soap {

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
