// The body of action 18 ("SyncContacts"): DoSync over the process's PBX client, contact file
// module and the partner that the controller's partner input names in the partner directory.
#pragma once

#include <string>

#include "sync/ListLookup.h"

namespace korvi {

class PartnerDirectory;
class PbxPhonebook;
class TcontactFile;
class Tctrl;
struct SyncContext;

struct SyncActionOptions {
    // Load and detect only (korvi sync --dry-run): the action list stays in the controller.
    bool dryRun = false;
    MatchStrategy strategy = MatchStrategy::kIndexed;
    // Dry run: receives the line that says what a whole-side copy would do (empty otherwise).
    std::string* plan = nullptr;
};

// "Sync with Gmail is not available in this version of Korvi Communicator": a partner code
// for which no store is registered.
std::string PartnerNotAvailableText(int partner);

// Lets the run take its partner from partners by the controller's partner input: the store,
// its number slots, and its preparation (the controller's inputs handed to the store).
void UsePartners(SyncContext& ctx, const PartnerDirectory& partners);

void RegisterSyncActions(Tctrl& ctrl, PbxPhonebook& pbx, TcontactFile& contactFile,
                         const PartnerDirectory& partners, SyncActionOptions options = {});

}  // namespace korvi
