// DoSync's own rules: the silent first-time refusal, a damaged sync list, the partner that is
// not available, the history lines of a sync and the bad inputs it must survive.
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/Log.h"
#include "app/Texts.h"
#include "common/TestEnv.h"
#include "sync/MemoryPartnerStore.h"
#include "sync/MemoryPbx.h"
#include "sync/SyncDriver.h"
#include "sync/SyncRun.h"
#include "sync/SyncTestSupport.h"

namespace korvi::test {
namespace {

using testing::Contains;
using testing::ElementsAre;
using testing::HasSubstr;

class SyncRunTest : public testing::Test {
protected:
    void SetUp() override {
        logs = MakeTempDir("logs");
        SetLogsFolder(logs);
        SetDetailedLogging(true);
        world = MakeMemoryWorld();
        driver = std::make_unique<SyncDriver>(*world);
    }
    std::vector<std::string> History() { return LogLines(HistoryFilePath().string()); }
    std::vector<std::string> Log() { return LogLines(DetailedLogFilePath().string()); }
    void Link(const std::vector<std::string>& both) {
        for (const auto& s : both) {
            world->PbxAdd(s);
            world->PartnerAdd(s);
        }
        ASSERT_EQ(0, driver->Sync()) << driver->ctrl.resultText();
    }

