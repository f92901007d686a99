// The partner stores of the process: each registers itself once with its rules (src/sync/
// Partner.h); the sync engine, the partner actions and the flows find it here by its code.
// The registry owns the stores.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "sync/Partner.h"

namespace korvi {

class PartnerRegistry final : public PartnerDirectory {
public:
    PartnerRegistry() = default;
    PartnerRegistry(const PartnerRegistry&) = delete;
    PartnerRegistry& operator=(const PartnerRegistry&) = delete;

    // Adds partner (its code must be free) and keeps store alive with it; partner.store is set
    // to store when given. Returns the registered entry, which stays where it is.
    Partner& Register(Partner partner, std::unique_ptr<PartnerStore> store = nullptr);

    const Partner* Find(int code) const override;
    std::vector<const Partner*> All() const override;

    // The store of code as its own type, or null (no such partner, or another type).
    template <class Store>
    Store* StoreOf(int code) const {
        const Partner* partner = Find(code);
        return partner == nullptr ? nullptr : dynamic_cast<Store*>(partner->store);
    }

    // Hands the settings to every partner that takes them (Partner::configure).
    void Configure(const KorviSettings& settings) const;

private:
    struct Entry {
        std::unique_ptr<PartnerStore> store;
        std::unique_ptr<Partner> partner;
    };
    std::map<int, Entry> m_entries;
};

}  // namespace korvi
