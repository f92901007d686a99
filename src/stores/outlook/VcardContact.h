// The mapping between a vCard and the contact item properties of the store:
//   FileAs <-> FN; LastName, FirstName, MiddleName <-> the family, given and additional parts
//   of N; CompanyName <-> the first part of ORG; the eight number slots <-> TEL lines by type.
// An amend rewrites only the lines of these properties; every other line stays byte for byte.
//
// The functions work on a card's text alone (no folder, no file), so that any store of vCards
// (a folder of .vcf files, a CardDAV collection) maps cards the same way.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "stores/outlook/ObjectModel.h"
#include "stores/outlook/VcardParser.h"
#include "stores/outlook/VcardTelSlots.h"

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

struct CardChanges {
    std::array<std::optional<std::string>, kContactPropertyCount> values;
    std::string addUid;  // a UID to add when the card has none; empty: none added
};

// The card's new text. False with a reason when a mapped value cannot be decoded. Slots that
// the changes do not name read back as they were, emptied slots read back empty.
[[nodiscard]] bool EditCard(const VcardFile& file, const VcardCard& card,
                            const CardChanges& changes, std::string& out, std::string& error);

// The same for a text that holds exactly one card (a CardDAV resource, a one-card file).
[[nodiscard]] bool ReadSingleCard(std::string text, CardFields& out, std::string& error);
[[nodiscard]] bool EditSingleCard(std::string text, const CardChanges& changes, std::string& out,
                                  std::string& error);

// A new vCard 3.0 with UID, FN, N, ORG (when set), the numbers and our PRODID.
std::string NewCardText(const ContactProps& props, const std::string& uid);

}  // namespace korvi::outlook
