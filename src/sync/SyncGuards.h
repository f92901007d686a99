// What a sync that nobody watches (the window's timer, `korvi sync --silent`) must not decide
// on its own, and the question a manual sync asks instead: deleting a large part of a side,
// and filling a side that reads empty although the last sync left contacts there (a folder
// that is not mounted, a phonebook someone else cleared), which would make the next sync read
// every contact of the sync list as deleted.
#pragma once

#include <string>

#include "app/Prompt.h"
#include "app/SilentSyncLimits.h"

namespace korvi {

inline constexpr char kQuestionEmptySide[] = "empty-side";

struct DeletionLimits {
    int maxCount = kSilentDeleteMaxDefault;
    int percent = kSilentDeletePercentDefault;
};

// True when deleting `deletes` of the `sideSize` contacts of a side is more than a silent sync
// may do: more than limits.maxCount contacts and more than limits.percent of the side.
[[nodiscard]] bool ExceedsDeletionLimits(int deletes, int sideSize, const DeletionLimits& limits);

// Text 189 (the PBX reads empty) or 190 (the partner does), with the sync list's count.
std::string EmptySideWarning(bool pbxEmpty, int syncListEntries, const std::string& partnerName,
                             const std::string& contactTypeName);

// True only for OK; no prompt at all counts as Cancel.
[[nodiscard]] bool ConfirmEmptySide(Prompt* prompt, const std::string& warning);

}  // namespace korvi
