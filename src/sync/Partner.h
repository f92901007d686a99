// One partner store as the sync engine, the partner export and import actions and the flows
// see it: its code and name, the store, and the rules in which partners differ. The partner
// registry (src/services) holds one per registered store; the engine finds them through
// PartnerDirectory and so links no store library.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/KorviSettings.h"
#include "app/PartnerStore.h"
#include "app/Result.h"
#include "sync/PartnerSlots.h"

namespace korvi {

class Tctrl;

struct Partner {
    // The partner code of the settings ("SyncPartner") and of the controller's partner input.
    int code = -1;
    // "Outlook", "Gmail", ...: the [PARTNER] of texts, log and history lines.
    std::string name;
    PartnerStore* store = nullptr;
    // What the store can hold of a contact's numbers.
    PartnerSlots slots;
    // The numbered actions that export the PBX contacts into the store and import the store's
    // contacts into the PBX (7 and 11 for the address book); -1 when it has none.
    int exportAction = -1;
    int importAction = -1;
    // The failure text of an import from a store that lists no contacts (result -8).
    std::string noContactsText;

    // The store's own numbered actions (the address book's folder tree and version), put on
    // the controller with the other bodies. May be empty.
    std::function<void(Tctrl& ctrl)> registerActions;
    // The settings that concern the store (folders, accounts), handed over by the front end
    // before it starts an operation. May be empty.
    std::function<void(const KorviSettings& settings)> configure;
    // Whether a sync with this partner may be offered with these settings ("Sync Now!" and
    // the tray's item): a cloud account must look valid. Empty: always.
    std::function<bool(const KorviSettings& settings)> isSyncReady;
    // Before a sync: the controller's partner inputs (folder, account, group) into the store,
    // and whatever the store must do first (a cloud login). A failure ends the sync with it.
    std::function<Result(Tctrl& ctrl)> prepareSync;
    // Before an export or an import: success, or why the store cannot be used now (a cloud
    // store that is not logged in). Empty: always ready.
    std::function<Result()> checkTransfer;
    // The store's last word on a sync or an import that succeeded (the cloud store reports
    // skipped numbers with -12 here). Empty: the result stands.
    std::function<Result(Result)> finish;
    // For the sync settings: finds the store's folder or group as a sync would (without
    // loading it), so that contactStoreID() names the pair's sync list afterwards. A failure
    // is the folder that cannot be opened.
    std::function<Result(const KorviSettings& settings)> locate;
};

// Where the engine and the actions find the partner of a code.
class PartnerDirectory {
public:
    virtual ~PartnerDirectory() = default;
    // Null when no store is registered for the code.
    virtual const Partner* Find(int code) const = 0;
    // Every registered partner, by code.
    virtual std::vector<const Partner*> All() const = 0;
};

}  // namespace korvi
