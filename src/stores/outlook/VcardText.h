// The value codings of vCard text: quoted-printable, character sets, backslash escapes,
// structured values and line folding.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvi::outlook {

// Decodes quoted-printable (soft line breaks already joined). A '=' not followed by two hex
// digits is kept as it stands, as lenient readers do.
std::string DecodeQuotedPrintable(std::string_view in);
// Encodes every byte outside printable ASCII and '=' itself; no soft line breaks.
std::string EncodeQuotedPrintable(std::string_view in);

// Converts text in the named character set to UTF-8. UTF-8 and US-ASCII pass unchanged.
// False with a reason when the set is unknown or the text does not convert.
[[nodiscard]] bool ConvertToUtf8(std::string_view charset, std::string_view in, std::string& out,
                                 std::string& error);

// Splits a structured value (N, ORG, ADR) at its unescaped semicolons; the parts keep their
// escapes.
std::vector<std::string> SplitComponents(std::string_view value);
// Undoes the backslash escapes of a text value: \\ \, \; \: and \n or \N (a line break).
// A backslash before any other character stays, since older writers did not escape it.
std::string UnescapeText(std::string_view value);

enum class VcardDialect { V21, V30, V40 };

// Escapes text for a value of the dialect. 3.0 and 4.0 escape backslash, comma, semicolon and
// line breaks; 2.1 escapes the semicolon inside structured values, and doubles a backslash
// that UnescapeText would otherwise read as the start of an escape.
std::string EscapeText(std::string_view text, VcardDialect dialect, bool structured);

// Folds a content line (without its line end) at 75 octets for 3.0 and 4.0, never inside a
// UTF-8 sequence; appends eol after each piece. 2.1 lines are not folded.
std::string FoldLine(std::string_view line, VcardDialect dialect, std::string_view eol);

std::string AsciiUpper(std::string_view s);
std::string AsciiLower(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
std::string_view TrimBlanks(std::string_view s);

}  // namespace korvi::outlook
