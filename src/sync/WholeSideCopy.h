// Copying one whole side onto the other: the replace and fill directions of a sync, the
// imports into the PBX and the exports into a partner store. A copy that stops halfway has
// changed the ids of what it wrote; a sync list still describing the old target would make
// the next sync read every contact it names as deleted there, and delete it on the other side
// too. So the sync lists that describe the target go before the target changes, and the pair's
// list is written again only when the copy has finished. A sync after a failed or cancelled
// copy is then a first-time sync by name, which never deletes.
#pragma once

#include <cstdint>
#include <string>

#include "app/PartnerStore.h"
#include "app/Progress.h"
#include "app/Result.h"
#include "files/ContactFile.h"
#include "model/Contact.h"

namespace korvi {

// Before the PBX phonebook of contactType changes as a whole: every sync list of that contact
// type, whatever partner store it pairs with, names contact ids that are about to go.
// Success, or -1 naming the file that could not be removed (then nothing may be changed).
Result ForgetPbxSyncLists(TcontactFile& files, int32_t contactType);

// Writes list over the partner store (its SaveContacts) after removing the pair's sync list.
// The store's key is taken from the store as it opens the folder now, not from an earlier
// load. The caller writes the sync list when this succeeds.
Result ReplacePartnerContacts(PartnerStore& partner, TcontactFile& files, int32_t contactType,
                              TContactList& list, const StopFlag& stop);

}  // namespace korvi
