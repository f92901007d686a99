#include "stores/outlook/VcardContact.h"

#include <algorithm>

#include "app/Texts.h"

namespace korvi::outlook {

namespace {

enum Slot {
    kSlotHome1,
    kSlotHome2,
    kSlotBus1,
    kSlotBus2,
    kSlotMob,
    kSlotOther,
    kSlotFaxHome,
    kSlotFaxBus
};

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

const char* SlotTypes3(int slot) {
    switch (slot) {
        case kSlotHome1:
            return "home,voice";
        case kSlotHome2:
            return "home,voice,x-home2";
        case kSlotBus1:
            return "work,voice";
        case kSlotBus2:
            return "work,voice,x-work2";
        case kSlotMob:
            return "cell";
        case kSlotOther:
            return "voice";
        case kSlotFaxHome:
            return "home,fax";
        default:
            return "work,fax";
    }
}

const char* SlotTypes21(int slot) {
    switch (slot) {
        case kSlotHome1:
            return "HOME;VOICE";
        case kSlotHome2:
            return "HOME;VOICE;X-HOME2";
        case kSlotBus1:
            return "WORK;VOICE";
        case kSlotBus2:
            return "WORK;VOICE;X-WORK2";
        case kSlotMob:
            return "CELL;VOICE";
        case kSlotOther:
            return "VOICE";
        case kSlotFaxHome:
            return "HOME;FAX";
        default:
            return "WORK;FAX";
    }
}

std::vector<std::string> SlotTypeList(int slot) {
    std::vector<std::string> out;
    std::string_view all = SlotTypes3(slot);
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

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

// The number a TEL value holds: text unescaped, a tel: URI without its scheme.
std::string TelNumber(std::string_view decoded) {
    std::string s = UnescapeText(decoded);
    std::string_view v = TrimBlanks(s);
    if (StartsWithNoCase(v, "tel:")) v.remove_prefix(4);
    return std::string(v);
}

bool IsUriTel(const VcardLine& line, std::string_view decoded) {
    for (const auto& p : line.params)
        if (p.name == "VALUE" && EqualsNoCase(p.value, "uri")) return true;
    return StartsWithNoCase(TrimBlanks(decoded), "tel:");
}

bool IsQpParam(const VcardParam& p) {
    return (p.name == "ENCODING" || p.name.empty()) && EqualsNoCase(p.value, "QUOTED-PRINTABLE");
}

// The parameters of a line we rewrite: all but the ones that describe the old coding.
std::vector<VcardParam> KeptParams(const VcardLine& line) {
    std::vector<VcardParam> kept;
    for (const auto& p : line.params)
        if (p.name != "CHARSET" && !IsQpParam(p)) kept.push_back(p);
    return kept;
}

void AddTypeMark(std::vector<VcardParam>& params, VcardDialect dialect, std::string_view mark) {
    if (dialect == VcardDialect::V21) {
        VcardParam p;
        p.value = AsciiUpper(mark);
        p.raw = p.value;
        params.push_back(std::move(p));
        return;
    }
    for (auto& p : params) {
        if (p.name != "TYPE") continue;
        std::size_t eq = p.raw.find('=');
        std::string value = p.raw.substr(eq + 1);
        const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
        if (quoted) value.pop_back();
        value += ',';
        value.append(mark);
        if (quoted) value += '"';
        p.raw = p.raw.substr(0, eq + 1) + value;
        p.value = value;
        return;
    }
    VcardParam p;
    p.name = "TYPE";
    p.value = std::string(mark);
    p.raw = "TYPE=" + p.value;
    params.push_back(std::move(p));
}

bool HasNonAscii(std::string_view s) {
    return std::any_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// Soft line breaks of quoted-printable, never inside an =XX escape of the value.
std::string WrapQuotedPrintable(std::string_view line, std::size_t valueStart,
                                std::string_view eol) {
    constexpr std::size_t kMax = 75;
    std::string out;
    std::size_t col = 0;
    std::size_t i = 0;
    while (i < line.size()) {
        std::size_t len = (i >= valueStart && line[i] == '=' && i + 2 < line.size()) ? 3 : 1;
        len = std::min(len, line.size() - i);
        if (i >= valueStart && col + len > kMax) {
            out += '=';
            out.append(eol);
            col = 0;
        }
        out.append(line.substr(i, len));
        col += len;
        i += len;
    }
    out.append(eol);
    return out;
}

// A content line: group, name, parameters and the value in its escaped form, coded for the
// dialect (2.1 names UTF-8 text in CHARSET and keeps quoted-printable where it was used).
std::string BuildLine(std::string_view group, std::string_view name,
                      const std::vector<VcardParam>& params, std::string_view value,
                      VcardDialect dialect, std::string_view eol, bool quotedPrintable) {
    std::string head;
    if (!group.empty()) {
        head.append(group);
        head += '.';
    }
    head.append(name);
    for (const auto& p : params) {
        head += ';';
        head += p.raw;
    }
    if (dialect == VcardDialect::V21) {
        if (HasNonAscii(value)) head += ";CHARSET=UTF-8";
        if (quotedPrintable) {
            head += ";ENCODING=QUOTED-PRINTABLE:";
            std::size_t valueStart = head.size();
            return WrapQuotedPrintable(head + EncodeQuotedPrintable(value), valueStart, eol);
        }
        return head + ":" + std::string(value) + std::string(eol);
    }
    return FoldLine(head + ":" + std::string(value), dialect, eol);
}

std::string JoinComponents(const std::vector<std::string>& parts) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) out += ';';
        out += parts[i];
    }
    return out;
}

struct Edit {
    const VcardLine* src = nullptr;  // null for an added line
    int anchor = 0;                  // an added line goes before the original line of this index
    bool changed = false;
    bool removed = false;
    std::string text;  // the new text of a changed or added line
    TelKind tel;
    // TEL lines: what a rewrite with a type mark needs.
    std::vector<VcardParam> params;
    std::string escValue;
    bool qp = false;
};

}  // namespace

