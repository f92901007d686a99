#include "stores/carddav/CardItem.h"

#include <fmt/format.h>

#include "stores/outlook/RandomId.h"
#include "stores/outlook/VcardParser.h"

namespace korvi::carddav {

using namespace outlook;

ReadCard ReadCardText(const std::string& text) {
    ReadCard out;
    VcardFile file;
    if (!ParseVcardFile(text, file, out.problem)) return out;
    if (file.cards.size() != 1) {
        out.problem = fmt::format("the resource holds {} cards instead of one", file.cards.size());
        return out;
    }
    const VcardCard& card = file.cards.front();
    if (!card.problem.empty()) {
        out.problem = card.problem;
        return out;
    }
    if (!ReadCardFields(card, out.fields, out.problem)) return out;
    out.kind = out.fields.isGroup ? CardKind::kGroup : CardKind::kContact;
    return out;
}

CardItem::CardItem(std::string uid) : m_new(true), m_uid(std::move(uid)) {}

CardItem::CardItem(std::string text, const CardFields& fields)
    : m_new(false), m_text(std::move(text)), m_uid(fields.uid), m_current(fields.props) {}

std::string CardItem::Get(ContactProperty property) const {
    return m_current[static_cast<int>(property)];
}

void CardItem::Set(ContactProperty property, const std::string& value) {
    m_current[static_cast<int>(property)] = value;
    m_changes.values[static_cast<int>(property)] = value;
}

void CardItem::Save() {
    if (m_new) {
        if (m_uid.empty()) m_uid = NewUuid();
        m_text = NewCardText(m_current, m_uid);
        m_new = false;
        m_changed = true;
        m_changes = CardChanges{};
        return;
    }
    VcardFile file;
    std::string error;
    if (!ParseVcardFile(m_text, file, error) || file.cards.size() != 1)
        throw OlError(fmt::format("The card no longer reads: {}", error));
    const VcardCard& card = file.cards.front();
    CardChanges changes = m_changes;
    // A server requires a UID; a card that came without one gets one with its first change.
    if (m_uid.empty()) {
        m_uid = NewUuid();
        changes.addUid = m_uid;
    }
    std::string cardText;
    if (!EditCard(file, card, changes, cardText, error)) throw OlError(error);
    std::string text = file.text.substr(0, card.begin) + cardText + file.text.substr(card.end);
    m_changed = m_changed || text != m_text;
    m_text = std::move(text);
    m_changes = CardChanges{};
}

}  // namespace korvi::carddav
