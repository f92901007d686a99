// Three-way change detection: each side against the sync list, never against the other side.
// PBX contacts are tied to the sync list by contactId, partner contacts by entryId.
#pragma once

#include <cstdint>
#include <functional>

#include "sync/ListLookup.h"
#include "sync/Tctrl.h"

namespace korvi {

// Appends eAddInPartner / eAmendInPartner / eDelInPartner copies to ctrl.actionList.
void SyncPbxToPartner(Tctrl& ctrl, MatchStrategy strategy = MatchStrategy::kIndexed);

// Which number types the partner store can hold; empty: all of them.
using NumberTypeFilter = std::function<bool(int32_t numberType)>;

// Appends eAddInPBX / eAmendInPBX / eDelInPBX copies; every number bound for the PBX gets the
// barring of contactType (0 for the central store, 1 for an extension). A sync list entry with
// no number the partner can hold is not taken as deleted there: the partner never lists such
// an item, and reading its absence as a deletion would delete the contact from the PBX.
void SyncPartnerToPbx(Tctrl& ctrl, int32_t contactType,
                      MatchStrategy strategy = MatchStrategy::kIndexed,
                      const NumberTypeFilter& partnerKeeps = {});

}  // namespace korvi