std::array<int, 8> AssignTelSlots(const std::vector<TelKind>& entries) {
    std::array<int, 8> slots;
    slots.fill(-1);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i].isTel) continue;
        bool marked = false;
        TelClass c = Classify(entries[i].types, marked);
        if (!marked) continue;
        int slot = c == TelClass::Home ? kSlotHome2 : kSlotBus2;
        if (slots[slot] < 0) slots[slot] = static_cast<int>(i);
    }
    auto takeFirst = [&](int slot, std::size_t i) {
        if (slots[slot] < 0) slots[slot] = static_cast<int>(i);
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i].isTel) continue;
        bool marked = false;
        TelClass c = Classify(entries[i].types, marked);
        switch (c) {
            case TelClass::Home:
            case TelClass::Work: {
                if (marked) break;
                int first = c == TelClass::Home ? kSlotHome1 : kSlotBus1;
                int second = c == TelClass::Home ? kSlotHome2 : kSlotBus2;
                if (slots[first] < 0) {
                    slots[first] = static_cast<int>(i);
                } else {
                    takeFirst(second, i);
                }
                break;
            }
            case TelClass::Cell:
                takeFirst(kSlotMob, i);
                break;
            case TelClass::Other:
                takeFirst(kSlotOther, i);
                break;
            case TelClass::FaxHome:
                takeFirst(kSlotFaxHome, i);
                break;
            case TelClass::FaxBus:
                takeFirst(kSlotFaxBus, i);
                break;
            case TelClass::None:
                break;
        }
    }
    return slots;
}

