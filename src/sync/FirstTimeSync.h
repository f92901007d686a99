// The first sync of a pair: contacts are matched by name, similar ones are put to the user, and
// nothing is ever deleted.
#pragma once

#include "sync/SyncContext.h"

namespace korvi {

// Fills ctrl.actionList and ctrl.syncContactList from the two loaded lists; the fallbacks of
// linked pairs go to run. Returns the result code it also stores: 0, or -7 when the user
// cancelled at a similar pair.
// With limited slots, a PBX contact is compared with a partner contact of its name as the
// partner would hold it, so numbers the partner cannot hold make no difference, and "Use
// partner contact" keeps them in the PBX (KeepPbxOnlyNumbers).
[[nodiscard]] int FirstTimeSync(Tctrl& ctrl, SyncRunState& run,
                                MatchStrategy strategy = MatchStrategy::kIndexed,
                                const PartnerSlots& slots = {});

}  // namespace korvi
