// EditCard: a card's new text with only the lines of the mapped properties rewritten, each
// property edited on its own, then the number slots checked to read back as intended.
#include <algorithm>
#include <array>

#include "model/Contact.h"
#include "stores/outlook/VcardContact.h"

namespace korvi::outlook {

namespace {

bool IsQpParam(const VcardParam& p) {
    return (p.name == "ENCODING" || p.name.empty()) && EqualsNoCase(p.value, "QUOTED-PRINTABLE");
}

bool IsUriTel(const VcardLine& line, std::string_view decoded) {
    for (const auto& p : line.params)
        if (p.name == "VALUE" && EqualsNoCase(p.value, "uri")) return true;
    std::string_view v = TrimBlanks(decoded);
    return v.size() >= 4 && EqualsNoCase(v.substr(0, 4), "tel:");
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

std::string JoinComponents(const std::vector<std::string>& parts) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) out += ';';
        out += parts[i];
    }
    return out;
}

constexpr int kNoLine = -1;

// One line of the card as the edit leaves it: an original line (kept, rewritten or removed)
// or an added one.
struct Edit {
    const VcardLine* src = nullptr;  // null for an added line
    int anchor = 0;                  // an added line goes before the original line of this index
    bool changed = false;
    bool removed = false;
    std::string text;  // the new text of a changed or added line
    TelKind tel;
    bool isCleared = false;  // a cleared-slot line
    ClearedSlot cleared;
    // TEL lines: what a rewrite with a type mark needs.
    std::vector<VcardParam> params;
    std::string escValue;
    bool qp = false;
};

class CardEditor {
public:
    CardEditor(const VcardFile& file, const VcardCard& card);

    [[nodiscard]] bool EditFileAs(const std::optional<std::string>& fileAs);
    [[nodiscard]] bool EditName(const CardChanges& changes);
    [[nodiscard]] bool EditCompany(const std::optional<std::string>& company);
    [[nodiscard]] bool EditNumbers(const CardChanges& changes);
    void AddUid(const std::string& uid);
    std::string Render() const;
    const std::string& error() const { return m_error; }

private:
    // Line ids: an original line by its index, an added one as -2 - its index in m_added.
    Edit& At(int id) { return id >= 0 ? m_edits[id] : m_added[-2 - id]; }
    int AddLine(Edit edit);
    int PlacedAt(const Edit& added) const;
    std::string Line(std::string_view group, std::string_view name,
                     const std::vector<VcardParam>& params, std::string_view value,
                     bool quotedPrintable) const;
    bool Decode(int i, std::string& value);
    void Rewrite(int i, const std::string& value);

    bool SetSlot(int line, const std::optional<std::string>& number);
    int AddSlotLine(int slot, const std::string& number);
    void DropStaleClearedLines();
    void KeepSlotsInPlace(const std::array<int, 8>& want, const std::array<int, 8>& removedAt);
    // The TEL lines and cleared slots after the edit, in their order, with their ids.
    void After(std::vector<TelKind>& kinds, std::vector<int>& ids,
               std::vector<ClearedSlot>& cleared) const;

    const VcardFile& m_file;
    const VcardCard& m_card;
    const VcardDialect m_dialect;
    std::vector<Edit> m_edits;
    std::vector<Edit> m_added;
    int m_firstFn = kNoLine, m_firstN = kNoLine, m_firstOrg = kNoLine, m_uid = kNoLine,
        m_version = kNoLine, m_lastTel = kNoLine;
    int m_end;
    std::string m_error;
};

CardEditor::CardEditor(const VcardFile& file, const VcardCard& card)
    : m_file(file),
      m_card(card),
      m_dialect(card.dialect),
      m_edits(card.lines.size()),
      m_end(static_cast<int>(card.lines.size()) - 1) {
    for (int i = 0; i < static_cast<int>(card.lines.size()); ++i) {
        const VcardLine& line = card.lines[i];
        Edit& e = m_edits[i];
        e.src = &line;
        if (line.blank || line.nested) continue;
        auto first = [&](int& index, const char* name) {
            if (index == kNoLine && line.name == name) index = i;
        };
        first(m_firstFn, "FN");
        first(m_firstN, "N");
        first(m_firstOrg, "ORG");
        first(m_uid, "UID");
        first(m_version, "VERSION");
        e.tel = TelKindOf(line);
        if (e.tel.isTel) m_lastTel = i;
        e.isCleared = ClearedSlotOf(line, e.cleared);
    }
}

