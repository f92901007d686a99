// Writes a SOAP envelope as compact UTF-8 text. The service elements get a default namespace
// declaration on the body element, so every descendant is qualified without a prefix.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvi::soap {

class SoapXmlWriter {
public:
    // Starts the document: declaration, Envelope and Body (prefix "soap").
    SoapXmlWriter();

    // The body element, declaring the service namespace as the default namespace.
    void OpenBodyElement(std::string_view name, std::string_view defaultNamespace);
    void Open(std::string_view name);
    void Close(std::string_view name);
    void Text(std::string_view name, std::string_view value);
    void Int(std::string_view name, int32_t value);

    // Closes Body and Envelope and hands over the text.
    std::string Finish();

    // Appends value as element text: the five special characters as entities, CR as a
    // character reference (a parser would turn a raw CR into LF), and what XML 1.0 cannot
    // carry at all replaced (bytes that are not UTF-8 -> U+FFFD) or dropped (control
    // characters other than tab, LF and CR; U+FFFE, U+FFFF).
    static void AppendEscaped(std::string& out, std::string_view value);

private:
    std::string m_out;
};

}  // namespace korvi::soap
