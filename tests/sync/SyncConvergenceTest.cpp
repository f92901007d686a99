// The sync converges: whatever the edits on both sides and whichever conflict rule, the sync
// after a sync has nothing to do and both sides agree. Two hundred seeds here; the runner
// bench-sync-convergence takes as many as wanted.
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

#include "app/Log.h"
#include "common/TestEnv.h"
#include "sync/ConvergenceProperty.h"

namespace korvi::test {
namespace {

// Each seed writes its sync list four times, each write made durable: in memory (where there
// is a file system in memory) that costs nothing, on a disk it would cost most of the run.
std::filesystem::path SyncListsFolder() {
    std::string pattern = "/dev/shm/korvi-convergence-XXXXXX";
    if (std::filesystem::is_directory("/dev/shm") && ::mkdtemp(pattern.data()) != nullptr) {
        return pattern;
    }
    return MakeTempDir("convergence");
}

TEST(SyncConvergenceTest, TwoHundredSeeds_TheSyncAfterEachSyncHasNothingToDo) {
    SetLogsFolder(MakeTempDir("logs"));
    const auto folder = SyncListsFolder();
    int failures = 0;
    for (uint64_t seed = 1; seed <= 200 && failures < 3; ++seed) {
        const ConvergenceOutcome out = RunConvergence(seed, folder / std::to_string(seed));
        if (!out.ok) {
            ++failures;
            ADD_FAILURE() << out.failure;
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}

}  // namespace
}  // namespace korvi::test