// Where an added line goes. A quoted-printable value that ends in a soft break just before
// END:VCARD is read up to END only; a line written after it would be read as its continuation,
// so lines added there go before it (it stays as it was).
int CardEditor::PlacedAt(const Edit& added) const {
    const int before = added.anchor - 1;
    if (before < 0 || added.anchor != m_end) return added.anchor;
    const Edit& e = m_edits[before];
    const VcardLine& line = *e.src;
    if (e.removed || e.changed || !line.quotedPrintable) return added.anchor;
    std::string_view raw(m_file.text.data() + line.begin, line.end - line.begin);
    while (!raw.empty() && (raw.back() == '\n' || raw.back() == '\r')) raw.remove_suffix(1);
    return !raw.empty() && raw.back() == '=' ? before : added.anchor;
}

int CardEditor::AddLine(Edit edit) {
    m_added.push_back(std::move(edit));
    return -2 - static_cast<int>(m_added.size() - 1);
}

// A content line: group, name, parameters and the value in its escaped form, coded for the
// dialect (2.1 names UTF-8 text in CHARSET and keeps quoted-printable where it was used).
std::string CardEditor::Line(std::string_view group, std::string_view name,
                             const std::vector<VcardParam>& params, std::string_view value,
                             bool quotedPrintable) const {
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
    if (m_dialect == VcardDialect::V21) {
        if (HasNonAscii(value)) head += ";CHARSET=UTF-8";
        if (quotedPrintable) {
            head += ";ENCODING=QUOTED-PRINTABLE:";
            std::size_t valueStart = head.size();
            return WrapQuotedPrintable(head + EncodeQuotedPrintable(value), valueStart, m_card.eol);
        }
        return head + ":" + std::string(value) + m_card.eol;
    }
    return FoldLine(head + ":" + std::string(value), m_dialect, m_card.eol);
}

bool CardEditor::Decode(int i, std::string& value) {
    return DecodeLineValue(m_card.lines[i], value, m_error);
}

void CardEditor::Rewrite(int i, const std::string& value) {
    const VcardLine& src = m_card.lines[i];
    m_edits[i].text = Line(src.group, src.nameRaw, KeptParams(src), value, src.quotedPrintable);
    m_edits[i].changed = true;
}

bool CardEditor::EditFileAs(const std::optional<std::string>& fileAs) {
    if (!fileAs) return true;
    if (m_firstFn == kNoLine) {
        if (!fileAs->empty()) {
            Edit e;
            e.anchor = m_end;
            e.text = Line({}, "FN", {}, EscapeText(*fileAs, m_dialect, false), false);
            AddLine(std::move(e));
        }
        return true;
    }
    std::string v;
    if (!Decode(m_firstFn, v)) return false;
    if (UnescapeText(v) != *fileAs) Rewrite(m_firstFn, EscapeText(*fileAs, m_dialect, false));
    return true;
}

// N: family, given and additional name; the other parts stay.
bool CardEditor::EditName(const CardChanges& changes) {
    const ContactProperty parts[3] = {ContactProperty::LastName, ContactProperty::FirstName,
                                      ContactProperty::MiddleName};
    auto change = [&](int c) -> const std::optional<std::string>& {
        return changes.values[static_cast<int>(parts[c])];
    };
    if (!change(0) && !change(1) && !change(2)) return true;
    if (m_firstN == kNoLine) {
        std::vector<std::string> values(5);
        bool any = false;
        for (int c = 0; c < 3; ++c) {
            if (!change(c)) continue;
            values[c] = EscapeText(*change(c), m_dialect, true);
            any = any || !change(c)->empty();
        }
        if (any) {
            Edit e;
            e.anchor = m_end;
            e.text = Line({}, "N", {}, JoinComponents(values), false);
            AddLine(std::move(e));
        }
        return true;
    }
    std::string v;
    if (!Decode(m_firstN, v)) return false;
    auto values = SplitComponents(v);
    bool changed = false;
    for (int c = 0; c < 3; ++c) {
        if (!change(c)) continue;
        const std::string old =
            c < static_cast<int>(values.size()) ? UnescapeText(values[c]) : std::string();
        if (old == *change(c)) continue;
        if (values.size() < 5) values.resize(5);
        values[c] = EscapeText(*change(c), m_dialect, true);
        changed = true;
    }
    if (changed) Rewrite(m_firstN, JoinComponents(values));
    return true;
}

