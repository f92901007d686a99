// The window's auto-sync timer, months unattended: a tick whose sync would delete most of a
// side, finds a side empty, or finds another writer at work changes nothing on either side,
// asks nothing, says why in the history, and is not started again until the next interval.
// Through the flow the window runs, against the simulator and an address book folder.
#include <chrono>
#include <ctime>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/AppPaths.h"
#include "app/Clock.h"
#include "app/Log.h"
#include "app/ScriptedPrompt.h"
#include "app/SettingsRegistry.h"
#include "app/StoreWriteLock.h"
#include "app/Texts.h"
#include "common/TestEnv.h"
#include "flows/FlowContext.h"
#include "flows/FrontEnd.h"
#include "flows/SyncFlows.h"
#include "services/Services.h"
#include "sync/SyncCliWorld.h"
#include "sync/SyncTestSupport.h"

namespace korvi::test {
namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;

// The window's front end for the timer: no box, no progress; what it was told is kept.
class TimerFrontEnd final : public flows::FrontEnd {
public:
    Prompt& prompt() override { return questions; }
    void Information(const std::string& text) override { told.push_back(text); }
    void Warning(const std::string& text) override { told.push_back(text); }
    void Error(const std::string& text) override { told.push_back(text); }
    bool WaitForAction(Tctrl& ctrl, int) override { return !ctrl.WaitUntilIdle(60s); }
    Result SelectContactType(Tpbx&) override { return {kResultLocalFailure, "not asked"}; }
    std::optional<std::string> ChooseFile(flows::FileDialog) override { return {}; }
    Result ChooseOutlookFolder(Toutlook&) override { return {kResultLocalFailure, "not asked"}; }
    std::optional<std::string> ChooseServer(const std::vector<std::string>&) override { return {}; }

    ScriptedPrompt questions;
    std::vector<std::string> told;
};

class FixedClock final : public Clock {
public:
    std::time_t Now() const override { return now; }
    std::time_t now = 1'800'000'000;
};

std::string Name(const std::string& spec) { return spec.substr(0, spec.find(':')); }

struct TickCase {
    const char* name;
    // The user's edits (or the other writer) before the tick; what the tick must refuse.
    std::function<void(SyncCliWorld&, const std::vector<std::string>& specs)> before;
    int code;
    // A line of the history that says why, besides the failure line.
    const char* historyLine;
};

const TickCase kTickCases[] = {
    {"TwelveOfTwentyCardsRemoved_HeldBack",
     [](SyncCliWorld& w, const std::vector<std::string>& specs) {
         for (int i = 0; i < 12; ++i) w.BookDelete(Name(specs[static_cast<std::size_t>(i)]));
     },
     kResultDeletionsHeldBack, "Deletions wait for a manual Sync: 12 in PBX, 0 in Outlook"},
    {"FolderReadsEmpty_NotTakenAsAllDeleted",
     [](SyncCliWorld& w, const std::vector<std::string>& specs) {
         for (const auto& s : specs) w.BookDelete(Name(s));
     },
     kResultEmptySide, "Sync started [Automatically]"},
    {"AnotherWriterAtWork_RefusedAtOnce",
     [](SyncCliWorld& w, const std::vector<std::string>&) { w.BookAdd("New Card: Home=040 1"); },
     kResultStoreBusy, "Sync started [Automatically]"},
};

void PrintTo(const TickCase& c, std::ostream* os) { *os << c.name; }

class AutoSyncTickTest : public testing::TestWithParam<TickCase> {
protected:
    void SetUp() override {
        SetLogsFolder(MakeTempDir("logs"));
        ASSERT_TRUE(w.Start());
    }

    // Twenty contacts in the PBX, copied into the empty default folder by a manual sync.
    std::vector<std::string> LinkTwenty() {
        std::vector<std::string> specs;
        for (int i = 0; i < 20; ++i) {
            specs.push_back("Person" + std::to_string(i) + " Tick: Mob=0170 " +
                            std::to_string(1000 + i));
            w.PbxAdd(specs.back());
        }
        std::string err;
        EXPECT_EQ(0, w.Sync({"--yes"}, nullptr, &err)) << err;
        return specs;
    }

    // The settings as the window holds them with auto sync on, two-way, every hour.
    KorviSettings TimerSettings() {
        KorviSettings s;
        GetFormSettingsFromRegistry(s);
        s.pbxUrl = "http://127.0.0.1";
        s.pbxPort = std::to_string(w.sim().Port());
        s.userName = "user";
        s.pin = SyncCliWorld::kPin;
        s.connTimeout = "5";
        s.syncPartner = ePartner_Outlook;
        s.syncDir = eSyncDir_Both;
        s.syncContactType = SyncCliWorld::kDesk;
        s.syncContactTypeName = "Extension 201";
        s.autoSyncInterval = 0;
        return s;
    }

    SyncCliWorld w;
};

TEST_P(AutoSyncTickTest, ChangesNothingAsksNothingSaysWhy) {
    const TickCase& c = GetParam();
    const auto specs = LinkTwenty();
    if (c.before) c.before(w, specs);
    StoreWriteLock other;
    if (c.code == kResultStoreBusy) {
        std::string text;
        ASSERT_EQ(StoreWriteLock::Outcome::kHeld,
                  other.TryLock(DataFolder() / kStoreWriteLockFile, text))
            << text;
    }
    const auto pbx = w.Pbx();
    const auto book = w.Book();
    const auto lists = w.SyncLists();

    Services services;
    services.ctrl.SetWorkerSleeps(0ms, 0ms);
    services.RegisterActions();
    TimerFrontEnd frontEnd;
    flows::FlowContext ctx{services, frontEnd, TimerSettings()};
    services.Configure(ctx.settings);
    FixedClock clock;
    const flows::TickOutcome tick = flows::AutoSyncTick(ctx, clock);

    EXPECT_TRUE(tick.ran);
    EXPECT_EQ(c.code, services.ctrl.result().code) << services.ctrl.resultText();
    EXPECT_EQ(pbx, w.Pbx());
    EXPECT_EQ(book, w.Book());
    EXPECT_EQ(lists, w.SyncLists());
    EXPECT_TRUE(frontEnd.questions.asked().empty());
    const std::string failure =
        services.ctrl.resultText() + " (Error Code " + std::to_string(c.code) + ")";
    EXPECT_THAT(frontEnd.told, testing::ElementsAre(failure));
    // A failure text may run over several lines of the history.
    const std::string history = ReadFile(HistoryFilePath());
    EXPECT_THAT(history, HasSubstr("Sync Fail - " + failure + "\n"));
    EXPECT_THAT(history, HasSubstr(c.historyLine));

    // The stored sync time keeps a failing sync from running again at every tick.
    clock.now += 60;
    EXPECT_FALSE(flows::AutoSyncTick(ctx, clock).ran);
    clock.now += 300;
    EXPECT_TRUE(flows::AutoSyncTick(ctx, clock).ran);
    EXPECT_EQ(c.code, services.ctrl.result().code) << services.ctrl.resultText();
    EXPECT_EQ(pbx, w.Pbx());
    EXPECT_EQ(book, w.Book());
}

INSTANTIATE_TEST_SUITE_P(Sync, AutoSyncTickTest, testing::ValuesIn(kTickCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvi::test
