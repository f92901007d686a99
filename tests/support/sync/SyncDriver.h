// Runs DoSync over a SyncWorld on the test thread, with scripted answers, and reads back the
// pair's sync list.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "app/ScriptedPrompt.h"
#include "services/PartnerRegistry.h"
#include "sync/SyncContext.h"
#include "sync/SyncWorld.h"

namespace korvi::test {

using Answers = std::vector<std::pair<std::string, int>>;

class SyncDriver {
public:
    explicit SyncDriver(SyncWorld& world);

    // Queues the answers, runs one sync and returns its result code. Questions nobody
    // answered fail the test.
    int Sync(int direction = eSyncDir_Both, int conflict = eSync_PBX_wins,
             const Answers& answers = {}, int silent = 0);

    std::filesystem::path SyncFilePath();
    bool SyncFileExists();
    std::vector<std::string> SyncList();  // canonical, from the file

    SyncWorld& world;
    PartnerRegistry partners;
    Tctrl ctrl;
    ScriptedPrompt prompt;
    SyncContext ctx;
    StopFlag stop{false};
};

}  // namespace korvi::test
