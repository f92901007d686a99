#include "stores/outlook/VcardParser.h"

#include <cstring>

#include <fmt/format.h>

#include "app/XmlDocument.h"
#include "stores/outlook/VcardTelSlots.h"

namespace korvi::outlook {

namespace {

constexpr std::size_t npos = std::string::npos;

struct PhysLine {
    std::size_t begin;
    std::size_t contentEnd;  // before CR LF or LF
    std::size_t end;         // after the line end
};

PhysLine NextPhys(const std::string& t, std::size_t pos, std::size_t limit) {
    std::size_t nl = t.find('\n', pos);
    if (nl == npos || nl >= limit) return {pos, limit, limit};
    std::size_t contentEnd = (nl > pos && t[nl - 1] == '\r') ? nl - 1 : nl;
    return {pos, contentEnd, nl + 1};
}

bool IsBlank(std::string_view s) {
    for (char c : s)
        if (c != ' ' && c != '\t' && c != '\r') return false;
    return true;
}

std::size_t FindValueColon(std::string_view s) {
    bool quoted = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '"') {
            quoted = !quoted;
        } else if (s[i] == ':' && !quoted) {
            return i;
        }
    }
    return npos;
}

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

bool ValidName(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!IsNameChar(c)) return false;
    return true;
}

// "group.NAME;P1;P2=v" -> the line's group, name and parameters.
bool ParseHead(std::string_view head, VcardLine& line) {
    std::vector<std::string_view> tokens;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < head.size(); ++i) {
        if (head[i] == '"') {
            quoted = !quoted;
        } else if (head[i] == ';' && !quoted) {
            tokens.push_back(head.substr(start, i - start));
            start = i + 1;
        }
    }
    tokens.push_back(head.substr(start));
    // A quote left open swallows the colon: no rewrite of the line could ever be read back.
    if (quoted) return false;

    std::string_view full = TrimBlanks(tokens[0]);
    std::size_t dot = full.find('.');
    if (dot != npos) {
        line.group.assign(full.substr(0, dot));
        full = full.substr(dot + 1);
        if (!ValidName(line.group)) return false;
    }
    if (!ValidName(full)) return false;
    line.nameRaw.assign(full);
    line.name = AsciiUpper(full);

    for (std::size_t i = 1; i < tokens.size(); ++i) {
        VcardParam p;
        p.raw.assign(tokens[i]);
        std::size_t eq = tokens[i].find('=');
        if (eq == npos) {
            p.value.assign(TrimBlanks(tokens[i]));
        } else {
            p.name = AsciiUpper(TrimBlanks(tokens[i].substr(0, eq)));
            p.value.assign(TrimBlanks(tokens[i].substr(eq + 1)));
        }
        if ((p.name == "ENCODING" || p.name.empty()) && EqualsNoCase(p.value, "QUOTED-PRINTABLE"))
            line.quotedPrintable = true;
        if (p.name == "CHARSET") line.charset = p.value;
        line.params.push_back(std::move(p));
    }
    return true;
}

// The logical line's text with folds and (for quoted-printable) soft line breaks removed.
std::string Unfold(const std::string& t, std::size_t begin, std::size_t end, bool qp) {
    std::string out;
    bool first = true;
    bool prevSoft = false;
    std::size_t pos = begin;
    while (pos < end) {
        PhysLine p = NextPhys(t, pos, end);
        std::string_view content(t.data() + p.begin, p.contentEnd - p.begin);
        if (first) {
            out.append(content);
        } else if (prevSoft) {
            out.pop_back();  // the '=' of the soft line break
            out.append(content);
        } else {
            out.append(content.substr(content.empty() ? 0 : 1));
        }
        prevSoft = qp && !content.empty() && content.back() == '=';
        first = false;
        pos = p.end;
    }
    return out;
}