    std::filesystem::path logs;
    std::unique_ptr<SyncWorld> world;
    std::unique_ptr<SyncDriver> driver;
};

TEST_F(SyncRunTest, SilentFirstTimeSync_RefusedWithThreeLinesAndNothingChanged) {
    world->PbxAdd("Anna Lee: Mob=0170 111");
    world->PartnerAdd("Ben Ode: Bus1=030 222");
    driver->ctrl.SetResultText("left by the caller");
    EXPECT_EQ(kResultNoSyncFile, driver->Sync(eSyncDir_Both, eSync_PBX_wins, {}, 1));
    EXPECT_EQ("left by the caller", driver->ctrl.resultText());
    EXPECT_THAT(Log(), Contains("Cannot run First time Sync automatically..."));
    EXPECT_THAT(History(),
                ElementsAre("Cannot run First time Sync automatically... user intervention may "
                            "be required!",
                            "Run Sync manually first!"));
    EXPECT_FALSE(driver->SyncFileExists());
    EXPECT_EQ(CanonSpecs({"Anna Lee: Mob=0170 111"}), Canon(world->PbxState()));
    EXPECT_EQ(CanonSpecs({"Ben Ode: Bus1=030 222"}), Canon(world->PartnerState()));
}

struct DamagedFile {
    const char* name;
    std::string bytes;
};

class DamagedSyncListTest : public SyncRunTest, public testing::WithParamInterface<DamagedFile> {};

TEST_P(DamagedSyncListTest, FailsWithFileMessageAndChangesNothing) {
    Link({"Anna Lee: Mob=0170 111", "Ben Ode: Bus1=030 222"});
    world->PbxAdd("Cleo Park: Home1=040 333");
    world->PartnerDelete("Anna Lee");
    const auto pbxBefore = Canon(world->PbxState());
    const auto partnerBefore = Canon(world->PartnerState());
    const auto path = driver->SyncFilePath();
    std::string bytes = GetParam().bytes;
    if (bytes == "TRUNCATE") {
        bytes = ReadFile(path);
        bytes.resize(bytes.size() / 2);
    }
    WriteFile(path, bytes);

    EXPECT_EQ(kResultLocalFailure, driver->Sync());
    EXPECT_THAT(driver->ctrl.resultText(), HasSubstr(path.filename().string()));
    EXPECT_EQ(pbxBefore, Canon(world->PbxState()));
    EXPECT_EQ(partnerBefore, Canon(world->PartnerState()));
    EXPECT_EQ(bytes, ReadFile(path));
}

INSTANTIATE_TEST_SUITE_P(
    Sync, DamagedSyncListTest,
    testing::Values(DamagedFile{"Truncated", "TRUNCATE"},
                    DamagedFile{"NotXml", "this is not a sync list\n"},
                    DamagedFile{"NonIntegerId",
                                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<contacts><contact>"
                                "<first_name>Anna</first_name><contact_id>10x1</contact_id>"
                                "</contact></contacts>\n"},
                    DamagedFile{"Empty", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SyncRunTest, PartnerWithoutStore_FailsAsNotAvailable) {
    world->PbxAdd("Anna Lee: Mob=0170 111");
    driver->ctrl.partner = ePartner_Gmail;
    driver->ctx.selectPartner = [](Tctrl&, Result& whyNot) -> PartnerStore* {
        whyNot.text = "Sync with Gmail is not available in this version";
        return nullptr;
    };
    EXPECT_EQ(kResultActionNotAvailable, driver->Sync());
    EXPECT_EQ("Sync with Gmail is not available in this version", driver->ctrl.resultText());
    EXPECT_EQ("Gmail", driver->ctrl.partnerName);
    EXPECT_EQ(CanonSpecs({"Anna Lee: Mob=0170 111"}), Canon(world->PbxState()));
}

TEST_F(SyncRunTest, FirstTimeSync_HistoryAndApplyLines) {
    world->PbxAdd("Anna Lee: Mob=0170 111");
    world->PartnerAdd("Ben Ode: Bus1=030 222");
    ASSERT_EQ(0, driver->Sync());
    EXPECT_THAT(
        History(),
        ElementsAre("First time Sync. Num PBX Contacts[1]. Num Partner Contacts[1]",
                    "New Contact found in PBX => added to Outlook:",
                    "    Name [Anna] [Lee] [Anna Lee] - 1 Number(s)", "    [0170 111] [Mob]",
                    "New Contact found in Outlook => added to PBX:",
                    "    Name [Ben] [Ode] [Ben Ode] - 1 Number(s)", "    [030 222] [Bus1]"));
    const auto log = Log();
    EXPECT_THAT(log, Contains("LOG: Start FirstTimeSync"));
    EXPECT_THAT(log, Contains("LOG: Searching for 1 PBX contacts in Outlook ..."));
    EXPECT_THAT(log, Contains("LOG: [Anna] [Lee] in PBX - adding to Outlook"));
    EXPECT_THAT(log, Contains("LOG: Searching for 1 Partner contacts in PBX ..."));
    EXPECT_THAT(log, Contains("LOG: [Ben] [Ode] in Outlook - adding to PBX"));
    EXPECT_THAT(log, Contains("LOG: End FirstTimeSync"));
}

TEST_F(SyncRunTest, ThreeWaySync_DetectionLogAndAmendHistoryWithStates) {
    Link({"Anna Lee: Mob=0170 111", "Ben Ode: Bus1=030 222", "Cleo Park: Home1=040 333"});
    world->PartnerAmend("Anna Lee", "Anna Lee: Mob=0170 111, Bus1=030 111");
    world->PartnerDelete("Ben Ode");
    world->PbxAmend("Cleo Park", "Cleo Parks: Home1=040 333");
    const auto historyBefore = History().size();
    ASSERT_EQ(0, driver->Sync()) << driver->ctrl.resultText();
    const auto log = Log();
    EXPECT_THAT(log, Contains("LOG: [Cleo] [Park] amended contact detected in PBX (2)"));
    EXPECT_THAT(log, Contains("LOG: [Anna] [Lee] amended contact detected in Outlook (6 - Number "
                              "Change)"));
    EXPECT_THAT(log, Contains("[Ben] [Ode] contact detected as removed from Outlook"));
    EXPECT_THAT(log, Contains("LOG: Action Count: 1"));
    EXPECT_THAT(log, Contains("LOG: Action Count: 3"));
    const auto history = History();
    const std::vector<std::string> added(history.begin() + static_cast<long>(historyBefore),
                                         history.end());
    EXPECT_THAT(
        added, ElementsAre("Contact amended in PBX => amend in Outlook:",
                           "    Name [Cleo] [Parks] [Cleo Parks] - 1 Number(s)",
                           "    [040 333] [Home1] - [No Change]",
                           "Contact amended in Outlook => amend in PBX:",
                           "    Name [Anna] [Lee] [Anna Lee] - 2 Number(s)",
                           "    [0170 111] [Mob] - [No Change]", "    [030 111] [Bus1] - [Added]",
                           "Contact deleted in Outlook => delete in PBX:",
                           "    Name [Ben] [Ode] [Ben Ode] - 1 Number(s)", "    [030 222] [Bus1]"));
}

TEST_F(SyncRunTest, FillAndReplaceBranches_WriteTheirHistoryLines) {
    world->PartnerAdd("Anna Lee: Mob=0170 111");
    world->PartnerAdd("Ben Ode: Bus1=030 222");
    ASSERT_EQ(0, driver->Sync());
    world->PbxAdd("Cleo Park: Home1=040 333");
    ASSERT_EQ(0, driver->Sync(eSyncDir_ReplacePartner));
    ASSERT_EQ(0, driver->Sync(eSyncDir_ReplacePbx));
    EXPECT_THAT(History(),
                ElementsAre("Writing 2 Outlook Contacts to PBX. PBX Currently has 0 Contacts",
                            "Writing 3 PBX Contacts to Outlook. Outlook currenlty has 0 contacts",
                            "Writing 3 Outlook Contacts to PBX. PBX Currently has 0 Contacts"));
}

TEST_F(SyncRunTest, ReplacePbx_BacksUpFirstAndStopsWhenTheBackupFails) {
    world->PbxAdd("Anna Lee: Mob=0170 111");
    world->PartnerAdd("Ben Ode: Bus1=030 222");
    int backups = 0;
    driver->ctx.backupPbx = [&](std::string&) {
        ++backups;
        return Result(-1, "Backup folder is not writable");
    };
    EXPECT_EQ(-1, driver->Sync(eSyncDir_ReplacePbx));
    EXPECT_EQ(1, backups);
    EXPECT_EQ("Backup folder is not writable", driver->ctrl.resultText());
    EXPECT_EQ(CanonSpecs({"Anna Lee: Mob=0170 111"}), Canon(world->PbxState()));
    EXPECT_FALSE(driver->SyncFileExists());
}

TEST_F(SyncRunTest, CentralStore_NumbersBoundForPbxGetBarring0_ExtensionGets1) {
    for (int32_t type : {kContactTypeCentral, 201}) {
        auto w = MakeMemoryWorld(type);
        SyncDriver d(*w);
        w->PbxAdd("Anna Lee: Mob=0170 111");
        w->PartnerAdd("Anna Lee: Mob=0170 111");
        ASSERT_EQ(0, d.Sync());
        w->PartnerAdd("Ben Ode: Bus1=030 222, Mob=0171 222");
        w->PartnerAmend("Anna Lee", "Anna Lee: Mob=0170 112");
        ASSERT_EQ(0, d.Sync());
        ASSERT_EQ(2u, d.ctrl.actionList.size());
        for (const auto& a : d.ctrl.actionList) {
            for (const auto& n : *a->numbers) {
                EXPECT_EQ(type == kContactTypeCentral ? 0 : 1, n.barring)
                    << "type " << type << " " << a->firstName;
            }
        }
    }
}

TEST_F(SyncRunTest, TwoNumbersOfOneType_TheOneTheAddressBookCannotHoldStaysInPbx) {
    world->PbxAdd("Lea Voss: Mob=0176 1, Mob=0176 2, Int=301");
    world->PbxAdd("Anna Lee: Mob=0170 111");
    ASSERT_EQ(0, driver->Sync());
    EXPECT_EQ(CanonSpecs({"Lea Voss: Mob=0176 2", "Anna Lee: Mob=0170 111"}),
              Canon(world->PartnerState()));
    world->PartnerAmend("Lea Voss", "Lea Voss: Mob=0176 3");
    for (int run = 0; run < 3; ++run) {
        ASSERT_EQ(0, driver->Sync()) << driver->ctrl.resultText();
        EXPECT_EQ(0, driver->ctrl.pbxDeletes + driver->ctrl.partnerDeletes);
    }
    // The mobile number the card showed was changed; the one it had no slot for, and the
    // internal number, are still in the PBX.
    EXPECT_EQ(CanonSpecs({"Lea Voss: Mob=0176 3, Mob=0176 1, Int=301", "Anna Lee: Mob=0170 111"}),
              Canon(world->PbxState()));
}

TEST_F(SyncRunTest, TwoNumbersOfOneType_NoPhantomChangeAndAPartnerEditSurvivesPartnerWins) {
    world = MakeMemoryWorld(201, false);
    driver = std::make_unique<SyncDriver>(*world);
    driver->ctx.partnerSlots = {};
    world->PbxAdd("Lea Voss: Mob=0176 1, Mob=0176 2");
    world->PartnerAdd("Lea Voss: Mob=0176 1, Mob=0176 2");
    ASSERT_EQ(0, driver->Sync()) << "no similar-contact question for an identical contact";
    ASSERT_EQ(0, driver->Sync(eSyncDir_Both, eSync_PC_wins));
    EXPECT_TRUE(driver->ctrl.actionList.empty());
    world->PartnerAmend("Lea Voss", "Lea Voss: Mob=0176 1, Mob=0176 3");
    ASSERT_EQ(0, driver->Sync(eSyncDir_Both, eSync_PC_wins));
    EXPECT_EQ(1, driver->ctrl.pbxAmends);
    EXPECT_EQ(0, driver->ctrl.partnerAmends);
    EXPECT_EQ(CanonSpecs({"Lea Voss: Mob=0176 1, Mob=0176 3"}), Canon(world->PbxState()));
    EXPECT_EQ(CanonSpecs({"Lea Voss: Mob=0176 1, Mob=0176 3"}), Canon(world->PartnerState()));
}

// Inputs a sync meets in the wild: duplicate keys in a sync list, contacts without numbers,
// a partner contact with twenty numbers of one type.
TEST_F(SyncRunTest, DuplicateKeysAndOddContacts_HandledWithoutCrash) {
    // A partner that holds any number of numbers of one type (the address book does not).
    world = MakeMemoryWorld(201, false);
    driver = std::make_unique<SyncDriver>(*world);
    driver->ctx.partnerSlots = {};
    Link({"Anna Lee: Mob=0170 111", "Ben Ode: Bus1=030 222"});
    TContactList list;
    ASSERT_TRUE(world->files().LoadContacts(driver->SyncFilePath(), list).ok());
    auto dupId = CopyContact(list[0].get());
    dupId->entryId = "ELSEWHERE";
    auto dupEntry = CopyContact(list[1].get());
    dupEntry->contactId = 4242;
    auto noNumbers = std::make_unique<TContact>(MakeContact("Nina Null"));
    list.push_back(std::move(dupId));
    list.push_back(std::move(dupEntry));
    list.push_back(std::move(noNumbers));
    ASSERT_TRUE(world->files().SaveContacts(driver->SyncFilePath(), list, kFileTypeXml).ok());

    std::string many = "Tom Many:";
    for (int i = 0; i < 20; ++i) many += " Mob=0170 " + std::to_string(i) + ",";
    world->PartnerAdd(many);
    // The duplicate id 4242 and the entry without numbers are missing from the PBX, the
    // duplicate entry id and the entry without numbers from the partner: two deletions each way.
    driver->prompt.Expect("pbx-deletes", kOk);
    driver->prompt.Expect("partner-deletes", kOk);
    EXPECT_EQ(0, driver->Sync()) << driver->ctrl.resultText();
    EXPECT_EQ(1, driver->ctrl.pbxAdds);
    // The odd entries decide what goes (the rules are followed, not guessed at), but the pair
    // settles within two more runs, the contact with twenty mobile numbers included.
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(0, driver->Sync()) << driver->ctrl.resultText();
    }
    EXPECT_EQ(0, driver->Sync()) << driver->ctrl.resultText();
    EXPECT_TRUE(driver->ctrl.actionList.empty());
    EXPECT_EQ(Canon(world->PbxState()), Canon(world->PartnerState()));
    EXPECT_THAT(Canon(world->PbxState()), Contains(Canon(MakeContact(many))));
}

}  // namespace
}  // namespace korvi::test
