// One card of an address book server as a contact item of the address book's object model:
// the record mapping of the address book store (ReadItemRecord, WriteItemRecord) reads and
// writes it exactly as it does a card in a folder, and Save produces the card's new text with
// only the mapped lines changed.
#pragma once

#include <string>

#include "stores/outlook/ObjectModel.h"
#include "stores/outlook/VcardContact.h"

namespace korvi::carddav {

enum class CardKind { kContact, kGroup, kUnreadable };

struct ReadCard {
    CardKind kind = CardKind::kUnreadable;
    std::string problem;  // why a card is unreadable
    outlook::CardFields fields;
};

// Reads a member's text: one vCard (a resource of an address book holds exactly one).
ReadCard ReadCardText(const std::string& text);

class CardItem final : public outlook::OlContactItem {
public:
    // A new card; its UID is made at Save unless given.
    explicit CardItem(std::string uid = {});
    // The card of a member, as ReadCardText read it (kind kContact).
    CardItem(std::string text, const outlook::CardFields& fields);

    std::string Get(outlook::ContactProperty property) const override;
    void Set(outlook::ContactProperty property, const std::string& value) override;
    std::string EntryID() const override { return m_url; }
    // Makes text() the card with the changes made since; throws OlError when a mapped value of
    // the card cannot be decoded.
    void Save() override;
    // Members are removed by the store, never through an item.
    void Delete() override { throw outlook::OlError("A server card is removed by its store."); }

    void SetUrl(std::string url) { m_url = std::move(url); }
    const std::string& text() const { return m_text; }
    const std::string& uid() const { return m_uid; }
    const outlook::ContactProps& props() const { return m_current; }
    // Whether Save changed the text.
    bool changed() const { return m_changed; }

private:
    bool m_new;
    std::string m_text;
    std::string m_uid;
    std::string m_url;
    outlook::ContactProps m_current{};
    outlook::CardChanges m_changes;
    bool m_changed = false;
};

}  // namespace korvi::carddav
