// Reads a .vcf file into its cards and content lines without losing a byte: every line keeps
// its place in the file text (folding and line ends included), so that a card can be written
// back with only the lines we change replaced.
//
// Why a parser of our own: the vCard libraries this system offers either read 4.0 only, pull
// in a second GUI toolkit or about a hundred packages, and none of them hands back the lines
// it does not understand byte for byte, which an amend must keep.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "stores/outlook/VcardText.h"

namespace korvi::outlook {

struct VcardParam {
    std::string name;   // upper case; empty for a bare 2.1 value such as HOME
    std::string raw;    // as written: "TYPE=HOME", "HOME", "X-COUCHDB-UUID=\"...\""
    std::string value;  // the text after '=' (quotes kept), or the bare value
};

struct VcardLine {
    std::size_t begin = 0;  // byte range in the file text, line end(s) included
    std::size_t end = 0;
    int lineNumber = 0;   // physical line number in the file, from 1
    bool blank = false;   // an empty or stray line, kept but not read
    bool nested = false;  // inside a card embedded in this one (a 2.1 AGENT)
    std::string group;    // "item1" of "item1.TEL", as written
    std::string nameRaw;  // as written ("Note")
    std::string name;     // upper case
    std::vector<VcardParam> params;
    bool quotedPrintable = false;
    std::string charset;  // CHARSET parameter, as written
    // The unfolded value (still encoded), kept only for the properties the store reads.
    std::string value;
    bool hasValue = false;

    // The TYPE values in lower case: TYPE=a,b and TYPE="a,b" lists, and bare 2.1 values.
    std::vector<std::string> Types() const;
};

struct VcardCard {
    std::size_t begin = 0;  // from BEGIN:VCARD to the end of the END:VCARD line
    std::size_t end = 0;
    int lineNumber = 0;
    std::vector<VcardLine> lines;  // BEGIN and END included
    VcardDialect dialect = VcardDialect::V21;
    std::string eol = "\r\n";  // the card's own line end, for lines we add
    // Not empty when the card cannot be read (invalid UTF-8, a malformed line): it is left
    // alone, neither loaded nor rewritten.
    std::string problem;
};

struct VcardFile {
    std::string text;
    std::vector<VcardCard> cards;
};

// Larger files are refused before they are read into memory.
inline constexpr std::size_t kMaxVcardFileBytes = 64u << 20;

// Splits text into cards. False, with a reason, when the file as a whole is not a vCard file
// (empty, binary, truncated, text outside the cards); a problem of one card is recorded in
// that card.
[[nodiscard]] bool ParseVcardFile(std::string text, VcardFile& file, std::string& error);

// The line's value as UTF-8 text, still escaped: unfolded, quoted-printable decoded and
// converted from its character set. False with a reason when it cannot be decoded.
[[nodiscard]] bool DecodeLineValue(const VcardLine& line, std::string& out, std::string& error);

// The properties whose values the parser keeps.
bool IsMappedProperty(std::string_view upperName);

}  // namespace korvi::outlook
