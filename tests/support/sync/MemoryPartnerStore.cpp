#include "sync/MemoryPartnerStore.h"

#include <algorithm>

#include <fmt/format.h>

namespace korvi {

MemoryPartnerStore::MemoryPartnerStore(std::string storeId) : m_storeId(std::move(storeId)) {}

std::string MemoryPartnerStore::NextEntryId() { return fmt::format("MEM{:08d}", m_nextId++); }

// What the store keeps of a contact: no action, no number marks, no removed numbers.
TContact MemoryPartnerStore::Stored(const TContact& c) const {
    TContact s;
    TNumberList dropped;
    SplitForPartner(c, m_slots, s, dropped);
    s.action = 0;
    s.contactId = 0;
    if (s.numbers) {
        for (auto& n : *s.numbers) n.state = kNoChange;
    }
    return s;
}

// As the address book writes an amended item: each number fills its type's slot, a "Deleted"
// marker empties it, and a slot the amendment says nothing about keeps its number.
TContact MemoryPartnerStore::Amended(const TContact& item, const TContact& c) const {
    if (!m_slots.onePerType) return Stored(c);
    TContact merged = c;
    TNumberList numbers = item.numbers.value_or(TNumberList{});
    for (const auto& n : c.numbers.value_or(TNumberList{})) {
        auto slot = std::find_if(numbers.begin(), numbers.end(), [&n](const TContactNumber& m) {
            return m.numberType == n.numberType;
        });
        if (n.state == kDeleted) {
            if (slot != numbers.end()) numbers.erase(slot);
        } else if (slot != numbers.end()) {
            *slot = n;
        } else {
            numbers.push_back(n);
        }
    }
    if (numbers.empty()) {
        merged.numbers.reset();
    } else {
        merged.numbers.emplace(std::move(numbers));
    }
    return Stored(merged);
}

std::string MemoryPartnerStore::Put(const TContact& contact) {
    auto c = std::make_unique<TContact>(Stored(contact));
    c->entryId = NextEntryId();
    std::string id = c->entryId;
    m_contacts.push_back(std::move(c));
    return id;
}

TContact* MemoryPartnerStore::FindByEntryId(const std::string& entryId) {
    for (auto& c : m_contacts) {
        if (c->entryId == entryId) return c.get();
    }
    return nullptr;
}

Result MemoryPartnerStore::LoadContacts(TContactList& list, const StopFlag& stop) {
    for (const auto& c : m_contacts) {
        if (stop.load()) {
            return {kResultCancelled, "Loading cancelled"};
        }
        // As the address book does: an item without numbers is nothing to sync.
        if (!c->numbers || c->numbers->empty()) continue;
        list.push_back(std::make_unique<TContact>(*c));
    }
    return 0;
}

Result MemoryPartnerStore::SaveContacts(TContactList& list, const StopFlag& stop) {
    m_contacts.clear();
    int saved = 0;
    for (auto& c : list) {
        if (!c) continue;
        if (stop.load()) {
            return {kResultCancelled, "Saving cancelled"};
        }
        if (m_saveFilter) {
            if (const int rc = m_saveFilter(++saved); rc != 0) {
                return {rc, fmt::format("Writing item {} failed", saved)};
            }
            if (stop.load()) return {kResultCancelled, "Saving cancelled"};
        }
        c->entryId = Put(*c);
    }
    return 0;
}

Result MemoryPartnerStore::BeginUpdates() {
    ++m_beginCalls;
    if (m_beginFailure != 0) {
        return {m_beginFailure, "The folder could not be opened"};
    }
    m_open = true;
    return 0;
}

void MemoryPartnerStore::EndUpdates() {
    ++m_endCalls;
    m_open = false;
}

Result MemoryPartnerStore::UpdateContact(int kind, TContact& contact) {
    ++m_updateCalls;
    if (m_filter) {
        const int rc = m_filter(kind, contact, m_updateCalls);
        if (rc != 0) {
            return {rc, fmt::format("Update {} of [{}] [{}] refused", m_updateCalls,
                                    contact.firstName, contact.lastName)};
        }
    }
    switch (kind) {
        case kUpdateAdd:
            contact.entryId = Put(contact);
            return 0;
        case kUpdateDelete:
            for (auto it = m_contacts.begin(); it != m_contacts.end(); ++it) {
                if ((*it)->entryId == contact.entryId) {
                    m_contacts.erase(it);
                    return 0;
                }
            }
            return {kResultLocalFailure, "Contact not found"};
        case kUpdateAmend:
            if (TContact* item = FindByEntryId(contact.entryId)) {
                *item = Amended(*item, contact);
                return 0;
            }
            return {kResultLocalFailure, "Contact not found"};
        default:
            return {kResultLocalFailure, "Unknown update kind"};
    }
}

}  // namespace korvi
