// Card files and the mapping: parse, map, amend, parse again. Whatever the bytes, a file reads
// or fails with a reason; every card that reads can be amended with any names and numbers a
// PBX may hold, and then
//   - the file still reads, with as many cards, and only the amended card changed;
//   - the amended values read back as written, every other mapped value as it was;
//   - every line outside the mapping (and every number beyond the slots) is kept, byte for
//     byte and in its order;
//   - the same amend once more changes nothing.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ReaderChecks.h"
#include "app/XmlDocument.h"
#include "model/Contact.h"
#include "stores/outlook/VcardContact.h"
#include "stores/outlook/VcardParser.h"

namespace korvi::fuzz {

using namespace korvi::outlook;

namespace {

// The bytes after the file: a two-byte mask of the properties to change (bit 15: add a UID),
// then for each one a length byte and the value.
class AmendBytes {
public:
    explicit AmendBytes(std::string_view bytes) : m_bytes(bytes) {}
    unsigned Mask() { return static_cast<unsigned>(Byte()) | static_cast<unsigned>(Byte()) << 8; }
    // A value as it reaches the store: valid UTF-8, cleaned as every store cleans names and
    // numbers.
    std::string StoreValue() {
        const std::size_t length = std::min<std::size_t>(Byte() % 32, m_bytes.size());
        std::string v(m_bytes.substr(0, length));
        m_bytes.remove_prefix(length);
        for (std::ptrdiff_t bad; (bad = FindInvalidUtf8(v)) >= 0;) v[bad] = '?';
        CleanName(v);
        return v;
    }

private:
    unsigned char Byte() {
        if (m_bytes.empty()) return 0;
        const auto b = static_cast<unsigned char>(m_bytes.front());
        m_bytes.remove_prefix(1);
        return b;
    }
    std::string_view m_bytes;
};

bool IsRewritten(const VcardLine& line) {
    const std::string& n = line.name;
    return n == "FN" || n == "N" || n == "ORG" || n == "UID" || n == "TEL" ||
           n == kClearedSlotProperty;
}

// The lines the amend must keep: all but the mapped ones, and the numbers beyond the slots.
std::vector<std::string> KeptLines(const VcardFile& file, const VcardCard& card) {
    std::vector<TelKind> kinds;
    std::vector<ClearedSlot> cleared;
    for (const auto& line : card.lines) {
        kinds.push_back(TelKindOf(line));
        ClearedSlot c;
        if (ClearedSlotOf(line, c)) cleared.push_back(c);
    }
    const auto slots = AssignTelSlots(kinds, cleared);
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < card.lines.size(); ++i) {
        const VcardLine& line = card.lines[i];
        const bool inSlot =
            std::find(slots.begin(), slots.end(), static_cast<int>(i)) != slots.end();
        if (line.blank || line.nested || !IsRewritten(line) || (kinds[i].isTel && !inSlot))
            kept.push_back(file.text.substr(line.begin, line.end - line.begin));
    }
    return kept;
}

bool KeptInOrder(const std::vector<std::string>& kept, const VcardFile& file,
                 const VcardCard& card) {
    std::size_t next = 0;
    for (const auto& line : card.lines) {
        if (next < kept.size() &&
            file.text.compare(line.begin, line.end - line.begin, kept[next]) == 0)
            ++next;
    }
    return next == kept.size();
}

std::string Replaced(const VcardFile& file, const VcardCard& card, const std::string& cardText) {
    return file.text.substr(0, card.begin) + cardText + file.text.substr(card.end);
}

std::string AmendCard(const VcardFile& file, std::size_t k, const CardChanges& changes) {
    const VcardCard& card = file.cards[k];
    CardFields before;
    std::string error;
    if (!ReadCardFields(card, before, error))
        return error.empty() ? "a card that does not map, without a reason" : "";
    std::string cardText;
    if (!EditCard(file, card, changes, cardText, error))
        return error.empty() ? "a refused amend without a reason" : "";
    VcardFile written;
    if (!ParseVcardFile(Replaced(file, card, cardText), written, error))
        return ("the amended file does not read: " + error + "\n" + cardText);
    if (written.cards.size() != file.cards.size()) return "the amend changed the number of cards";
    const VcardCard& now = written.cards[k];
    if (!now.problem.empty()) return ("the amended card: " + now.problem + "\n" + cardText);
    CardFields after;
    if (!ReadCardFields(now, after, error)) return ("the amended card: " + error + "\n" + cardText);
    for (int p = 0; p < kContactPropertyCount; ++p) {
        const auto& want = changes.values[p];
        std::string expected = want ? *want : before.props[p];
        // Numbers are read without the blanks around them.
        if (want && p >= static_cast<int>(ContactProperty::HomeTelephoneNumber))
            expected = std::string(TrimBlanks(expected));
        if (after.props[p] != expected)
            return ("property " + std::to_string(p) + " reads [" + after.props[p] + "], written [" +
                    expected + "]\n" + written.text);
    }
    if (after.isGroup != before.isGroup) return "the amend changed the kind of card";
    if (!before.uid.empty() && after.uid != before.uid) return "the amend changed the UID";
    if (!KeptInOrder(KeptLines(file, card), written, now))
        return ("a line outside the mapping changed\n" + written.text);

    // Once more: nothing left to change.
    std::string again;
    if (!EditCard(written, now, changes, again, error))
        return "the same amend again is refused: " + error;
    if (again != written.text.substr(now.begin, now.end - now.begin))
        return ("the same amend again changed\n" + written.text + "\nto\n" + again);
    return {};
}

// The input: the card file, then (after its last NUL byte, which no card file holds) what the
// amend changes. Without that part, seeds of plain card files get one of a few fixed amends.
CardChanges Changes(std::string_view bytes) {
    CardChanges changes;
    AmendBytes amend(bytes);
    const unsigned which = amend.Mask();
    for (int p = 0; p < kContactPropertyCount; ++p)
        if (which & (1u << p)) changes.values[p] = amend.StoreValue();
    if (which & (1u << 15)) changes.addUid = "fuzz-uid";
    return changes;
}

CardChanges FixedChanges(std::size_t pick) {
    CardChanges changes;
    auto set = [&](ContactProperty p, const char* v) { changes.values[static_cast<int>(p)] = v; };
    switch (pick % 4) {
        case 0:
            set(ContactProperty::MobileTelephoneNumber, "+49 170 1234567");
            set(ContactProperty::FileAs, "Zoë Müller-Lüdenscheidt, Jr.");
            break;
        case 1:
            for (ContactProperty p : kSlotProperties) set(p, "");
            break;
        case 2:
            set(ContactProperty::HomeTelephoneNumber, "");
            set(ContactProperty::Home2TelephoneNumber, "030 222");
            set(ContactProperty::LastName, "O`Neil; \\ Jr, \\n");
            break;
        default:
            set(ContactProperty::CompanyName, "");
            set(ContactProperty::OtherTelephoneNumber, "tel:+1-418-656-9254;ext=102");
            changes.addUid = "fuzz-uid";
            break;
    }
    return changes;
}

}  // namespace

std::string CheckVcardAmend(std::string_view input) {
    const std::size_t nul = input.rfind('\0');
    const CardChanges changes =
        nul == std::string_view::npos ? FixedChanges(input.size()) : Changes(input.substr(nul + 1));
    const std::string text(nul == std::string_view::npos ? input : input.substr(0, nul));

    VcardFile file;
    std::string error;
    if (!ParseVcardFile(text, file, error))
        return error.empty() ? "a refused file without a reason" : "";
    for (std::size_t k = 0; k < file.cards.size() && k < 4; ++k) {
        if (!file.cards[k].problem.empty()) continue;
        if (std::string broken = AmendCard(file, k, changes); !broken.empty())
            return "card " + std::to_string(k + 1) + ": " + broken;
    }
    return {};
}

}  // namespace korvi::fuzz
