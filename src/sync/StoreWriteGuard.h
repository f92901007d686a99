// The actions that write a contact store run holding the store-write lock (StoreWriteLock.h),
// so that two processes never write at once: delete, the exports into a partner store, the
// imports and the sync. Reading actions (service checks, file exports, folder lists) do not
// take it.
#pragma once

#include <filesystem>

#include "sync/Tctrl.h"

namespace korvi {

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

// Wraps the registered body of every store-writing action with HoldingStoreWriteLock. Bodies
// registered afterwards (a dry run's, which writes nothing) run without the lock.
void GuardStoreWrites(Tctrl& ctrl, const std::filesystem::path& lockFile);

}  // namespace korvi
