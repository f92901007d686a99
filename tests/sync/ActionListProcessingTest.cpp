// Applying an action list: which failures stop it, what reaches the sync list, what is
// reported, and the progress it shows.
#include <stdexcept>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/Log.h"
#include "app/Texts.h"
#include "common/TestEnv.h"
#include "sync/ActionListProcessing.h"
#include "sync/MemoryPartnerStore.h"
#include "sync/MemoryPbx.h"
#include "sync/SyncTestSupport.h"

namespace korvi::test {
namespace {

using testing::Contains;
using testing::ElementsAre;
using testing::HasSubstr;

class ActionListProcessingTest : public testing::Test {
protected:
    void SetUp() override {
        SetLogsFolder(MakeTempDir("logs"));
        SetDetailedLogging(true);
        ctrl.partnerName = "Outlook";
    }
    void Queue(const std::string& spec, int32_t action, int32_t contactId = 0,
               const std::string& entryId = {}) {
        auto c = std::make_unique<TContact>(MakeContact(spec));
        c->action = action;
        c->contactId = contactId;
        c->entryId = entryId;
        ctrl.actionList.push_back(std::move(c));
    }
    void Process() { ProcessActionList(ctrl, pbx, partner, run, stop); }
    std::vector<std::string> Log() { return LogLines(DetailedLogFilePath().string()); }

