// Removes one action of every pair that touches the same partner item (equal, non-empty
// entryId) by the configured rule: eSync_PBX_wins keeps the action that writes into the PBX,
// eSync_PC_wins the one that writes into the partner.
#pragma once

#include "sync/Tctrl.h"

namespace korvi {

// Same outcome and log lines as repeating "find the first conflicting pair (i, j), drop one,
// start again" until a pass finds none, without rescanning the list after every removal.
// An invalid rule keeps both actions of each pair, logging its two error lines once per pair.
void ResolveConflicts(Tctrl& ctrl);

}  // namespace korvi
