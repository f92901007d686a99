// A partner store held in memory: for tests and benchmarks of the sync, and a model of what
// a real store does with an action (an add records the new item's id, number marks decide
// what an amendment keeps).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/PartnerStore.h"
#include "sync/PartnerSlots.h"

namespace korvi {

class MemoryPartnerStore final : public PartnerStore {
public:
    explicit MemoryPartnerStore(std::string storeId = "0123456789ABCDEF0123456789ABCDEF");

    Result LoadContacts(TContactList& list, const StopFlag& stop) override;
    Result SaveContacts(TContactList& list, const StopFlag& stop) override;
    Result UpdateContact(int kind, TContact& contact) override;
    Result BeginUpdates() override;
    void EndUpdates() override;
    std::string contactStoreID() const override { return m_storeId; }

    // The store's items as they stand.
    const TContactList& contacts() const { return m_contacts; }
    // Adds an item as a user would; returns its new entry id.
    std::string Put(const TContact& contact);
    TContact* FindByEntryId(const std::string& entryId);

    // Fault seams. The filter sees every UpdateContact before it is carried out (kind, contact,
    // 1-based call number) and may return a failure code, or throw; 0 lets it through.
    using UpdateFilter = std::function<int(int kind, const TContact& contact, int call)>;
    void SetUpdateFilter(UpdateFilter filter) { m_filter = std::move(filter); }
    void SetBeginFailure(int code) { m_beginFailure = code; }
    // Sees every item SaveContacts is about to write (1-based) and may return a failure code
    // (the save ends there, as a store whose write failed), or set a stop flag; 0 goes on.
    using SaveFilter = std::function<int(int item)>;
    void SetSaveFilter(SaveFilter filter) { m_saveFilter = std::move(filter); }
    // As a store with a fixed set of number slots: what does not fit is not kept.
    void SetSlots(PartnerSlots slots) { m_slots = std::move(slots); }

    int updateCalls() const { return m_updateCalls; }
    int beginCalls() const { return m_beginCalls; }
    int endCalls() const { return m_endCalls; }
    bool open() const { return m_open; }

private:
    std::string NextEntryId();
    TContact Stored(const TContact& c) const;
    TContact Amended(const TContact& item, const TContact& c) const;

    std::string m_storeId;
    TContactList m_contacts;
    int m_nextId = 1;
    UpdateFilter m_filter;
    SaveFilter m_saveFilter;
    PartnerSlots m_slots;
    int m_beginFailure = 0;
    int m_updateCalls = 0;
    int m_beginCalls = 0;
    int m_endCalls = 0;
    bool m_open = false;
};

}  // namespace korvi