bool ReadCardFields(const VcardCard& card, CardFields& out, std::string& error) {
    out = CardFields{};
    bool haveN = false, haveOrg = false, haveUid = false;
    std::vector<TelKind> tels(card.lines.size());
    std::string v;
    auto prop = [&](ContactProperty p) -> std::string& { return out.props[static_cast<int>(p)]; };
    for (std::size_t i = 0; i < card.lines.size(); ++i) {
        const VcardLine& line = card.lines[i];
        if (line.blank || line.nested || !line.hasValue) continue;
        const std::string& n = line.name;
        if (n == "TEL") {
            tels[i].isTel = true;
            tels[i].types = line.Types();
            continue;
        }
        if ((n == "FN" && out.hasFn) || (n == "N" && haveN) || (n == "ORG" && haveOrg) ||
            (n == "UID" && haveUid))
            continue;
        if (n != "FN" && n != "N" && n != "ORG" && n != "UID" && n != "KIND" &&
            n != "X-ADDRESSBOOKSERVER-KIND")
            continue;
        if (!DecodeLineValue(line, v, error)) return false;
        if (n == "FN") {
            out.hasFn = true;
            prop(ContactProperty::FileAs) = UnescapeText(v);
        } else if (n == "N") {
            haveN = true;
            auto parts = SplitComponents(v);
            parts.resize(std::max<std::size_t>(parts.size(), 3));
            prop(ContactProperty::LastName) = UnescapeText(parts[0]);
            prop(ContactProperty::FirstName) = UnescapeText(parts[1]);
            prop(ContactProperty::MiddleName) = UnescapeText(parts[2]);
        } else if (n == "ORG") {
            haveOrg = true;
            prop(ContactProperty::CompanyName) = UnescapeText(SplitComponents(v)[0]);
        } else if (n == "UID") {
            haveUid = true;
            out.uid = std::string(TrimBlanks(UnescapeText(v)));
        } else if (EqualsNoCase(TrimBlanks(v), "group")) {
            out.isGroup = true;
        }
    }
    auto slots = AssignTelSlots(tels);
    for (int s = 0; s < 8; ++s) {
        if (slots[s] < 0) continue;
        if (!DecodeLineValue(card.lines[slots[s]], v, error)) return false;
        out.props[static_cast<int>(kSlotProperties[s])] = TelNumber(v);
    }
    return true;
}

