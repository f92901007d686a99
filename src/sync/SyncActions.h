// The body of action 18 ("SyncContacts"): DoSync over the process's PBX client, contact file
// module and partner stores.
#pragma once

#include <string>

#include "sync/ListLookup.h"

namespace korvi {

class PbxPhonebook;
class Services;
class TcontactFile;
class Tctrl;
class Toutlook;

struct SyncActionOptions {
    // Load and detect only (korvi sync --dry-run): the action list stays in the controller.
    bool dryRun = false;
    MatchStrategy strategy = MatchStrategy::kIndexed;
    // Dry run: receives the line that says what a whole-side copy would do (empty otherwise).
    std::string* plan = nullptr;
};

inline constexpr char kGmailSyncNotAvailable[] =
    "Sync with Gmail is not available in this version of Korvi Communicator";

// outlook may be null (no address book in this build): a sync with it then fails as not
// available, as a Gmail sync does.
void RegisterSyncActions(Tctrl& ctrl, PbxPhonebook& pbx, TcontactFile& contactFile,
                         Toutlook* outlook, SyncActionOptions options = {});
void RegisterSyncActions(Services& services, SyncActionOptions options = {});

}  // namespace korvi
