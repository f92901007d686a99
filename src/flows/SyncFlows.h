// The operations of the sync tab: Sync Now, the auto-sync timer's tick with its due rule on the
// stored "SyncTime", switching auto sync on and off, and forgetting a pair's sync list. The
// partner, folder, direction, conflict rule and contact type are the settings' (SyncPartner,
// syncOutlookFolder, SyncDir, ConflictRes, SyncContactType and its name).
#pragma once

#include <filesystem>

#include "app/Result.h"

namespace korvi {
class Clock;
}

namespace korvi::flows {

struct FlowContext;

struct SyncRequest {
    // The automatic sync: silent (no question, no first-time sync, no progress) and its own
    // log and history lines. Its messages still reach the front end, which shows none of them
    // in a box; the command line prints them.
    bool automatic = false;
    // Load and compare only (the sync body registered for a dry run): no history lines.
    bool dryRun = false;
    // The timer's run: "SyncTime" := the clock's local time before the sync starts.
    const Clock* saveSyncTimeFrom = nullptr;
};

struct SyncOutcome {
    Result result;
    // The pair had no sync list: the run was (or would be) a first-time sync.
    bool firstTime = false;
    // The sync action ran (the checks before it passed).
    bool syncRan = false;
};

// Whether a store is registered for the settings' partner: the failure box otherwise.
Result CheckSyncPartner(FlowContext& ctx);

// SyncNow (and, automatic, the body of the timer's run).
SyncOutcome SyncNow(FlowContext& ctx, const SyncRequest& request = {});

struct TickOutcome {
    // A sync was due and ran (whatever its result).
    bool ran = false;
    // The timer goes on ticking; false after a run that stopped early, until the next manual
    // sync or switch-on.
    bool timerOn = true;
};

// tmrAutoSyncTimer, every 60 s while auto sync is on: a sync when more than the interval of
// "AutoSyncInterval" has passed since the stored "SyncTime".
TickOutcome AutoSyncTick(FlowContext& ctx, const Clock& clock);

// comboBoxAutoSyncChange to on: false (with the warning shown) when auto sync must stay off
// (the folder cannot be opened, or a two-way sync has no sync list yet).
bool TurnAutoSyncOn(FlowContext& ctx);
// comboBoxAutoSyncChange to off.
void TurnAutoSyncOff();

// Forgets the sync list of the settings' pair (the next sync is a first-time sync), after the
// user confirms. What happened, for the front end to tell.
struct ResetOutcome {
    enum class Kind { kNoList, kDeleted, kDeclined, kFailed } kind = Kind::kFailed;
    std::filesystem::path file;
    Result result;
};
ResetOutcome ResetSyncList(FlowContext& ctx);

}  // namespace korvi::flows
