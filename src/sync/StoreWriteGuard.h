// The actions that write a contact store run holding the store-write lock (StoreWriteLock.h),
// so that two processes never write at once: delete, the exports into a partner store, the
// imports and the sync. Reading actions (service checks, file exports, folder lists) do not
// take it.
#pragma once

#include <filesystem>
#include <vector>

#include "sync/Tctrl.h"

namespace korvi {

class PartnerDirectory;

inline constexpr int kStoreWritingActions[] = {
    kActDeleteContacts,
    kActExportContactsToOutlook,
    kActExportContactsToGmail,
    kActImportContactsFromXMLFile,
    kActImportContactsFromCSVFile,
    kActImportContactsFromOutlook,
    kActImportContactsFromGmail,
    kActSyncContacts,
};

// The body run holding the lock in lockFile; when another process holds it, the action ends
// at once with kResultStoreBusy and text 192 naming that process.
Tctrl::ActionBody HoldingStoreWriteLock(std::filesystem::path lockFile, Tctrl::ActionBody body);

// The store-writing actions above and every registered partner's export and import: a
// partner store added later brings its own transfer numbers.
std::vector<int> StoreWritingActions(const PartnerDirectory& partners);

// Wraps the registered body of each of the actions with HoldingStoreWriteLock, once (an action
// wrapped twice would find the lock taken by its own process). Bodies registered afterwards
// (a dry run's, which writes nothing) run without the lock.
void GuardStoreWrites(Tctrl& ctrl, const std::filesystem::path& lockFile,
                      const std::vector<int>& actions);

}  // namespace korvi
