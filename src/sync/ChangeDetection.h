// Three-way change detection: each side against the sync list, never against the other side.
// PBX contacts are tied to the sync list by contactId, partner contacts by entryId.
#pragma once

#include <cstdint>

#include "sync/ListLookup.h"
#include "sync/PartnerSlots.h"
#include "sync/Tctrl.h"

namespace korvi {

// CompareContacts' result 6 undone (and a's marks cleared) when a's numbers are b's, in order:
// two numbers of one type otherwise compare as a change in every sync.
int UnlessSameNumbers(int compareResult, TContact& a, const TContact& b);

// CompareContacts' result 0 made 6 when a's numbers are not b's (in any order): the comparison
// looks at the first number of each type alone, so a second number of a type removed on one
// side would never reach the other.
int UnlessNumbersDiffer(int compareResult, const TContact& a, const TContact& b);

// The number marks of an amendment: a's numbers against b's as the comparison marks them,
// whatever the names say, with a "Deleted" marker for every number type of b that a lacks.
// The comparison stops at a name difference; an amendment without its markers would leave the
// numbers removed in the same edit on the other side, to flow back from there.
void MarkNumberChanges(TContact& a, const TContact& b);

// A "Deleted" marker in a for every number type that current (the item an amendment writes
// over) holds and a lacks: an amendment makes the item what a is.
void MarkRemovedFrom(TContact& a, const TContact& current);

// Appends eAddInPartner / eAmendInPartner / eDelInPartner copies to ctrl.actionList.
void SyncPbxToPartner(Tctrl& ctrl, MatchStrategy strategy = MatchStrategy::kIndexed);

// Appends eAddInPBX / eAmendInPBX / eDelInPBX copies; every number bound for the PBX gets the
// barring of contactType (0 for the central store, 1 for an extension).
// With limited slots, a partner item is compared with its sync list entry as the partner holds
// it, an amendment bound for the PBX keeps the PBX's numbers the partner could not hold
// (KeepPbxOnlyNumbers), and an entry with no number the partner can hold is not taken as
// deleted (the partner never lists such an item).
void SyncPartnerToPbx(Tctrl& ctrl, int32_t contactType,
                      MatchStrategy strategy = MatchStrategy::kIndexed,
                      const PartnerSlots& slots = {});

}  // namespace korvi
