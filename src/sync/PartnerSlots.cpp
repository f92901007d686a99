#include "sync/PartnerSlots.h"

#include <map>

namespace korvi {

PartnerSlots PartnerSlots::AddressBook() {
    PartnerSlots slots;
    slots.holds = [](int32_t type) { return type >= kHome1 && type <= kFaxBus; };
    slots.onePerType = true;
    return slots;
}

void SplitForPartner(const TContact& contact, const PartnerSlots& slots, TContact& held,
                     TNumberList& dropped) {
    held = contact;
    held.numbers.reset();
    dropped.clear();
    if (!contact.numbers) return;
    const TNumberList& numbers = *contact.numbers;
    std::map<int32_t, std::size_t> lastOfType;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (numbers[i].state != kDeleted) lastOfType[numbers[i].numberType] = i;
    }
    TNumberList kept;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const TContactNumber& n = numbers[i];
        if (n.state == kDeleted) continue;
        const bool slot = !slots.holds || slots.holds(n.numberType);
        const bool survives = !slots.onePerType || lastOfType[n.numberType] == i;
        (slot && survives ? kept : dropped).push_back(n);
    }
    if (!kept.empty()) held.numbers = std::move(kept);
}

void KeepPbxOnlyNumbers(TContact& amendment, const TContact& pbxVersion,
                        const PartnerSlots& slots) {
    if (!slots.Limited()) return;
    TContact held;
    TNumberList dropped;
    SplitForPartner(pbxVersion, slots, held, dropped);
    const auto partnerHoldsType = [&amendment](int32_t type) {
        if (!amendment.numbers) return false;
        for (const auto& n : *amendment.numbers) {
            if (n.state != kDeleted && n.numberType == type) return true;
        }
        return false;
    };
    TNumberList merged;
    for (auto n : dropped) {
        const bool slot = !slots.holds || slots.holds(n.numberType);
        if (slot && !partnerHoldsType(n.numberType)) continue;
        n.state = kNoChange;
        merged.push_back(n);
    }
    if (merged.empty()) return;
    if (amendment.numbers) {
        merged.insert(merged.end(), amendment.numbers->begin(), amendment.numbers->end());
    }
    amendment.numbers = std::move(merged);
}

}  // namespace korvi
