// The mapping between a vCard and the contact item properties of the store:
//   FileAs <-> FN; LastName, FirstName, MiddleName <-> the family, given and additional parts
//   of N; CompanyName <-> the first part of ORG; the eight number slots <-> TEL lines by type.
// An amend rewrites only the lines of these properties; every other line stays byte for byte.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "stores/outlook/ObjectModel.h"
#include "stores/outlook/VcardParser.h"

namespace korvi::outlook {

using ContactProps = std::array<std::string, kContactPropertyCount>;

struct CardFields {
    ContactProps props;
    std::string uid;       // empty when the card has none
    bool isGroup = false;  // KIND:group or X-ADDRESSBOOKSERVER-KIND:group
    bool hasFn = false;
};

// Reads the mapped properties; false with a reason when one of them cannot be decoded.
[[nodiscard]] bool ReadCardFields(const VcardCard& card, CardFields& out, std::string& error);

// What a TEL line says about its kind, as the slot assignment needs it.
struct TelKind {
    bool isTel = false;
    std::vector<std::string> types;  // lower case
};

// The slot (number type 0..7) that each TEL entry fills, or -1 for an extra number. Second
// home and work numbers carry our own x-home2 / x-work2 type, so that a lone second number
// reads back into its own slot; without the mark the second HOME (WORK) voice number is the
// second slot. The first number of each other kind fills its slot.
std::array<int, 8> AssignTelSlots(const std::vector<TelKind>& entries);

struct CardChanges {
    std::array<std::optional<std::string>, kContactPropertyCount> values;
    std::string addUid;  // a UID to add when the card has none; empty: none added
};

// The card's new text. False with a reason when a mapped value cannot be decoded.
[[nodiscard]] bool EditCard(const VcardFile& file, const VcardCard& card,
                            const CardChanges& changes, std::string& out, std::string& error);

// A new vCard 3.0 with UID, FN, N, ORG (when set), the numbers and our PRODID.
std::string NewCardText(const ContactProps& props, const std::string& uid);

}  // namespace korvi::outlook
