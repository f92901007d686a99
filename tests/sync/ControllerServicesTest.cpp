#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/Log.h"
#include "app/Texts.h"
#include "common/TestEnv.h"
#include "services/Services.h"

namespace korvi {
namespace {

namespace fs = std::filesystem;

TEST(ControllerServicesTest, MakesTheUserFoldersAndPointsTheLogsThere) {
    const fs::path data = test::TempRoot() / "data" / "KorviCommunicator";
    Services services;
    EXPECT_EQ(services.setupWarning(), "");
    EXPECT_EQ(services.dataFolder(), data);
    EXPECT_EQ(services.logsFolder(), data / "logs");
    EXPECT_TRUE(fs::is_directory(data / "logs"));
    EXPECT_EQ(LogsFolder(), data / "logs");

    Services::WriteStartupLines();
    const std::string history = test::ReadFile(HistoryFilePath());
    EXPECT_NE(history.find(" - Communicator Started - Version: 1.1.17\n"), std::string::npos)
        << history;
}

TEST(ControllerServicesTest, FolderThatCannotBeMade_GivesWarningAndGoesOn) {
    const fs::path blocked = test::MakeTempDir("blocked") / "file";
    test::WriteFile(blocked, "not a folder");
    ASSERT_EQ(::setenv("XDG_DATA_HOME", blocked.c_str(), 1), 0);
    Services services;
    EXPECT_EQ(services.setupWarning().rfind(Text(kTextDataFolderNotMade), 0), 0u)
        << services.setupWarning();
    // The controller still works; only what writes into the folders fails.
    services.ctrl.SetWorkerSleeps(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
    services.ctrl.action = kActCheckService;
    services.ctrl.SetBusy(1);
    services.ctrl.StartAction();
    ASSERT_TRUE(services.ctrl.WaitUntilIdle(std::chrono::seconds(10)));
    EXPECT_EQ(services.ctrl.resultCode(), kResultActionNotAvailable);
}

TEST(ControllerServicesTest, PreStartChecksRunInOrderUntilTheFirstFailure) {
    Services services;
    std::vector<std::string> calls;
    services.AddPreStartCheck([&](int action) {
        calls.push_back("connection " + std::to_string(action));
        return Result(0, "ignored");
    });
    services.AddPreStartCheck([&](int action) {
        calls.push_back("contact type " + std::to_string(action));
        if (action != kActDeleteContacts) return Result();
        return Result(-4, "No contact type selected");
    });
    services.AddPreStartCheck([&](int) {
        calls.push_back("never");
        return Result();
    });
    services.AddPreStartCheck(nullptr);

    const Result passed = services.RunPreStartChecks(kActCheckService);
    EXPECT_EQ(passed.code, 0);
    EXPECT_EQ(passed.text, "");
    const Result failed = services.RunPreStartChecks(kActDeleteContacts);
    EXPECT_EQ(failed.code, -4);
    EXPECT_EQ(failed.text, "No contact type selected");
    EXPECT_EQ(calls, (std::vector<std::string>{"connection 1", "contact type 1", "never",
                                               "connection 4", "contact type 4"}));
}

TEST(ControllerServicesTest, EndingWhileAnActionRuns_StopsTheWorkerBeforeTheModulesGo) {
    std::atomic<bool> bodyEnded{false};
    std::atomic<bool> started{false};
    {
        Services services;
        services.AddPreStartCheck([](int) { return Result(); });
        services.ctrl.SetWorkerSleeps(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
        services.ctrl.SetActionBody(kActSyncContacts, [&](Tctrl& c, const StopFlag&) {
            started = true;
            EXPECT_TRUE(c.WaitForStop(std::chrono::seconds(10)));
            // A body on its way out still uses the other modules.
            EXPECT_TRUE(services.RunPreStartChecks(kActSyncContacts).ok());
            bodyEnded = true;
        });
        services.ctrl.action = kActSyncContacts;
        services.ctrl.SetBusy(1);
        services.ctrl.StartAction();
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!started && std::chrono::steady_clock::now() < until) std::this_thread::yield();
        ASSERT_TRUE(started);
    }
    EXPECT_TRUE(bodyEnded);
}

}  // namespace
}  // namespace korvi
