#include "stores/outlook/VcardTelSlots.h"

#include <algorithm>
#include <cstdint>

#include <fmt/format.h>

#include "model/Contact.h"
#include "stores/outlook/VcardParser.h"
#include "stores/outlook/VcardText.h"

namespace korvi::outlook {

namespace {

constexpr char kHome2Mark[] = "x-home2";
constexpr char kWork2Mark[] = "x-work2";

enum class TelClass { None, Home, Work, Cell, Other, FaxHome, FaxBus };

bool Has(const std::vector<std::string>& types, std::string_view v) {
    return std::find(types.begin(), types.end(), v) != types.end();
}

TelClass Classify(const std::vector<std::string>& types, bool& marked) {
    const bool home2 = Has(types, kHome2Mark);
    const bool work2 = Has(types, kWork2Mark);
    const bool home = home2 || Has(types, "home");
    const bool work = work2 || Has(types, "work");
    marked = false;
    if (Has(types, "fax")) {
        if (home) return TelClass::FaxHome;
        if (work) return TelClass::FaxBus;
        return TelClass::None;  // a fax of no kind has no slot of its own
    }
    if (Has(types, "cell")) return TelClass::Cell;
    if (home) {
        marked = home2;
        return TelClass::Home;
    }
    if (work) {
        marked = work2;
        return TelClass::Work;
    }
    return TelClass::Other;
}

// The slots a line of the class may fill, in the order it tries them.
std::vector<int> CandidateSlots(TelClass c, bool marked) {
    switch (c) {
        case TelClass::Home:
            return marked ? std::vector<int>{kHome2} : std::vector<int>{kHome1, kHome2};
        case TelClass::Work:
            return marked ? std::vector<int>{kBus2} : std::vector<int>{kBus1, kBus2};
        case TelClass::Cell:
            return {kMob};
        case TelClass::Other:
            return {kOther};
        case TelClass::FaxHome:
            return {kFaxHome};
        case TelClass::FaxBus:
            return {kFaxBus};
        case TelClass::None:
            break;
    }
    return {};
}

int SlotByName(std::string_view name) {
    for (int s = kHome1; s <= kFaxBus; ++s)
        if (name == NumberTypeName(s)) return s;
    return -1;
}

}  // namespace

std::array<int, 8> AssignTelSlots(const std::vector<TelKind>& entries,
                                  const std::vector<ClearedSlot>& cleared) {
    std::array<int, 8> slots;
    slots.fill(-1);
    std::vector<std::string> fingerprints(entries.size());
    if (!cleared.empty())
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (entries[i].isTel) fingerprints[i] = TelFingerprint(entries[i].rawValue);
    auto keptOut = [&](int slot, std::size_t i) {
        return std::any_of(cleared.begin(), cleared.end(), [&](const ClearedSlot& c) {
            return c.slot == slot && c.fingerprint == fingerprints[i];
        });
    };
    // Marked lines first: a marked second number keeps its slot even when it comes before an
    // unmarked first one.
    for (bool markedPass : {true, false}) {
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (!entries[i].isTel) continue;
            bool marked = false;
            const TelClass c = Classify(entries[i].types, marked);
            if (marked != markedPass) continue;
            for (int slot : CandidateSlots(c, marked)) {
                if (slots[slot] >= 0 || keptOut(slot, i)) continue;
                slots[slot] = static_cast<int>(i);
                break;
            }
        }
    }
    return slots;
}

TelKind TelKindOf(const VcardLine& line) {
    TelKind kind;
    if (line.blank || line.nested || line.name != "TEL") return kind;
    kind.isTel = true;
    kind.types = line.Types();
    kind.rawValue = line.value;
    return kind;
}

bool ClearedSlotOf(const VcardLine& line, ClearedSlot& out) {
    if (line.blank || line.nested || line.name != kClearedSlotProperty) return false;
    return ParseClearedSlot(line.value, out);
}

std::string TelFingerprint(std::string_view rawValue) {
    std::uint32_t h = 2166136261u;
    for (unsigned char c : TrimBlanks(rawValue)) h = (h ^ c) * 16777619u;
    return fmt::format("{:08x}", h);
}

std::string ClearedSlotValue(const ClearedSlot& cleared) {
    return std::string(NumberTypeName(cleared.slot)) + " " + cleared.fingerprint;
}

bool ParseClearedSlot(std::string_view value, ClearedSlot& out) {
    value = TrimBlanks(value);
    const std::size_t blank = value.find(' ');
    if (blank == std::string_view::npos) return false;
    const int slot = SlotByName(value.substr(0, blank));
    const std::string_view fingerprint = TrimBlanks(value.substr(blank + 1));
    if (slot < 0 || fingerprint.size() != 8) return false;
    out.slot = slot;
    out.fingerprint = std::string(fingerprint);
    return true;
}

bool HasSecondSlotMark(const std::vector<std::string>& types, int slot) {
    return Has(types, SecondSlotMark(slot));
}

std::string_view SecondSlotMark(int slot) { return slot == kHome2 ? kHome2Mark : kWork2Mark; }

const char* SlotTypes30(int slot) {
    switch (slot) {
        case kHome1:
            return "home,voice";
        case kHome2:
            return "home,voice,x-home2";
        case kBus1:
            return "work,voice";
        case kBus2:
            return "work,voice,x-work2";
        case kMob:
            return "cell";
        case kOther:
            return "voice";
        case kFaxHome:
            return "home,fax";
        default:
            return "work,fax";
    }
}

const char* SlotTypes21(int slot) {
    switch (slot) {
        case kHome1:
            return "HOME;VOICE";
        case kHome2:
            return "HOME;VOICE;X-HOME2";
        case kBus1:
            return "WORK;VOICE";
        case kBus2:
            return "WORK;VOICE;X-WORK2";
        case kMob:
            return "CELL;VOICE";
        case kOther:
            return "VOICE";
        case kFaxHome:
            return "HOME;FAX";
        default:
            return "WORK;FAX";
    }
}

std::vector<std::string> SlotTypeList(int slot) {
    std::vector<std::string> out;
    std::string_view all = SlotTypes30(slot);
    std::size_t start = 0;
    while (true) {
        std::size_t comma = all.find(',', start);
        out.emplace_back(
            all.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return out;
}

namespace {
bool HasTelScheme(std::string_view v) {
    return v.size() >= 4 && EqualsNoCase(v.substr(0, 4), "tel:");
}
}  // namespace

std::string TelNumber(std::string_view decoded) {
    std::string s = UnescapeText(decoded);
    std::string_view v = TrimBlanks(s);
    if (HasTelScheme(v)) v.remove_prefix(4);
    return std::string(v);
}

std::string TelValueText(std::string_view number, bool uriLine) {
    if (uriLine || HasTelScheme(TrimBlanks(number))) return "tel:" + std::string(number);
    return std::string(number);
}

}  // namespace korvi::outlook
