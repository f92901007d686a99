// The body of action 18: brings the PBX contacts of the current contact type and one partner
// store into step, by copying a whole side, by a first-time sync, or by three-way change
// detection against the pair's sync list.
#pragma once

#include "sync/SyncContext.h"

namespace korvi {

// Leaves its code and text in ctx.ctrl, the counters filled and the lists as they ended.
void DoSync(SyncContext& ctx, const StopFlag& stop);

}  // namespace korvi
