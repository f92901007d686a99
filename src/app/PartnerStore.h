// The partner store that a sync, an import or an export works with: the local address book,
// the cloud contact group, or any store registered as a partner. Each offers exactly this.
#pragma once

#include <string>

#include "app/Progress.h"
#include "app/Result.h"
#include "model/Contact.h"

namespace korvi {

class PartnerStore {
public:
    virtual ~PartnerStore() = default;

    // Appends the store's contacts to list (which the caller has cleared). -7 when stopped.
    virtual Result LoadContacts(TContactList& list, const StopFlag& stop) = 0;
    // Writes the whole list as new items (after removing the existing ones unless the store is
    // told to keep them); records every new item's id in the contact's entryId. -7 when stopped.
    virtual Result SaveContacts(TContactList& list, const StopFlag& stop) = 0;

    enum UpdateKind { kUpdateAdd = 1, kUpdateDelete = 2, kUpdateAmend = 3 };
    // One step of an action list. An add stores the new item's id in contact.entryId. A failure
    // of the store as a whole (its folder gone or not writable, its disk full), which every
    // further update would meet too, is kResultNoSyncFile: the action list ends there.
    virtual Result UpdateContact(int kind, TContact& contact) = 0;

    // Called around a run of UpdateContact calls (the local store opens its folder here).
    virtual Result BeginUpdates() { return {}; }
    virtual void EndUpdates() {}

    // The key that names this store's sync list file; valid after a load, save or BeginUpdates.
    virtual std::string contactStoreID() const = 0;
};

}  // namespace korvi
