#include "stores/outlook/VcardText.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace korvi::outlook {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsUtf8Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

std::string AsciiUpper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = UpperAscii(c);
    return out;
}

std::string AsciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = LowerAscii(c);
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::string DecodeQuotedPrintable(std::string_view in) {
    std::string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '=' && i + 2 < in.size()) {
            int hi = HexValue(in[i + 1]);
            int lo = HexValue(in[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        out.push_back(in[i]);
    }
    return out;
}

std::string EncodeQuotedPrintable(std::string_view in) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(in.size() * 3);
    for (char ch : in) {
        auto c = static_cast<unsigned char>(ch);
        if (c >= 33 && c <= 126 && c != '=') {
            out.push_back(ch);
        } else if (c == ' ') {
            out.push_back(' ');
        } else {
            out.push_back('=');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    // A blank at the very end would be taken for padding by some readers.
    if (!out.empty() && out.back() == ' ') {
        out.pop_back();
        out += "=20";
    }
    return out;
}

bool ConvertToUtf8(std::string_view charset, std::string_view in, std::string& out,
                   std::string& error) {
    std::string set = AsciiLower(TrimBlanks(charset));
    if (set.size() >= 2 && set.front() == '"' && set.back() == '"')
        set = set.substr(1, set.size() - 2);
    if (set.empty() || set == "utf-8" || set == "utf8" || set == "us-ascii" || set == "ascii") {
        out.assign(in);
        return true;
    }
    iconv_t cd = ::iconv_open("UTF-8", set.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        error = "unknown character set " + std::string(charset);
        return false;
    }
    std::string result;
    result.resize(in.size() * 4 + 16);
    std::string input(in);
    char* inPtr = input.data();
    std::size_t inLeft = input.size();
    char* outPtr = result.data();
    std::size_t outLeft = result.size();
    bool ok = true;
    while (inLeft > 0) {
        std::size_t rc = ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        if (rc == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) {
                std::size_t used = result.size() - outLeft;
                result.resize(result.size() * 2);
                outPtr = result.data() + used;
                outLeft = result.size() - used;
                continue;
            }
            error =
                "text does not convert from " + std::string(charset) + ": " + std::strerror(errno);
            ok = false;
            break;
        }
    }
    if (ok && ::iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
        error = "text does not convert from " + std::string(charset);
        ok = false;
    }
    ::iconv_close(cd);
    if (!ok) return false;
    result.resize(result.size() - outLeft);
    out = std::move(result);
    return true;
}

std::vector<std::string> SplitComponents(std::string_view value) {
    std::vector<std::string> parts;
    std::string current;
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            current.push_back(c);
            current.push_back(value[++i]);
        } else if (c == ';') {
            parts.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    parts.push_back(std::move(current));
    return parts;
}

std::string UnescapeText(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            char n = value[i + 1];
            switch (n) {
                case '\\':
                case ',':
                case ';':
                case ':':
                    out.push_back(n);
                    ++i;
                    continue;
                case 'n':
                case 'N':
                    out.push_back('\n');
                    ++i;
                    continue;
                default:
                    break;
            }
        }
        out.push_back(c);
    }
    return out;
}

std::string EscapeText(std::string_view text, VcardDialect dialect, bool structured) {
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (dialect == VcardDialect::V21) {
            // 2.1 escapes little, but a backslash that a reader would take for the start of an
            // escape ("C:\new") must come back as itself: it is doubled. A lone one ("C:\temp")
            // stays as older readers expect it.
            const bool escapes = c == '\\' && (i + 1 == text.size() ||
                                               std::string_view("\\,;:nN").find(text[i + 1]) !=
                                                   std::string_view::npos);
            if ((c == ';' && structured) || escapes) out.push_back('\\');
            out.push_back(c);
            continue;
        }
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case ',':
                out += "\\,";
                break;
            case ';':
                out += "\\;";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

std::string FoldLine(std::string_view line, VcardDialect dialect, std::string_view eol) {
    constexpr std::size_t kMaxOctets = 75;
    std::string out;
    if (dialect == VcardDialect::V21 || line.size() <= kMaxOctets) {
        out.assign(line);
        out.append(eol);
        return out;
    }
    std::size_t pos = 0;
    bool first = true;
    while (pos < line.size()) {
        // A continuation line starts with the folding blank, which counts against its length.
        std::size_t room = first ? kMaxOctets : kMaxOctets - 1;
        std::size_t cut = std::min(line.size(), pos + room);
        while (cut < line.size() && cut > pos + 1 &&
               IsUtf8Continuation(static_cast<unsigned char>(line[cut])))
            --cut;
        if (!first) out.push_back(' ');
        out.append(line.substr(pos, cut - pos));
        out.append(eol);
        pos = cut;
        first = false;
    }
    return out;
}

}  // namespace korvi::outlook