    Tctrl ctrl;
    MemoryPbx pbx;
    MemoryPartnerStore partner;
    SyncRunState run;
    StopFlag stop{false};
};

TEST_F(ActionListProcessingTest, PartnerFailures_FirstReportedWithCountWhileTheLoopGoesOn) {
    Queue("Anna Lee: Mob=1", eAddInPartner);
    Queue("Ben Ode: Mob=2", eAddInPartner);
    Queue("Cleo Park: Mob=3", eAddInPartner);
    Queue("Dan Roe: Mob=4", eAddInPBX);
    partner.SetUpdateFilter([](int, const TContact&, int call) {
        return call == 1 ? -1 : call == 3 ? -5 : 0;
    });
    Process();
    EXPECT_EQ(-1, ctrl.resultCode());
    EXPECT_EQ("Update 1 of [Anna] [Lee] refused (2 updates in Outlook failed)", ctrl.resultText());
    EXPECT_EQ(CanonSpecs({"Ben Ode: Mob=2"}), Canon(partner.contacts()));
    EXPECT_EQ(1u, pbx.Phonebook().size());
    EXPECT_EQ(CanonSpecs({"Ben Ode: Mob=2", "Dan Roe: Mob=4"}), Canon(ctrl.syncContactList));
    EXPECT_TRUE(run.syncListNeedsWrite);
    EXPECT_EQ(2, run.appliedCount);
}

// The store failed as a whole (its folder gone, not writable, its disk full): every update
// after it would fail too, so the processing ends there, as after an exception in the store.
TEST_F(ActionListProcessingTest, StoreFailure_EndsWithMinus9AndItsText) {
    Queue("Anna Lee: Mob=1", eAddInPartner);
    Queue("Ben Ode: Mob=2", eAddInPartner);
    Queue("Cleo Park: Mob=3", eAddInPartner);
    partner.SetUpdateFilter([](int, const TContact&, int call) { return call == 2 ? -9 : 0; });
    Process();
    EXPECT_EQ(-9, ctrl.resultCode());
    EXPECT_EQ("Update 2 of [Ben] [Ode] refused", ctrl.resultText());
    EXPECT_EQ(CanonSpecs({"Anna Lee: Mob=1"}), Canon(partner.contacts()));
    EXPECT_EQ(CanonSpecs({"Anna Lee: Mob=1"}), Canon(ctrl.syncContactList));
    EXPECT_THAT(
        Log(),
        Contains(HasSubstr("ERR: ProcessActionList: Exception: Update 2 of [Ben] [Ode] refused")));
    EXPECT_EQ(1, partner.endCalls());
}

TEST_F(ActionListProcessingTest, PbxFailure_StopsAtOnceAndRecordsOnlyWhatWasApplied) {
    Queue("Anna Lee: Mob=1", eAddInPartner);
    Queue("Ben Ode: Mob=2", eAddInPBX);
    Queue("Cleo Park: Mob=3", eAddInPBX);
    pbx.SetRequestFilter([](int request, const std::string&) { return request == 1 ? 17 : 0; });
    Process();
    EXPECT_EQ(17, ctrl.resultCode());
    EXPECT_EQ("[Exception] request 1 failed", ctrl.resultText());
    EXPECT_EQ(1, pbx.requests()) << "the loop must stop at the failing PBX action";
    EXPECT_EQ(CanonSpecs({"Anna Lee: Mob=1"}), Canon(ctrl.syncContactList));
    EXPECT_TRUE(run.syncListNeedsWrite);
    EXPECT_EQ(1, partner.endCalls());
    EXPECT_FALSE(partner.open());
}

TEST_F(ActionListProcessingTest, NewContactIdForPbxDeleteOrAmend_SkippedAndSyncEntryKept) {
    for (const auto& [spec, entry] :
         {std::pair{"Anna Lee: Mob=1", "E1"}, {"Ben Ode: Mob=2", "E2"}}) {
        auto s = std::make_unique<TContact>(MakeContact(spec));
        s->contactId = kContactIdNew;
        s->entryId = entry;
        ctrl.syncContactList.push_back(std::move(s));
    }
    const auto before = Canon(ctrl.syncContactList);
    Queue("Anna Lee: Mob=1", eDelInPBX, kContactIdNew, "E1");
    Queue("Ben Ode: Mob=9", eAmendInPBX, kContactIdNew, "E2");
    Process();
    EXPECT_EQ(0, ctrl.resultCode());
    EXPECT_EQ(0, pbx.requests());
    EXPECT_EQ(before, Canon(ctrl.syncContactList));
    ASSERT_EQ(2u, ctrl.syncContactList.size());
    EXPECT_EQ("E1", ctrl.syncContactList[0]->entryId);
    const auto log = Log();
    EXPECT_THAT(log, Contains("ERR: ProcessActionList(0): eDelInPBX : [Anna] [Lee] - could not "
                              "find in pbxContactList"));
    EXPECT_THAT(log, Contains("ERR: ProcessActionList(1): eAmendInPBX : [Ben] [Ode] - could not "
                              "find in pbxContactList"));
    EXPECT_FALSE(run.syncListNeedsWrite);
}

TEST_F(ActionListProcessingTest, EmptyList_NothingToDoAndFolderNotOpened) {
    ctrl.SetResult(-3, "earlier");
    Process();
    EXPECT_EQ(0, ctrl.resultCode());
    EXPECT_EQ(0, partner.beginCalls());
    EXPECT_THAT(Log(), ElementsAre("LOG: ProcessActionList: Nothing to do!"));
}

TEST_F(ActionListProcessingTest, FolderDoesNotOpen_FailsWithItsCodeAndAppliesNothing) {
    Queue("Anna Lee: Mob=1", eAddInPBX);
    partner.SetBeginFailure(-1);
    Process();
    EXPECT_EQ(-1, ctrl.resultCode());
    EXPECT_EQ("The folder could not be opened", ctrl.resultText());
    EXPECT_EQ(0, pbx.requests());
    EXPECT_EQ(0, partner.endCalls());
    EXPECT_FALSE(run.syncListNeedsWrite);
}

TEST_F(ActionListProcessingTest, ExceptionInStore_EndsWithMinus9AndItsMessage) {
    Queue("Anna Lee: Mob=1", eAddInPBX);
    Queue("Ben Ode: Mob=2", eAmendInPartner, 0, "E2");
    Queue("Cleo Park: Mob=3", eAddInPBX);
    partner.SetUpdateFilter([](int, const TContact&, int) -> int {
        throw std::runtime_error("address book went away");
    });
    Process();
    EXPECT_EQ(kResultNoSyncFile, ctrl.resultCode());
    EXPECT_EQ("address book went away", ctrl.resultText());
    EXPECT_THAT(Log(), Contains("ERR: ProcessActionList: Exception: address book went away"));
    EXPECT_EQ(1u, pbx.Phonebook().size());
    EXPECT_EQ(CanonSpecs({"Anna Lee: Mob=1"}), Canon(ctrl.syncContactList));
    EXPECT_EQ(1, partner.endCalls());
}

TEST_F(ActionListProcessingTest, TenActions_ProgressRunsFrom10To100) {
    for (int i = 0; i < 10; ++i)
        Queue("P" + std::to_string(i) + " Q: Mob=" + std::to_string(i), eAddInPartner);
    std::vector<ProgressState> seen;
    partner.SetUpdateFilter([&](int, const TContact&, int) {
        seen.push_back(ctrl.ReadProgress());
        return 0;
    });
    Process();
    ASSERT_EQ(10u, seen.size());
    EXPECT_EQ("Applying update 1 of 10", seen[0].progressText);
    EXPECT_EQ(10, seen[0].progressPosition);
    EXPECT_EQ("Applying update 10 of 10", seen[9].progressText);
    EXPECT_EQ(100, seen[9].progressPosition);
    EXPECT_EQ(1, seen[0].progressBarVisible);
    EXPECT_EQ(1, seen[0].cancelEnabled);
    EXPECT_EQ("Updating Sync list... ", ctrl.ReadProgress().progressText);
}

TEST_F(ActionListProcessingTest, NullAndInvalidEntries_LoggedAndPassedOver) {
    ctrl.actionList.push_back(nullptr);
    Queue("Anna Lee: Mob=1", 9);
    Queue("Ben Ode: Mob=2", eAddInPBX);
    CountChangesInActionList(ctrl);
    EXPECT_EQ(1, ctrl.pbxAdds);
    EXPECT_EQ(1, ctrl.pbxUpdates);
    Process();
    EXPECT_EQ(0, ctrl.resultCode());
    const auto log = Log();
    EXPECT_THAT(log, Contains("ERR: CountChangesInActionList(0): Null contact "));
    EXPECT_THAT(log, Contains("ERR: ProcessActionList(0): Null contact "));
    EXPECT_THAT(log, Contains("ERR: ProcessActionList(1): invalid action : 9"));
    EXPECT_EQ(CanonSpecs({"Ben Ode: Mob=2"}), Canon(ctrl.syncContactList));
}

TEST_F(ActionListProcessingTest, AddInPbx_SyncListGetsTheIdThePbxReturned) {
    Queue("Anna Lee: Mob=1", eAddInPBX, 77, "E1");
    Process();
    ASSERT_EQ(1u, ctrl.syncContactList.size());
    EXPECT_EQ(1000, ctrl.syncContactList[0]->contactId);
    EXPECT_EQ("E1", ctrl.syncContactList[0]->entryId);
}

TEST_F(ActionListProcessingTest, CancelBeforeTheNextAction_ReportsCancelNotTheLastCode) {
    Queue("Anna Lee: Mob=1", eAddInPartner);
    Queue("Ben Ode: Mob=2", eAddInPartner);
    partner.SetUpdateFilter([&](int, const TContact&, int) {
        stop = true;  // the user pressed Cancel while the first update ran
        return 0;
    });
    Process();
    EXPECT_EQ(kResultCancelled, ctrl.resultCode());
    EXPECT_EQ(Text(kTextActionCancelled), ctrl.resultText());
    EXPECT_EQ(1u, partner.contacts().size());
    EXPECT_EQ(CanonSpecs({"Anna Lee: Mob=1"}), Canon(ctrl.syncContactList));
    EXPECT_TRUE(run.syncListNeedsWrite);
}

}  // namespace
}  // namespace korvi::test
