#include "stores/outlook/VcardContact.h"

#include <algorithm>

#include "app/Texts.h"

namespace korvi::outlook {

namespace {

bool IsReadProperty(const std::string& n) {
    return n == "FN" || n == "N" || n == "ORG" || n == "UID" || n == "KIND" ||
           n == "X-ADDRESSBOOKSERVER-KIND";
}

// The only card of a text; false with a reason when there is not exactly one readable card.
bool OnlyCard(std::string text, VcardFile& file, std::string& error) {
    if (!ParseVcardFile(std::move(text), file, error)) return false;
    if (file.cards.size() != 1) {
        error = "the text holds more than one card";
        return false;
    }
    if (!file.cards[0].problem.empty()) {
        error = file.cards[0].problem;
        return false;
    }
    return true;
}

}  // namespace

bool ReadCardFields(const VcardCard& card, CardFields& out, std::string& error) {
    out = CardFields{};
    bool haveN = false, haveOrg = false, haveUid = false;
    std::vector<TelKind> tels(card.lines.size());
    std::vector<ClearedSlot> cleared;
    std::string v;
    auto prop = [&](ContactProperty p) -> std::string& { return out.props[static_cast<int>(p)]; };
    for (std::size_t i = 0; i < card.lines.size(); ++i) {
        const VcardLine& line = card.lines[i];
        if (line.blank || line.nested || !line.hasValue) continue;
        const std::string& n = line.name;
        tels[i] = TelKindOf(line);
        ClearedSlot c;
        if (ClearedSlotOf(line, c)) cleared.push_back(std::move(c));
        if (!IsReadProperty(n)) continue;
        if ((n == "FN" && out.hasFn) || (n == "N" && haveN) || (n == "ORG" && haveOrg) ||
            (n == "UID" && haveUid))
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
    const auto slots = AssignTelSlots(tels, cleared);
    for (int s = 0; s < 8; ++s) {
        if (slots[s] < 0) continue;
        if (!DecodeLineValue(card.lines[slots[s]], v, error)) return false;
        out.props[static_cast<int>(kSlotProperties[s])] = TelNumber(v);
    }
    return true;
}

bool ReadSingleCard(std::string text, CardFields& out, std::string& error) {
    VcardFile file;
    return OnlyCard(std::move(text), file, error) && ReadCardFields(file.cards[0], out, error);
}

bool EditSingleCard(std::string text, const CardChanges& changes, std::string& out,
                    std::string& error) {
    VcardFile file;
    if (!OnlyCard(std::move(text), file, error)) return false;
    const VcardCard& card = file.cards[0];
    std::string cardText;
    if (!EditCard(file, card, changes, cardText, error)) return false;
    out.assign(file.text, 0, card.begin);
    out += cardText;
    out.append(file.text, card.end, std::string::npos);
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
        out += FoldLine(std::string("TEL;TYPE=") + SlotTypes30(s) + ":" +
                            EscapeText(TelValueText(number, false), d, false),
                        d, eol);
    }
    out += "END:VCARD\r\n";
    return out;
}

}  // namespace korvi::outlook