bool EditCard(const VcardFile& file, const VcardCard& card, const CardChanges& changes,
              std::string& out, std::string& error) {
    const VcardDialect dialect = card.dialect;
    const std::string& eol = card.eol;
    const int count = static_cast<int>(card.lines.size());
    const int endIndex = count - 1;

    std::vector<Edit> edits(count);
    std::vector<Edit> added;
    int firstFn = -1, firstN = -1, firstOrg = -1, hasUid = -1, versionIndex = -1, lastTel = -1;
    for (int i = 0; i < count; ++i) {
        const VcardLine& line = card.lines[i];
        edits[i].src = &line;
        if (line.blank || line.nested) continue;
        if (line.name == "FN" && firstFn < 0) firstFn = i;
        if (line.name == "N" && firstN < 0) firstN = i;
        if (line.name == "ORG" && firstOrg < 0) firstOrg = i;
        if (line.name == "UID" && hasUid < 0) hasUid = i;
        if (line.name == "VERSION" && versionIndex < 0) versionIndex = i;
        if (line.name == "TEL") {
            edits[i].tel.isTel = true;
            edits[i].tel.types = line.Types();
            lastTel = i;
        }
    }
    auto change = [&](ContactProperty p) -> const std::optional<std::string>& {
        return changes.values[static_cast<int>(p)];
    };
    std::string v;
    auto addLine = [&](int anchor, std::string text) {
        Edit e;
        e.anchor = anchor;
        e.text = std::move(text);
        added.push_back(std::move(e));
    };
    auto rewrite = [&](int i, const std::string& value) {
        const VcardLine& src = *edits[i].src;
        edits[i].text = BuildLine(src.group, src.nameRaw, KeptParams(src), value, dialect, eol,
                                  src.quotedPrintable);
        edits[i].changed = true;
    };

    // FN
    if (const auto& fileAs = change(ContactProperty::FileAs)) {
        if (firstFn >= 0) {
            if (!DecodeLineValue(card.lines[firstFn], v, error)) return false;
            if (UnescapeText(v) != *fileAs) rewrite(firstFn, EscapeText(*fileAs, dialect, false));
        } else if (!fileAs->empty()) {
            addLine(endIndex, BuildLine({}, "FN", {}, EscapeText(*fileAs, dialect, false), dialect,
                                        eol, false));
        }
    }

    // N: family, given, additional
    const ContactProperty nProps[3] = {ContactProperty::LastName, ContactProperty::FirstName,
                                       ContactProperty::MiddleName};
    if (change(nProps[0]) || change(nProps[1]) || change(nProps[2])) {
        if (firstN >= 0) {
            if (!DecodeLineValue(card.lines[firstN], v, error)) return false;
            auto parts = SplitComponents(v);
            bool changed = false;
            for (int c = 0; c < 3; ++c) {
                const auto& nv = change(nProps[c]);
                if (!nv) continue;
                std::string old = c < static_cast<int>(parts.size()) ? UnescapeText(parts[c]) : "";
                if (old == *nv) continue;
                if (parts.size() < 5) parts.resize(5);
                parts[c] = EscapeText(*nv, dialect, true);
                changed = true;
            }
            if (changed) rewrite(firstN, JoinComponents(parts));
        } else {
            std::vector<std::string> parts(5);
            bool any = false;
            for (int c = 0; c < 3; ++c) {
                if (const auto& nv = change(nProps[c])) {
                    parts[c] = EscapeText(*nv, dialect, true);
                    any = any || !nv->empty();
                }
            }
            if (any)
                addLine(endIndex,
                        BuildLine({}, "N", {}, JoinComponents(parts), dialect, eol, false));
        }
    }

    // ORG: the first part is the company
    if (const auto& company = change(ContactProperty::CompanyName)) {
        if (firstOrg >= 0) {
            if (!DecodeLineValue(card.lines[firstOrg], v, error)) return false;
            auto parts = SplitComponents(v);
            if (UnescapeText(parts[0]) != *company) {
                parts[0] = EscapeText(*company, dialect, true);
                bool allEmpty = std::all_of(parts.begin(), parts.end(),
                                            [](const std::string& p) { return p.empty(); });
                if (allEmpty) {
                    edits[firstOrg].removed = true;
                } else {
                    rewrite(firstOrg, JoinComponents(parts));
                }
            }
        } else if (!company->empty()) {
            addLine(endIndex, BuildLine({}, "ORG", {}, EscapeText(*company, dialect, true), dialect,
                                        eol, false));
        }
    }

    // TEL slots. Where each slot's number lives after the edit: an original line (its index)
    // or an added one (its index in `added`, stored as -2 - index).
    std::vector<TelKind> kinds(count);
    for (int i = 0; i < count; ++i) kinds[i] = edits[i].tel;
    const auto slots = AssignTelSlots(kinds);
    std::array<int, 8> intended = slots;
    const int telAnchor = lastTel >= 0 ? lastTel + 1 : endIndex;
    for (int s = 0; s < 8; ++s) {
        const auto& nv = change(kSlotProperties[s]);
        int i = slots[s];
        if (i >= 0) {
            Edit& e = edits[i];
            const VcardLine& src = *e.src;
            if (!DecodeLineValue(src, v, error)) return false;
            e.params = KeptParams(src);
            e.qp = src.quotedPrintable;
            e.escValue = v;
            if (!nv) continue;
            if (nv->empty()) {
                e.removed = true;
                intended[s] = -1;
            } else if (TelNumber(v) != *nv) {
                e.escValue = IsUriTel(src, v) ? "tel:" + *nv : EscapeText(*nv, dialect, false);
                e.text =
                    BuildLine(src.group, src.nameRaw, e.params, e.escValue, dialect, eol, e.qp);
                e.changed = true;
            }
        } else if (nv && !nv->empty()) {
            Edit e;
            e.anchor = telAnchor;
            e.tel.isTel = true;
            e.tel.types = SlotTypeList(s);
            if (dialect == VcardDialect::V21) {
                e.text = BuildLine({}, std::string("TEL;") + SlotTypes21(s), {}, *nv, dialect, eol,
                                   false);
            } else {
                e.text = BuildLine({}, std::string("TEL;TYPE=") + SlotTypes3(s), {},
                                   EscapeText(*nv, dialect, false), dialect, eol, false);
            }
            intended[s] = -2 - static_cast<int>(added.size());
            added.push_back(std::move(e));
        }
    }

    // A second home or work number left without a first one (or next to a foreign first one)
    // gets our mark, so that it reads back into its own slot.
    std::vector<TelKind> after;
    std::vector<int> ids;
    auto appendAdded = [&](int anchor) {
        for (std::size_t a = 0; a < added.size(); ++a) {
            if (added[a].anchor != anchor) continue;
            after.push_back(added[a].tel);
            ids.push_back(-2 - static_cast<int>(a));
        }
    };
    for (int i = 0; i < count; ++i) {
        appendAdded(i);
        if (edits[i].removed) continue;
        after.push_back(edits[i].tel);
        ids.push_back(i);
    }
    const auto finalSlots = AssignTelSlots(after);
    for (int s : {static_cast<int>(kSlotHome2), static_cast<int>(kSlotBus2)}) {
        int want = intended[s];
        if (want < 0) continue;  // none, or an added line (those carry the mark already)
        int got = finalSlots[s] >= 0 ? ids[finalSlots[s]] : -1;
        if (got == want) continue;
        Edit& e = edits[want];
        if (Has(e.tel.types, s == kSlotHome2 ? kHome2Mark : kWork2Mark)) continue;
        AddTypeMark(e.params, dialect, s == kSlotHome2 ? kHome2Mark : kWork2Mark);
        e.text = BuildLine(e.src->group, e.src->nameRaw, e.params, e.escValue, dialect, eol, e.qp);
        e.changed = true;
    }

    // UID
    if (!changes.addUid.empty() && hasUid < 0) {
        int anchor = versionIndex >= 0 ? versionIndex + 1 : 1;
        addLine(anchor, BuildLine({}, "UID", {}, EscapeText(changes.addUid, dialect, false),
                                  dialect, eol, false));
    }

    out.clear();
    out.reserve(card.end - card.begin + 256);
    for (int i = 0; i < count; ++i) {
        for (const auto& a : added)
            if (a.anchor == i) out += a.text;
        const Edit& e = edits[i];
        if (e.removed) continue;
        if (e.changed) {
            out += e.text;
        } else {
            out.append(file.text, e.src->begin, e.src->end - e.src->begin);
        }
    }
    return true;
}

