// What a partner store can hold of a contact's numbers. The address book has one slot per
// number type 0 to 7: an internal number (type 16) has no place there, and of two numbers of
// one type only the one written last stays. Comparing a partner item with the whole sync list
// entry would read every such number as deleted by the user, and writing the partner's version
// back to the PBX would erase it there.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "model/Contact.h"

namespace korvi {

struct PartnerSlots {
    // The number types the store has slots for; empty: every type.
    std::function<bool(int32_t numberType)> holds;
    // One slot per type, filled in list order, so the last number of a type is the one kept.
    bool onePerType = false;

    // A store that holds numbers by kind rather than by type (the cloud group): the kind of a
    // type (-1: the store has none for it), and each kind's slots. The first numbers of a kind
    // in list order take the kind's slots in order, so a lone second home number is a first
    // one there; the rest are not kept. When set, holds and onePerType are not used.
    std::function<int(int32_t numberType)> kindOf;
    std::vector<std::vector<int32_t>> kindSlots;

    // The address book's slots.
    static PartnerSlots AddressBook();

    bool Limited() const { return static_cast<bool>(holds) || onePerType || ByKind(); }
    bool ByKind() const { return static_cast<bool>(kindOf); }
};

// contact as the partner would hold it (held: same ids and names, the numbers it keeps, in
// list order; no number list when none is kept), and the numbers it would not keep (dropped).
void SplitForPartner(const TContact& contact, const PartnerSlots& slots, TContact& held,
                     TNumberList& dropped);

// An amendment that carries the partner's version of a contact into the PBX replaces every
// number the PBX holds of it; this puts back first the PBX's numbers the partner could never
// show (with state "No Change"): those of a type it has no slot for, and, of several numbers of
// one type, those it does not show, as long as the partner still holds that type (a type gone
// from the partner was removed there, with all its numbers). They go first, so that of several
// numbers of one type the partner's own stays the last, the one it shows. For a store that
// holds by kind they go last instead (its own are the first of their kind) and stay as long as
// the partner still holds their kind.
void KeepPbxOnlyNumbers(TContact& amendment, const TContact& pbxVersion, const PartnerSlots& slots);

}  // namespace korvi