bool IsUtf8Charset(std::string_view charset) {
    std::string_view cs = TrimBlanks(charset);
    if (cs.size() >= 2 && cs.front() == '"' && cs.back() == '"') cs = cs.substr(1, cs.size() - 2);
    return cs.empty() || EqualsNoCase(cs, "utf-8") || EqualsNoCase(cs, "utf8") ||
           EqualsNoCase(cs, "us-ascii");
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

enum class CardEnd { Ok, Truncated };

// Reads the lines of the card whose BEGIN line starts at pos.
CardEnd ParseCard(const std::string& t, std::size_t pos, int& lineNo, VcardCard& card) {
    card.begin = pos;
    card.lineNumber = lineNo;
    int depth = 0;
    bool sawVersion = false;
    while (pos < t.size()) {
        PhysLine p = NextPhys(t, pos, t.size());
        VcardLine line;
        line.begin = pos;
        line.lineNumber = lineNo;
        std::string_view content(t.data() + p.begin, p.contentEnd - p.begin);
        if (IsBlank(content) || content.front() == ' ' || content.front() == '\t') {
            line.blank = true;
            line.end = p.end;
            ++lineNo;
            pos = p.end;
            card.lines.push_back(std::move(line));
            continue;
        }

        std::size_t colon = FindValueColon(content);
        bool headKnown = colon != npos;
        bool headOk = true;
        if (headKnown) headOk = ParseHead(content.substr(0, colon), line);

        std::size_t end = p.end;
        std::size_t lastBegin = p.begin;
        std::size_t lastContentEnd = p.contentEnd;
        ++lineNo;
        while (end < t.size()) {
            char c = t[end];
            bool soft =
                line.quotedPrintable && lastContentEnd > lastBegin && t[lastContentEnd - 1] == '=';
            bool fold = (c == ' ' || c == '\t');
            if (!fold && !soft) break;
            // A stray '=' at the end of the last value must not swallow the card's end.
            if (soft && !fold && StartsWithNoCase(std::string_view(t).substr(end), "END:VCARD"))
                break;
            PhysLine q = NextPhys(t, end, t.size());
            lastBegin = q.begin;
            lastContentEnd = q.contentEnd;
            end = q.end;
            ++lineNo;
        }
        line.end = end;

        std::string unfolded;
        bool haveUnfolded = false;
        if (!headKnown) {
            unfolded = Unfold(t, line.begin, line.end, false);
            haveUnfolded = true;
            colon = FindValueColon(unfolded);
            // A line without a colon (an old writer's bare "FN") has a name and no value.
            headOk = ParseHead(colon == npos ? std::string_view(unfolded)
                                             : std::string_view(unfolded).substr(0, colon),
                               line);
        }
        if (!headOk) {
            if (card.problem.empty())
                card.problem = fmt::format("malformed line {}", line.lineNumber);
        } else if (IsMappedProperty(line.name) || line.name == "BEGIN" || line.name == "END" ||
                   line.name == "VERSION") {
            if (!haveUnfolded) {
                unfolded = Unfold(t, line.begin, line.end, line.quotedPrintable);
                haveUnfolded = true;
                colon = FindValueColon(unfolded);
            }
            if (colon != npos) line.value = unfolded.substr(colon + 1);
            line.hasValue = true;
        }

        if (card.problem.empty() && IsUtf8Charset(line.charset) &&
            FindInvalidUtf8(std::string_view(t).substr(line.begin, line.end - line.begin)) >= 0) {
            // A fold may split a multi-byte character: only the unfolded text must be valid.
            if (!haveUnfolded) unfolded = Unfold(t, line.begin, line.end, line.quotedPrintable);
            if (FindInvalidUtf8(unfolded) >= 0)
                card.problem = fmt::format("invalid UTF-8 in line {}", line.lineNumber);
        }

        pos = end;
        const bool isBegin = line.name == "BEGIN" && EqualsNoCase(TrimBlanks(line.value), "VCARD");
        const bool isEnd = line.name == "END" && EqualsNoCase(TrimBlanks(line.value), "VCARD");
        if (line.name == "VERSION" && depth == 1 && !sawVersion) {
            sawVersion = true;
            std::string_view v = TrimBlanks(line.value);
            if (v == "2.1") {
                card.dialect = VcardDialect::V21;
            } else if (v == "3.0") {
                card.dialect = VcardDialect::V30;
            } else if (v == "4.0") {
                card.dialect = VcardDialect::V40;
            } else if (card.problem.empty()) {
                card.problem = fmt::format("unsupported vCard version {}", v);
            }
        }
        line.nested = isBegin ? depth >= 1 : depth > 1;
        card.lines.push_back(std::move(line));
        if (isBegin) {
            if (depth == 0) {
                std::string_view eol(t.data() + p.contentEnd, p.end - p.contentEnd);
                card.eol = eol.empty() ? "\r\n" : std::string(eol);
            }
            ++depth;
        } else if (isEnd) {
            if (--depth == 0) {
                card.end = end;
                return CardEnd::Ok;
            }
        }
    }
    return CardEnd::Truncated;
}

}  // namespace