std::string NewCardText(const ContactProps& props, const std::string& uid) {
    const VcardDialect d = VcardDialect::V30;
    const std::string eol = "\r\n";
    auto p = [&](ContactProperty c) -> const std::string& { return props[static_cast<int>(c)]; };
    std::string out = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    out +=
        FoldLine(std::string("PRODID:-//Korvi//") + kAppName + " " + kAppVersion + "//EN", d, eol);
    out += FoldLine("UID:" + EscapeText(uid, d, false), d, eol);
    out += FoldLine("FN:" + EscapeText(p(ContactProperty::FileAs), d, false), d, eol);
    out += FoldLine("N:" + EscapeText(p(ContactProperty::LastName), d, true) + ";" +
                        EscapeText(p(ContactProperty::FirstName), d, true) + ";" +
                        EscapeText(p(ContactProperty::MiddleName), d, true) + ";;",
                    d, eol);
    if (!p(ContactProperty::CompanyName).empty())
        out += FoldLine("ORG:" + EscapeText(p(ContactProperty::CompanyName), d, true), d, eol);
    for (int s = 0; s < 8; ++s) {
        const std::string& number = p(kSlotProperties[s]);
        if (number.empty()) continue;
        out += FoldLine(
            std::string("TEL;TYPE=") + SlotTypes3(s) + ":" + EscapeText(number, d, false), d, eol);
    }
    out += "END:VCARD\r\n";
    return out;
}

}  // namespace korvi::outlook
