#include "services/PartnerRegistry.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace korvi {

Partner& PartnerRegistry::Register(Partner partner, std::unique_ptr<PartnerStore> store) {
    // Two stores under one code would make the sync lists of one pair name the other's items.
    if (m_entries.count(partner.code) != 0) {
        throw std::logic_error("partner code " + std::to_string(partner.code) +
                               " is registered twice");
    }
    if (store) partner.store = store.get();
    Entry entry{std::move(store), std::make_unique<Partner>(std::move(partner))};
    Partner& registered = *entry.partner;
    m_entries.emplace(registered.code, std::move(entry));
    return registered;
}

const Partner* PartnerRegistry::Find(int code) const {
    const auto it = m_entries.find(code);
    return it == m_entries.end() ? nullptr : it->second.partner.get();
}

std::vector<const Partner*> PartnerRegistry::All() const {
    std::vector<const Partner*> all;
    all.reserve(m_entries.size());
    for (const auto& [code, entry] : m_entries) all.push_back(entry.partner.get());
    return all;
}

void PartnerRegistry::Configure(const KorviSettings& settings) const {
    for (const auto& [code, entry] : m_entries) {
        if (entry.partner->configure) entry.partner->configure(settings);
    }
}

}  // namespace korvi