// ORG: the first part is the company; a line left without any part goes.
bool CardEditor::EditCompany(const std::optional<std::string>& company) {
    if (!company) return true;
    if (m_firstOrg == kNoLine) {
        if (!company->empty()) {
            Edit e;
            e.anchor = m_end;
            e.text = Line({}, "ORG", {}, EscapeText(*company, m_dialect, true), false);
            AddLine(std::move(e));
        }
        return true;
    }
    std::string v;
    if (!Decode(m_firstOrg, v)) return false;
    auto values = SplitComponents(v);
    if (UnescapeText(values[0]) == *company) return true;
    values[0] = EscapeText(*company, m_dialect, true);
    // A line left with no part goes, unless another ORG line would then be read instead.
    const bool empty =
        std::all_of(values.begin(), values.end(), [](const std::string& p) { return p.empty(); });
    const bool another =
        std::any_of(m_card.lines.begin() + m_firstOrg + 1, m_card.lines.end(),
                    [](const VcardLine& l) { return !l.blank && !l.nested && l.name == "ORG"; });
    if (empty && !another) {
        m_edits[m_firstOrg].removed = true;
    } else {
        Rewrite(m_firstOrg, JoinComponents(values));
    }
    return true;
}

// Reads a slot's line for a rewrite (a new number or a mark); false when its value cannot be
// decoded. With a number that differs, the line is rewritten with it.
bool CardEditor::SetSlot(int line, const std::optional<std::string>& number) {
    Edit& e = m_edits[line];
    const VcardLine& src = *e.src;
    std::string v;
    if (!Decode(line, v)) return false;
    e.params = KeptParams(src);
    e.qp = src.quotedPrintable;
    e.escValue = v;
    if (!number || number->empty() || TelNumber(v) == *number) return true;
    const bool uri = IsUriTel(src, v);
    e.escValue = uri ? TelValueText(*number, true)
                     : EscapeText(TelValueText(*number, false), m_dialect, false);
    e.text = Line(src.group, src.nameRaw, e.params, e.escValue, e.qp);
    e.tel.rawValue = e.qp ? EncodeQuotedPrintable(e.escValue) : e.escValue;
    e.changed = true;
    return true;
}

int CardEditor::AddSlotLine(int slot, const std::string& number) {
    Edit e;
    e.anchor = m_lastTel != kNoLine ? m_lastTel + 1 : m_end;
    e.tel.isTel = true;
    e.tel.types = SlotTypeList(slot);
    // Escaped in 2.1 too: a backslash the reader would take for an escape must come back.
    e.tel.rawValue = EscapeText(TelValueText(number, false), m_dialect, false);
    const std::string types = m_dialect == VcardDialect::V21
                                  ? std::string("TEL;") + SlotTypes21(slot)
                                  : std::string("TEL;TYPE=") + SlotTypes30(slot);
    e.text = Line({}, types, {}, e.tel.rawValue, false);
    return AddLine(std::move(e));
}

void CardEditor::After(std::vector<TelKind>& kinds, std::vector<int>& ids,
                       std::vector<ClearedSlot>& cleared) const {
    kinds.clear();
    ids.clear();
    cleared.clear();
    auto take = [&](const Edit& e, int id) {
        if (e.isCleared) cleared.push_back(e.cleared);
        kinds.push_back(e.tel);
        ids.push_back(id);
    };
    for (int i = 0; i < static_cast<int>(m_edits.size()); ++i) {
        for (std::size_t a = 0; a < m_added.size(); ++a)
            if (PlacedAt(m_added[a]) == i) take(m_added[a], -2 - static_cast<int>(a));
        if (!m_edits[i].removed) take(m_edits[i], i);
    }
}

// A cleared-slot line whose line is gone (or changed its number) keeps nothing out any more.
void CardEditor::DropStaleClearedLines() {
    std::vector<TelKind> kinds;
    std::vector<int> ids;
    std::vector<ClearedSlot> cleared;
    After(kinds, ids, cleared);
    for (Edit& e : m_edits) {
        if (!e.isCleared || e.removed) continue;
        const bool names = std::any_of(kinds.begin(), kinds.end(), [&](const TelKind& k) {
            return k.isTel && TelFingerprint(k.rawValue) == e.cleared.fingerprint;
        });
        if (!names) e.removed = true;
    }
}

