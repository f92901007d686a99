// The guards of a sync that nobody watches: it applies nothing when it would delete a large
// part of a side, and it does not fill a side that reads empty while the sync list says the
// last sync left contacts there. A manual sync asks instead. On the in-memory world and on the
// simulator with an address book folder. And one writer of the stores at a time.
#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/Log.h"
#include "app/StoreWriteLock.h"
#include "app/Texts.h"
#include "common/TestEnv.h"
#include "sync/Partner.h"
#include "sync/StoreWriteGuard.h"
#include "sync/SyncDriver.h"
#include "sync/SyncGuards.h"
#include "sync/SyncTestSupport.h"
#include "sync/SyncWorldFactories.h"
#include "sync/Tctrl.h"

namespace korvi::test {
namespace {

struct LimitCase {
    const char* name;
    int deletes;
    int sideSize;
    DeletionLimits limits;
    bool exceeds;
};

const LimitCase kLimitCases[] = {
    {"ElevenOfTwenty_Exceeds", 11, 20, {}, true},
    {"TenOfTwenty_NotMoreThanTheCount", 10, 20, {}, false},
    {"ElevenOfFortyFour_AQuarterExactly", 11, 44, {}, false},
    {"ElevenOfFortyThree_MoreThanAQuarter", 11, 43, {}, true},
    {"ThirtyOfTwoHundred_SmallShare", 30, 200, {}, false},
    {"OwnLimits_OneOfHundred", 1, 100, {.maxCount = 0, .percent = 0}, true},
    {"OwnLimits_TwelveUnderTwenty", 12, 20, {.maxCount = 20, .percent = 25}, false},
};

class DeletionLimitsTest : public testing::TestWithParam<LimitCase> {};

TEST_P(DeletionLimitsTest, ExceedsWhenBothCountAndShareAreTooHigh) {
    const LimitCase& c = GetParam();
    EXPECT_EQ(c.exceeds, ExceedsDeletionLimits(c.deletes, c.sideSize, c.limits));
}

INSTANTIATE_TEST_SUITE_P(Sync, DeletionLimitsTest, testing::ValuesIn(kLimitCases),
                         [](const auto& info) { return std::string(info.param.name); });

std::vector<std::string> Twenty() {
    static const char* const kNames[] = {"Anna Lee",   "Ben Ode",    "Cleo Park", "Dan Roe",
                                         "Eve Sand",   "Fay Tuck",   "Gil Vance", "Hal Wynn",
                                         "Ida Ames",   "Jon Smith",  "Kai Ulm",   "Lia Moss",
                                         "Max Pohl",   "Nora Quist", "Otto Rahn", "Pia Stern",
                                         "Quinn Tarr", "Rosa Uhde",  "Sven Vogt", "Tilda Weiss"};
    std::vector<std::string> specs;
    for (int i = 0; i < 20; ++i)
        specs.push_back(std::string(kNames[i]) + ": Mob=0170 " + std::to_string(1000 + i));
    return specs;
}

std::string Name(const std::string& spec) { return spec.substr(0, spec.find(':')); }

class SyncGuardsTest : public testing::TestWithParam<WorldFactory> {
protected:
    // The partner's name as the history and the texts give it.
    std::string PartnerOf() const { return PartnerName(world->partnerCode()); }

    void SetUp() override {
        SetLogsFolder(MakeTempDir("logs"));
        world = GetParam().make();
        if (!world) GTEST_SKIP() << GetParam().name << " world not available";
        for (const auto& s : specs) {
            world->PbxAdd(s);
            world->PartnerAdd(s);
        }
        driver = std::make_unique<SyncDriver>(*world);
        ASSERT_EQ(0, driver->Sync()) << driver->ctrl.resultText();
    }

