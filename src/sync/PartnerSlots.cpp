#include "sync/PartnerSlots.h"

#include <map>

namespace korvi {

PartnerSlots PartnerSlots::AddressBook() {
    PartnerSlots slots;
    slots.holds = [](int32_t type) { return type >= kHome1 && type <= kFaxBus; };
    slots.onePerType = true;
    return slots;
}

namespace {

void SplitByKind(const TNumberList& numbers, const PartnerSlots& slots, TNumberList& kept,
                 TNumberList& dropped) {
    std::vector<std::size_t> used(slots.kindSlots.size(), 0);
    for (const TContactNumber& n : numbers) {
        if (n.state == kDeleted) continue;
        const int kind = slots.kindOf(n.numberType);
        if (kind < 0 || static_cast<std::size_t>(kind) >= used.size() ||
            used[static_cast<std::size_t>(kind)] >=
                slots.kindSlots[static_cast<std::size_t>(kind)].size()) {
            dropped.push_back(n);
            continue;
        }
        TContactNumber held = n;
        held.numberType =
            slots.kindSlots[static_cast<std::size_t>(kind)][used[static_cast<std::size_t>(kind)]++];
        kept.push_back(held);
    }
}

}  // namespace

void SplitForPartner(const TContact& contact, const PartnerSlots& slots, TContact& held,
                     TNumberList& dropped) {
    held = contact;
    held.numbers.reset();
    dropped.clear();
    if (!contact.numbers) return;
    if (slots.ByKind()) {
        TNumberList kept;
        SplitByKind(*contact.numbers, slots, kept, dropped);
        if (!kept.empty()) held.numbers = std::move(kept);
        return;
    }
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
    const auto same = [&slots](int32_t a, int32_t b) {
        return slots.ByKind() ? slots.kindOf(a) == slots.kindOf(b) : a == b;
    };
    const auto partnerHoldsType = [&amendment, &same](int32_t type) {
        if (!amendment.numbers) return false;
        for (const auto& n : *amendment.numbers) {
            if (n.state != kDeleted && same(n.numberType, type)) return true;
        }
        return false;
    };
    TNumberList merged;
    for (auto n : dropped) {
        const bool slot = slots.ByKind() ? slots.kindOf(n.numberType) >= 0
                                         : !slots.holds || slots.holds(n.numberType);
        if (slot && !partnerHoldsType(n.numberType)) continue;
        n.state = kNoChange;
        merged.push_back(n);
    }
    if (merged.empty()) return;
    if (slots.ByKind()) {
        // The partner's own are the first of their kind: the PBX's others follow them.
        if (!amendment.numbers) amendment.numbers.emplace();
        amendment.numbers->insert(amendment.numbers->end(), merged.begin(), merged.end());
        return;
    }
    if (amendment.numbers) {
        merged.insert(merged.end(), amendment.numbers->begin(), amendment.numbers->end());
    }
    amendment.numbers = std::move(merged);
}

}  // namespace korvi
