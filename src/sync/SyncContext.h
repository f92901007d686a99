// What one sync run works with: the controller's lists and inputs, the PBX, the partner store
// and the sync list files, plus the little state that the steps of one run hand each other.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/PartnerStore.h"
#include "files/ContactFile.h"
#include "model/Contact.h"
#include "pbx/PbxPhonebook.h"
#include "sync/ChangeDetection.h"
#include "sync/ListLookup.h"
#include "sync/Tctrl.h"

namespace korvi {

// A sync list entry that the first-time sync linked before its action ran, and what the entry
// must hold if that action is not applied. Holding the other side's unchanged contact makes
// the next sync carry the user's choice across instead of reversing it.
struct SyncListFallback {
    const TContact* action = nullptr;
    TContact* syncEntry = nullptr;
    std::unique_ptr<TContact> ifNotApplied;
};

// Filled while one run goes on; cleared at its start.
struct SyncRunState {
    std::vector<SyncListFallback> fallbacks;
    // Actions that ProcessActionList applied to either side in this run.
    int appliedCount = 0;
    // ProcessActionList's outcome for the caller: whether the sync list in memory may be
    // written even though the result is a failure (some changes were applied).
    bool syncListNeedsWrite = false;
    // Dry run: one line saying what a whole-side copy would do (empty for a sync proper).
    std::string plan;

    void Clear() {
        fallbacks.clear();
        appliedCount = 0;
        syncListNeedsWrite = false;
        plan.clear();
    }
};

struct SyncContext {
    using PartnerSelector = std::function<PartnerStore*(Tctrl& ctrl, Result& whyNot)>;
    using PbxBackup = std::function<Result(std::string& noteOnFailure)>;

    SyncContext(Tctrl& c, PbxPhonebook& p, TcontactFile& f) : ctrl(c), pbx(p), files(f) {}

    Tctrl& ctrl;
    PbxPhonebook& pbx;
    TcontactFile& files;
    // Hands the controller's partner inputs (folder, account) to the store of ctrl.partner and
    // returns it; null when this build has no store for that partner or the store cannot be
    // used now (whyNot then says so; without a code the sync is "not available").
    PartnerSelector selectPartner;
    // Saves the PBX contacts of the current contact type before a sync replaces them. Success,
    // or a failure with its text that stops the replace before anything is deleted. The note
    // (where the backup is) is added to the text of a replace that then fails.
    PbxBackup backupPbx;
    // Load and detect only: the action list is left for the caller to show, nothing is asked
    // (except the similar-contact choice, which decides the list), applied or written.
    bool dryRun = false;
    // What the partner store can hold of a contact's numbers (set with the store).
    PartnerSlots partnerSlots;
    // The store's last word on a run that wrote its sync list (the cloud store reports skipped
    // numbers with -12 here); empty: the result stands.
    std::function<Result(Result)> finishPartner;
    // The plain scans are the reference; the benchmark and the differential test switch.
    MatchStrategy matchStrategy = MatchStrategy::kIndexed;

    PartnerStore* partner = nullptr;
    SyncRunState run;
};

}  // namespace korvi