// Every slot must read back as intended: a second home or work number left without a first
// one (or next to a foreign first one) gets our mark; a line that would move into a slot the
// edit left empty, or into one of another line, is kept out by a cleared-slot line.
void CardEditor::KeepSlotsInPlace(const std::array<int, 8>& want,
                                  const std::array<int, 8>& removedAt) {
    std::vector<TelKind> kinds;
    std::vector<int> ids;
    std::vector<ClearedSlot> cleared;
    // Each round marks one line or keeps one line out of one slot, so a card's lines times its
    // slots bound the rounds (a card may hold many lines of one kind, and marks of old edits).
    const int rounds = 8 * (static_cast<int>(m_edits.size()) + 1) + 2;
    for (int round = 0; round < rounds; ++round) {
        After(kinds, ids, cleared);
        const auto slots = AssignTelSlots(kinds, cleared);
        std::array<int, 8> got;
        for (int s = 0; s < 8; ++s) got[s] = slots[s] >= 0 ? ids[slots[s]] : kNoLine;

        bool marked = false;
        for (int s : {static_cast<int>(kHome2), static_cast<int>(kBus2)}) {
            if (want[s] < 0 || got[s] == want[s]) continue;  // added lines carry the mark
            Edit& e = m_edits[want[s]];
            if (HasSecondSlotMark(e.tel.types, s)) continue;
            AddTypeMark(e.params, m_dialect, SecondSlotMark(s));
            e.tel.types.emplace_back(SecondSlotMark(s));
            e.text = Line(e.src->group, e.src->nameRaw, e.params, e.escValue, e.qp);
            e.changed = true;
            marked = true;
        }
        if (marked) continue;

        int intruded = -1;
        for (int s = 0; s < 8 && intruded < 0; ++s)
            if (got[s] != kNoLine && got[s] != want[s]) intruded = s;
        if (intruded < 0) return;
        Edit mark;
        mark.anchor = removedAt[intruded] != kNoLine
                          ? removedAt[intruded]
                          : (m_lastTel != kNoLine ? m_lastTel + 1 : m_end);
        mark.isCleared = true;
        mark.cleared.slot = intruded;
        mark.cleared.fingerprint = TelFingerprint(At(got[intruded]).tel.rawValue);
        mark.text = Line({}, kClearedSlotProperty, {}, ClearedSlotValue(mark.cleared), false);
        AddLine(std::move(mark));
    }
}

bool CardEditor::EditNumbers(const CardChanges& changes) {
    std::vector<TelKind> kinds;
    std::vector<int> ids;
    std::vector<ClearedSlot> cleared;
    After(kinds, ids, cleared);
    const auto slots = AssignTelSlots(kinds, cleared);
    std::array<int, 8> want;
    std::array<int, 8> removedAt;
    removedAt.fill(kNoLine);
    bool anyChange = false;
    for (int s = 0; s < 8; ++s) {
        const int line = slots[s] >= 0 ? ids[slots[s]] : kNoLine;
        want[s] = line;
        const auto& number = changes.values[static_cast<int>(kSlotProperties[s])];
        if (line != kNoLine) {
            // Read also when unchanged: a mark may have to be added to it.
            if (!SetSlot(line, number)) return false;
            if (!number) continue;
            anyChange = anyChange || m_edits[line].changed || number->empty();
            if (number->empty()) {
                m_edits[line].removed = true;
                m_edits[line].changed = false;
                removedAt[s] = line;
                want[s] = kNoLine;
            }
        } else if (number && !number->empty()) {
            want[s] = AddSlotLine(s, *number);
            anyChange = true;
        }
    }
    if (!anyChange) return true;
    DropStaleClearedLines();
    KeepSlotsInPlace(want, removedAt);
    return true;
}

void CardEditor::AddUid(const std::string& uid) {
    if (uid.empty() || m_uid != kNoLine) return;
    Edit e;
    e.anchor = m_version != kNoLine ? m_version + 1 : 1;
    e.text = Line({}, "UID", {}, EscapeText(uid, m_dialect, false), false);
    AddLine(std::move(e));
}

std::string CardEditor::Render() const {
    std::string out;
    out.reserve(m_card.end - m_card.begin + 256);
    for (int i = 0; i < static_cast<int>(m_edits.size()); ++i) {
        for (const auto& a : m_added)
            if (PlacedAt(a) == i) out += a.text;
        const Edit& e = m_edits[i];
        if (e.removed) continue;
        if (e.changed) {
            out += e.text;
        } else {
            out.append(m_file.text, e.src->begin, e.src->end - e.src->begin);
        }
    }
    return out;
}

}  // namespace

bool EditCard(const VcardFile& file, const VcardCard& card, const CardChanges& changes,
              std::string& out, std::string& error) {
    CardEditor editor(file, card);
    auto value = [&](ContactProperty p) -> const std::optional<std::string>& {
        return changes.values[static_cast<int>(p)];
    };
    if (!editor.EditFileAs(value(ContactProperty::FileAs)) || !editor.EditName(changes) ||
        !editor.EditCompany(value(ContactProperty::CompanyName)) || !editor.EditNumbers(changes)) {
        error = editor.error();
        return false;
    }
    editor.AddUid(changes.addUid);
    out = editor.Render();
    return true;
}

}  // namespace korvi::outlook
