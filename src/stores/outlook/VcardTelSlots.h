// Which TEL line of a card fills which of the eight number slots (Home1 .. Fax_Bus), and the
// marks that keep that assignment stable from one write to the next.
//
// A card may hold more numbers of a kind than there are slots (two CELL lines, a PAGER next to
// a voice line, a third HOME line). The extra lines stay out of the sync. When a sync empties a
// slot while such a line would move up into it, the card gets a line of our own,
// "X-KORVI-CLEARED:<slot> <fingerprint of the line kept out>", so that the slot reads as
// cleared the next time and the extra line stays where it was. Other programs ignore X- lines;
// once the line it names is gone (or its number changed), the mark no longer applies.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace korvi::outlook {

struct VcardLine;

inline constexpr char kClearedSlotProperty[] = "X-KORVI-CLEARED";

// What a TEL line says about its kind, as the slot assignment needs it.
struct TelKind {
    bool isTel = false;
    std::vector<std::string> types;  // lower case
    std::string rawValue;            // the unfolded value as written, for fingerprints
};

// A slot kept empty for the line whose value has this fingerprint.
struct ClearedSlot {
    int slot = -1;
    std::string fingerprint;
    bool operator==(const ClearedSlot&) const = default;
};

// The slot (number type 0..7) that each TEL entry fills, or -1 for an extra number. Second
// home and work numbers carry our own x-home2 / x-work2 type, so that a lone second number
// reads back into its own slot; without the mark the second HOME (WORK) voice number is the
// second slot. The first number of each other kind fills its slot. A cleared slot is not
// filled by the line it names.
std::array<int, 8> AssignTelSlots(const std::vector<TelKind>& entries,
                                  const std::vector<ClearedSlot>& cleared = {});

// The kind of a card's line: not a TEL (isTel false) for any other line and for lines of a card
// nested in this one.
TelKind TelKindOf(const VcardLine& line);
// A cleared-slot line of ours; false for any other line.
[[nodiscard]] bool ClearedSlotOf(const VcardLine& line, ClearedSlot& out);

// A short, stable fingerprint of a TEL line's value.
std::string TelFingerprint(std::string_view rawValue);
// The value of a cleared-slot line, and its reading (false for a value we did not write).
std::string ClearedSlotValue(const ClearedSlot& cleared);
[[nodiscard]] bool ParseClearedSlot(std::string_view value, ClearedSlot& out);

// Whether the TEL types name the second home (work) slot by our mark.
bool HasSecondSlotMark(const std::vector<std::string>& types, int slot);
// The mark of the second home (work) slot: "x-home2" or "x-work2".
std::string_view SecondSlotMark(int slot);

// The TYPE values a new line of the slot is written with, in 3.0 ("home,voice") and in 2.1
// form ("HOME;VOICE").
const char* SlotTypes30(int slot);
const char* SlotTypes21(int slot);
std::vector<std::string> SlotTypeList(int slot);

// The number a decoded TEL value holds: text unescaped, a tel: URI without its scheme.
std::string TelNumber(std::string_view decoded);
// What a number is written as (before escaping): with the tel: scheme on a URI line, and also
// when the number itself begins with "tel:", since reading takes one scheme away.
std::string TelValueText(std::string_view number, bool uriLine);

}  // namespace korvi::outlook
