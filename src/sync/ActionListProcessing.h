// Counting and applying the action list, and recording in the sync list what was applied.
#pragma once

#include "app/PartnerStore.h"
#include "pbx/PbxPhonebook.h"
#include "sync/SyncContext.h"

namespace korvi {

// Fills the six counters from the queued actions, and the two totals.
void CountChangesInActionList(Tctrl& ctrl);

// Applies every action to the PBX or the partner and records the applied ones in
// ctrl.syncContactList. An action that was not applied (cancel, a failed update, a skipped
// one) leaves its sync list entry as it was, so that the next sync finds the change again.
// The result is the first failure that matters: a PBX failure (which ends the loop), an
// exception (-9), a cancel (-7), else the first partner failure with the number that failed.
// run.syncListNeedsWrite tells the caller to write the sync list even after a failure.
void ProcessActionList(Tctrl& ctrl, PbxPhonebook& pbx, PartnerStore& partner, SyncRunState& run,
                       const StopFlag& stop);

// "eAddInPBX" ... "eAmendInPartner", "invalid" for any other code.
const char* ActionCodeName(int32_t code);

}  // namespace korvi