    std::vector<std::string> specs = Twenty();
    std::unique_ptr<SyncWorld> world;
    std::unique_ptr<SyncDriver> driver;
};

TEST_P(SyncGuardsTest, SilentSyncWouldDeleteTooMuch_AppliesNothingAndSaysWhy) {
    for (int i = 0; i < 12; ++i) world->PartnerDelete(Name(specs[static_cast<std::size_t>(i)]));
    world->PbxAdd("Uwe Zorn: Mob=0171 1");
    const auto pbx = Canon(world->PbxState());
    const auto partner = Canon(world->PartnerState());
    const std::string syncList = ReadFile(driver->SyncFilePath());

    EXPECT_EQ(kResultDeletionsHeldBack, driver->Sync(eSyncDir_Both, eSync_PBX_wins, {}, 1));
    EXPECT_EQ(Text(187, {}, {}, "12", "21"), driver->ctrl.resultText());
    EXPECT_EQ(pbx, Canon(world->PbxState()));
    EXPECT_EQ(partner, Canon(world->PartnerState()));
    EXPECT_EQ(syncList, ReadFile(driver->SyncFilePath()));
    EXPECT_EQ(std::string("Deletions wait for a manual Sync: 12 in PBX, 0 in ") + PartnerOf(),
              LogLines(HistoryFilePath().string()).back());

    // Larger limits of the user's own let it through.
    driver->ctrl.silentDeleteMax = 12;
    EXPECT_EQ(0, driver->Sync(eSyncDir_Both, eSync_PBX_wins, {}, 1)) << driver->ctrl.resultText();
    EXPECT_EQ(9u, world->PbxState().size());
    EXPECT_EQ(9u, world->PartnerState().size());
}

TEST_P(SyncGuardsTest, TooManyDeletionsOnBothSides_BothNamed_ManualSyncAsks) {
    for (int i = 0; i < 6; ++i) world->PartnerDelete(Name(specs[static_cast<std::size_t>(i)]));
    for (int i = 14; i < 20; ++i) world->PbxDelete(Name(specs[static_cast<std::size_t>(i)]));
    driver->ctrl.silentDeleteMax = 5;
    EXPECT_EQ(kResultDeletionsHeldBack, driver->Sync(eSyncDir_Both, eSync_PBX_wins, {}, 1));
    EXPECT_EQ(Text(187, {}, {}, "6", "14") + "\n" + Text(188, PartnerOf(), {}, "6", "14"),
              driver->ctrl.resultText());
    EXPECT_EQ(14u, world->PbxState().size());
    EXPECT_EQ(14u, world->PartnerState().size());

    const Answers ok = {{"pbx-deletes", kOk}, {"partner-deletes", kOk}};
    EXPECT_EQ(0, driver->Sync(eSyncDir_Both, eSync_PBX_wins, ok)) << driver->ctrl.resultText();
    EXPECT_EQ(8u, world->PbxState().size());
    EXPECT_EQ(8u, world->PartnerState().size());
}

TEST_P(SyncGuardsTest, DeletionsWithinTheLimits_AppliedSilently) {
    for (int i = 0; i < 10; ++i) world->PartnerDelete(Name(specs[static_cast<std::size_t>(i)]));
    EXPECT_EQ(0, driver->Sync(eSyncDir_Both, eSync_PBX_wins, {}, 1)) << driver->ctrl.resultText();
    EXPECT_EQ(10u, world->PbxState().size());
}

TEST_P(SyncGuardsTest, PartnerReadsEmpty_SilentStopsManualAsks) {
    for (const auto& s : specs) world->PartnerDelete(Name(s));
    const std::string syncList = ReadFile(driver->SyncFilePath());
    const std::string warning = Text(190, PartnerOf(), {}, "20");

    EXPECT_EQ(kResultEmptySide, driver->Sync(eSyncDir_Both, eSync_PBX_wins, {}, 1));
    EXPECT_EQ(warning + "\n" + Text(191), driver->ctrl.resultText());
    EXPECT_TRUE(world->PartnerState().empty());
    EXPECT_EQ(syncList, ReadFile(driver->SyncFilePath()));

    EXPECT_EQ(kResultCancelled,
              driver->Sync(eSyncDir_Both, eSync_PBX_wins, {{kQuestionEmptySide, kCancel}}));
    EXPECT_TRUE(world->PartnerState().empty());
    EXPECT_EQ(syncList, ReadFile(driver->SyncFilePath()));
    EXPECT_EQ(20u, world->PbxState().size());

    EXPECT_EQ(0, driver->Sync(eSyncDir_Both, eSync_PBX_wins, {{kQuestionEmptySide, kOk}}));
    EXPECT_EQ(CanonSpecs(specs), Canon(world->PartnerState()));
}

TEST_P(SyncGuardsTest, PbxReadsEmpty_SilentStopsManualAsks) {
    for (const auto& s : specs) world->PbxDelete(Name(s));
    const std::string warning = Text(189, PartnerOf(), world->pbx().CurrentContactTypeName(), "20");
    EXPECT_EQ(kResultEmptySide, driver->Sync(eSyncDir_PartnerToPbx, eSync_PBX_wins, {}, 1));
    EXPECT_EQ(warning + "\n" + Text(191), driver->ctrl.resultText());
    EXPECT_TRUE(world->PbxState().empty());

    EXPECT_EQ(0, driver->Sync(eSyncDir_Both, eSync_PBX_wins, {{kQuestionEmptySide, kOk}}));
    EXPECT_EQ(CanonSpecs(specs), Canon(world->PbxState()));
}

class OnePartner final : public PartnerDirectory {
public:
    explicit OnePartner(Partner partner) : m_partner(std::move(partner)) {}
    const Partner* Find(int code) const override {
        return code == m_partner.code ? &m_partner : nullptr;
    }
    std::vector<const Partner*> All() const override { return {&m_partner}; }

private:
    Partner m_partner;
};

// A partner store registered later brings transfer actions of its own numbers: they take the
// lock like the address book's. An action named twice is wrapped once, else it would find the
// lock taken by its own process.
TEST(StoreWriteGuardTest, PartnersTransfersHoldTheLock_EachActionWrappedOnce) {
    using namespace std::chrono_literals;
    SetLogsFolder(MakeTempDir("logs"));
    Partner later;
    later.code = 5;
    later.exportAction = kActExportContactsToCSVFile;  // stands for a number of its own
    later.importAction = kActImportContactsFromOutlook;
    const auto actions = StoreWritingActions(OnePartner(later));

    Tctrl ctrl;
    ctrl.SetWorkerSleeps(0ms, 0ms);
    int runs = 0;
    for (const int action : actions) {
        ctrl.SetActionBody(action, [&runs](Tctrl&, const StopFlag&) { ++runs; });
    }
    const auto lockFile = MakeTempDir("data") / kStoreWriteLockFile;
    GuardStoreWrites(ctrl, lockFile, actions);
    const auto run = [&ctrl](int action) {
        ctrl.action = action;
        ctrl.SetBusy(1);
        ctrl.StartAction();
        EXPECT_TRUE(ctrl.WaitUntilIdle(10s));
        return ctrl.result().code;
    };
    for (const int action : {kActExportContactsToCSVFile, kActImportContactsFromOutlook,
                             kActExportContactsToOutlook, kActSyncContacts}) {
        EXPECT_EQ(0, run(action)) << ActionName(action);
    }
    EXPECT_EQ(4, runs);

    StoreWriteLock other;
    std::string text;
    ASSERT_EQ(StoreWriteLock::Outcome::kHeld, other.TryLock(lockFile, text)) << text;
    for (const int action : {kActExportContactsToCSVFile, kActImportContactsFromOutlook}) {
        EXPECT_EQ(kResultStoreBusy, run(action)) << ActionName(action);
    }
    EXPECT_EQ(4, runs);
}

INSTANTIATE_TEST_SUITE_P(Sync, SyncGuardsTest, testing::ValuesIn(WorldFactories()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvi::test
