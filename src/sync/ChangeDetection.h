// Three-way change detection: each side against the sync list, never against the other side.
// PBX contacts are tied to the sync list by contactId, partner contacts by entryId.
#pragma once

#include <cstdint>

#include "sync/ListLookup.h"
#include "sync/Tctrl.h"

namespace korvi {

// Appends eAddInPartner / eAmendInPartner / eDelInPartner copies to ctrl.actionList.
void SyncPbxToPartner(Tctrl& ctrl, MatchStrategy strategy = MatchStrategy::kIndexed);

// Appends eAddInPBX / eAmendInPBX / eDelInPBX copies; every number bound for the PBX gets the
// barring of contactType (0 for the central store, 1 for an extension).
void SyncPartnerToPbx(Tctrl& ctrl, int32_t contactType,
                      MatchStrategy strategy = MatchStrategy::kIndexed);

}  // namespace korvi