std::vector<std::string> VcardLine::Types() const {
    std::vector<std::string> types;
    for (const auto& p : params) {
        if (!p.name.empty() && p.name != "TYPE") continue;
        std::string_view v = p.value;
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
        std::size_t start = 0;
        while (start <= v.size()) {
            std::size_t comma = v.find(',', start);
            std::string_view item =
                TrimBlanks(v.substr(start, comma == npos ? npos : comma - start));
            if (item.size() >= 2 && item.front() == '"' && item.back() == '"')
                item = item.substr(1, item.size() - 2);
            if (!item.empty()) types.push_back(AsciiLower(item));
            if (comma == npos) break;
            start = comma + 1;
        }
    }
    return types;
}

bool IsMappedProperty(std::string_view n) {
    return n == "FN" || n == "N" || n == "ORG" || n == "TEL" || n == "UID" || n == "KIND" ||
           n == "X-ADDRESSBOOKSERVER-KIND" || n == kClearedSlotProperty;
}

bool ParseVcardFile(std::string text, VcardFile& file, std::string& error) {
    file.cards.clear();
    file.text = std::move(text);
    const std::string& t = file.text;
    if (t.empty()) {
        error = "empty file";
        return false;
    }
    if (std::memchr(t.data(), '\0', t.size()) != nullptr) {
        error = "binary data, not a vCard";
        return false;
    }
    std::size_t pos = 0;
    if (t.size() >= 3 && t.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
    int lineNo = 1;
    while (pos < t.size()) {
        PhysLine p = NextPhys(t, pos, t.size());
        std::string_view content(t.data() + p.begin, p.contentEnd - p.begin);
        if (IsBlank(content)) {
            pos = p.end;
            ++lineNo;
            continue;
        }
        std::size_t colon = FindValueColon(content);
        bool isBegin = colon != npos &&
                       EqualsNoCase(TrimBlanks(content.substr(0, colon)), "BEGIN") &&
                       EqualsNoCase(TrimBlanks(content.substr(colon + 1)), "VCARD");
        if (!isBegin) {
            error = file.cards.empty()
                        ? fmt::format("not a vCard: no BEGIN:VCARD at line {}", lineNo)
                        : fmt::format("unexpected text after a card at line {}", lineNo);
            return false;
        }
        VcardCard card;
        int startLine = lineNo;
        if (ParseCard(t, pos, lineNo, card) == CardEnd::Truncated) {
            error = fmt::format("truncated: the card at line {} has no END:VCARD", startLine);
            return false;
        }
        pos = card.end;
        file.cards.push_back(std::move(card));
    }
    if (file.cards.empty()) {
        error = "empty file";
        return false;
    }
    return true;
}

bool DecodeLineValue(const VcardLine& line, std::string& out, std::string& error) {
    std::string bytes = line.quotedPrintable ? DecodeQuotedPrintable(line.value) : line.value;
    if (!line.charset.empty()) {
        std::string converted;
        if (!ConvertToUtf8(line.charset, bytes, converted, error)) return false;
        bytes = std::move(converted);
    }
    if (FindInvalidUtf8(bytes) >= 0) {
        error = fmt::format("invalid UTF-8 in line {}", line.lineNumber);
        return false;
    }
    out = std::move(bytes);
    return true;
}

}  // namespace korvi::outlook
