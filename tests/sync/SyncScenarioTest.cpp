// The sync scenarios end to end: the state of both sides, the sync list and the counters
// after a first-time sync, a three-way sync, conflicts, deletion warnings and the directions.
// Each case runs on the in-memory world and on the simulator with a real address book folder.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Log.h"
#include "app/Texts.h"
#include "common/TestEnv.h"
#include "sync/SyncDriver.h"
#include "sync/SyncTestSupport.h"
#include "sync/SyncWorldFactories.h"

namespace korvi::test {
namespace {

const std::string kAnna = "Anna Lee: Mob=0170 111";
const std::string kBen = "Ben Ode: Bus1=030 222";
const std::string kCleo = "Cleo Park: Home1=040 333";
const std::string kDan = "Dan Roe: Mob=0171 444, Bus1=030 444";
const std::string kEve = "Eve Sand: Other=050 555";
const std::string kFay = "Fay Tuck: Fax_Bus=030 666";
const std::vector<std::string> kSix = {kAnna, kBen, kCleo, kDan, kEve, kFay};

struct Counts {
    int pbxAdds = 0, pbxDeletes = 0, pbxAmends = 0;
    int partnerAdds = 0, partnerDeletes = 0, partnerAmends = 0;
    bool operator==(const Counts&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Counts& c) {
    return os << "PBX +" << c.pbxAdds << " -" << c.pbxDeletes << " ~" << c.pbxAmends
              << " / partner +" << c.partnerAdds << " -" << c.partnerDeletes << " ~"
              << c.partnerAmends;
}

enum class SyncListIs { kBothSides, kUnchanged, kAbsent, kListed };

struct SyncCase {
    const char* name = "";
    std::vector<std::string> pbx = {};
    std::vector<std::string> partner = {};
    // Null: the case is a single (first) sync. Otherwise a clean first sync links both sides,
    // the user edits, and the second sync is the one checked.
    std::function<void(SyncWorld&)> edit = {};
    int direction = eSyncDir_Both;
    int conflict = eSync_PBX_wins;
    Answers answers = {};
    int code = 0;
    std::vector<std::string> expectPbx = {};
    std::vector<std::string> expectPartner = {};
    Counts counts = {};
    SyncListIs syncList = SyncListIs::kBothSides;
    std::vector<std::string> expectSync = {};  // for kListed
    int pbxUpdates = -1;                       // -1: the sum of the PBX counts
    int partnerUpdates = -1;
    // A world whose partner holds numbers otherwise than these expectations say (the cloud
    // keeps the first number of a kind, the address book the last of a type); its own tests
    // cover the case.
    const char* notFor = nullptr;
};

const std::string kJon = "Jon Smith: Mob=0172 777";
const std::string kJohn = "John Smith: Mob=0172 777";

const SyncCase kCases[] = {
    {.name = "FirstTime_Identical_LinkedWithoutChanges",
     .pbx = {kAnna, kBen},
     .partner = {kBen, kAnna},
     .expectPbx = {kAnna, kBen},
     .expectPartner = {kAnna, kBen}},
    {.name = "FirstTime_OneSideOnly_AddedToTheOther",
     .pbx = {kAnna, kBen},
     .partner = {kCleo},
     .expectPbx = {kAnna, kBen, kCleo},
     .expectPartner = {kAnna, kBen, kCleo},
     .counts = {.pbxAdds = 1, .partnerAdds = 2}},
    {.name = "FirstTime_SimilarUsePbx_PartnerTakesPbxVersion",
     .pbx = {kJon, kAnna},
     .partner = {kJohn, "Anna Lee: Mob=0170 999"},
     .answers = {{"similar-contact", kUsePbx}, {"similar-contact", kUsePbx}},
     .expectPbx = {kJon, kAnna},
     .expectPartner = {kJon, kAnna},
     .counts = {.partnerAmends = 2}},
    {.name = "FirstTime_SimilarUsePartner_PbxTakesPartnerVersion",
     .pbx = {kJon},
     .partner = {kJohn},
     .answers = {{"similar-contact", kUsePartner}},
     .expectPbx = {kJohn},
     .expectPartner = {kJohn},
     .counts = {.pbxAmends = 1}},
    {.name = "FirstTime_SimilarRetainBoth_BothOnBothSides",
     .pbx = {kJon},
     .partner = {kJohn},
     .answers = {{"similar-contact", kRetainBoth}},
     .expectPbx = {kJon, kJohn},
     .expectPartner = {kJon, kJohn},
     .counts = {.pbxAdds = 1, .partnerAdds = 1}},
    {.name = "FirstTime_SimilarCancel_NothingChanged",
     .pbx = {kJon, kAnna},
     .partner = {kJohn},
     .answers = {{"similar-contact", kCancel}},
     .code = kResultCancelled,
     .expectPbx = {kJon, kAnna},
     .expectPartner = {kJohn},
     .syncList = SyncListIs::kAbsent},
    {.name = "ThreeWay_AddAmendDeleteOnBothSides_CarriedAcross",
     .pbx = kSix,
     .partner = kSix,
     .edit =
         [](SyncWorld& w) {
             w.PbxAdd("Gil Vance: Mob=0173 888");
             w.PbxAmend("Anna Lee", "Anna Lee: Mob=0170 112");
             w.PbxDelete("Ben Ode");
             w.PartnerAdd("Hal Wynn: Home2=040 999");
             w.PartnerAmend("Cleo Park", "Cleo Park: Home1=040 333, Mob=0174 333");
             w.PartnerDelete("Dan Roe");
         },
     .expectPbx = {"Anna Lee: Mob=0170 112", "Cleo Park: Home1=040 333, Mob=0174 333", kEve, kFay,
                   "Gil Vance: Mob=0173 888", "Hal Wynn: Home2=040 999"},
     .expectPartner = {"Anna Lee: Mob=0170 112", "Cleo Park: Home1=040 333, Mob=0174 333", kEve,
                       kFay, "Gil Vance: Mob=0173 888", "Hal Wynn: Home2=040 999"},
     .counts = {.pbxAdds = 1,
                .pbxDeletes = 1,
                .pbxAmends = 1,
                .partnerAdds = 1,
                .partnerDeletes = 1,
                .partnerAmends = 1},
     .notFor = "cloud"},
    {.name = "ThreeWay_NameChangedInPbx_OneAmendNoDeleteAdd",
     .pbx = {kAnna, kBen},
     .partner = {kAnna, kBen},
     .edit = [](SyncWorld& w) { w.PbxAmend("Anna Lee", "Anne Leigh: Mob=0170 111"); },
     .expectPbx = {"Anne Leigh: Mob=0170 111", kBen},
     .expectPartner = {"Anne Leigh: Mob=0170 111", kBen},
     .counts = {.partnerAmends = 1}},
    {.name = "Conflict_AmendedOnBothSides_PbxWinsKeepsPartnerVersion",
     .pbx = {kAnna, kBen},
     .partner = {kAnna, kBen},
     .edit =
         [](SyncWorld& w) {
             w.PbxAmend("Anna Lee", "Anna Lee: Mob=0170 1000");
             w.PartnerAmend("Anna Lee", "Anna Lee: Mob=0170 2000");
         },
     .conflict = eSync_PBX_wins,
     .expectPbx = {"Anna Lee: Mob=0170 2000", kBen},
     .expectPartner = {"Anna Lee: Mob=0170 2000", kBen},
     .counts = {.pbxAmends = 1}},
    {.name = "Conflict_AmendedOnBothSides_PartnerWinsKeepsPbxVersion",
     .pbx = {kAnna, kBen},
     .partner = {kAnna, kBen},
     .edit =
         [](SyncWorld& w) {
             w.PbxAmend("Anna Lee", "Anna Lee: Mob=0170 1000");
             w.PartnerAmend("Anna Lee", "Anna Lee: Mob=0170 2000");
         },
     .conflict = eSync_PC_wins,
     .expectPbx = {"Anna Lee: Mob=0170 1000", kBen},
     .expectPartner = {"Anna Lee: Mob=0170 1000", kBen},
     .counts = {.partnerAmends = 1}},
    {.name = "Conflict_DeletedOnBothSides_GoneWithoutFailure",
     .pbx = {kAnna, kBen},
     .partner = {kAnna, kBen},
     .edit =
         [](SyncWorld& w) {
             w.PbxDelete("Ben Ode");
             w.PartnerDelete("Ben Ode");
         },
     .expectPbx = {kAnna},
     .expectPartner = {kAnna},
     .counts = {.pbxDeletes = 1}},
    {.name = "Deletions_OneInPartner_AppliedWithoutQuestion",
     .pbx = kSix,
     .partner = kSix,
     .edit = [](SyncWorld& w) { w.PartnerDelete("Ben Ode"); },
     .expectPbx = {kAnna, kCleo, kDan, kEve, kFay},
     .expectPartner = {kAnna, kCleo, kDan, kEve, kFay},
     .counts = {.pbxDeletes = 1}},
    {.name = "Deletions_TwoInPartner_ConfirmedAndApplied",
     .pbx = kSix,
     .partner = kSix,
     .edit =
         [](SyncWorld& w) {
             w.PartnerDelete("Ben Ode");
             w.PartnerDelete("Cleo Park");
         },
     .answers = {{"pbx-deletes", kOk}},
     .expectPbx = {kAnna, kDan, kEve, kFay},
     .expectPartner = {kAnna, kDan, kEve, kFay},
     .counts = {.pbxDeletes = 2}},
    {.name = "Deletions_TwoInPartner_DeclinedCancelsAndChangesNothing",
     .pbx = kSix,
     .partner = kSix,
     .edit =
         [](SyncWorld& w) {
             w.PartnerDelete("Ben Ode");
             w.PartnerDelete("Cleo Park");
             w.PbxAdd("Gil Vance: Mob=0173 888");
         },
     .answers = {{"pbx-deletes", kCancel}},
     .code = kResultCancelled,
     .expectPbx = {kAnna, kBen, kCleo, kDan, kEve, kFay, "Gil Vance: Mob=0173 888"},
     .expectPartner = {kAnna, kDan, kEve, kFay},
     .counts = {.pbxDeletes = 2, .partnerAdds = 1},
     .syncList = SyncListIs::kUnchanged},
    {.name = "Deletions_TwoInPbx_DeclinedCancelsAndChangesNothing",
     .pbx = kSix,
     .partner = kSix,
     .edit =
         [](SyncWorld& w) {
             w.PbxDelete("Ben Ode");
             w.PbxDelete("Cleo Park");
         },
     .answers = {{"partner-deletes", kCancel}},
     .code = kResultCancelled,
     .expectPbx = {kAnna, kDan, kEve, kFay},
     .expectPartner = kSix,
     .counts = {.partnerDeletes = 2},
     .syncList = SyncListIs::kUnchanged},
    {.name = "Direction1_PbxChangesOnly_PartnerChangesStay",
     .pbx = {kAnna, kBen},
     .partner = {kAnna, kBen},
     .edit =
         [](SyncWorld& w) {
             w.PbxAdd(kCleo);
             w.PartnerAdd(kDan);
             w.PartnerDelete("Anna Lee");
         },
     .direction = eSyncDir_PbxToPartner,
     .expectPbx = {kAnna, kBen, kCleo},
     .expectPartner = {kBen, kCleo, kDan},
     .counts = {.partnerAdds = 1},
     .syncList = SyncListIs::kListed,
     .expectSync = {kAnna, kBen, kCleo}},
    {.name = "Direction2_PartnerChangesOnly_PbxChangesStay",
     .pbx = {kAnna, kBen},
     .partner = {kAnna, kBen},
     .edit =
         [](SyncWorld& w) {
             w.PbxAdd(kCleo);
             w.PartnerAdd(kDan);
             w.PartnerAmend("Ben Ode", "Ben Ode: Bus1=030 223");
         },
     .direction = eSyncDir_PartnerToPbx,
     .expectPbx = {kAnna, "Ben Ode: Bus1=030 223", kCleo, kDan},
     .expectPartner = {kAnna, "Ben Ode: Bus1=030 223", kDan},
     .counts = {.pbxAdds = 1, .pbxAmends = 1},
     .syncList = SyncListIs::kListed,
     .expectSync = {kAnna, "Ben Ode: Bus1=030 223", kDan}},
    {.name = "Direction1_EmptyPbx_PartnerFillsPbx",
     .pbx = {},
     .partner = {kAnna, kBen},
     .direction = eSyncDir_PbxToPartner,
     .expectPbx = {kAnna, kBen},
     .expectPartner = {kAnna, kBen},
     .pbxUpdates = 2,
     .partnerUpdates = 0},
    {.name = "Direction3_EmptyPbx_NothingToDo",
     .pbx = {},
     .partner = {kAnna},
     .direction = eSyncDir_ReplacePartner,
     .code = kResultNothingToDo,
     .expectPbx = {},
     .expectPartner = {kAnna},
     .syncList = SyncListIs::kAbsent},
    {.name = "Direction3_ReplacesPartnerWithPbx",
     .pbx = {kAnna},
     .partner = {kBen, kCleo},
     .direction = eSyncDir_ReplacePartner,
     .expectPbx = {kAnna},
     .expectPartner = {kAnna},
     .pbxUpdates = 0,
     .partnerUpdates = 1},
    {.name = "Direction4_ReplacesPbxWithPartner",
     .pbx = {kAnna, kBen},
     .partner = {kCleo},
     .direction = eSyncDir_ReplacePbx,
     .expectPbx = {kCleo},
     .expectPartner = {kCleo},
     .pbxUpdates = 1,
     .partnerUpdates = 0},
    {.name = "EmptyPartner_PbxFillsPartner",
     .pbx = {kAnna, kBen},
     .partner = {},
     .expectPbx = {kAnna, kBen},
     .expectPartner = {kAnna, kBen},
     .pbxUpdates = 0,
     .partnerUpdates = 2},
    {.name = "PbxContactWithOnlyAnInternalNumber_NeverDeletedFromPbx",
     .pbx = {kAnna, "Ida Ames: Int=221"},
     .partner = {kAnna},
     .expectPbx = {kAnna, "Ida Ames: Int=221"},
     .expectPartner = {kAnna},
     .counts = {.partnerAdds = 1},
     .syncList = SyncListIs::kListed,
     .expectSync = {kAnna, "Ida Ames: Int=221"}},
    {.name = "InternalNumberTheAddressBookCannotHold_StaysInPbxThroughAnAmend",
     .pbx = {"Kai Ulm: Mob=0175 1, Int=221", kAnna},
     .partner = {},
     .edit = [](SyncWorld& w) { w.PartnerAmend("Kai Ulm", "Kai Ulm: Mob=0175 2"); },
     .expectPbx = {"Kai Ulm: Mob=0175 2, Int=221", kAnna},
     .expectPartner = {"Kai Ulm: Mob=0175 2", kAnna},
     .counts = {.pbxAmends = 1},
     .syncList = SyncListIs::kListed,
     .expectSync = {"Kai Ulm: Mob=0175 2, Int=221", kAnna}},
    {.name = "ThreeWay_RenamedInPbxWithANumberRemoved_NumberRemovedInPartnerToo",
     .pbx = {kAnna, kDan},
     .partner = {kAnna, kDan},
     .edit = [](SyncWorld& w) { w.PbxAmend("Dan Roe", "Daniel Roe: Mob=0171 444"); },
     .expectPbx = {kAnna, "Daniel Roe: Mob=0171 444"},
     .expectPartner = {kAnna, "Daniel Roe: Mob=0171 444"},
     .counts = {.partnerAmends = 1}},
    {.name = "ThreeWay_RenamedInPartnerWithANumberRemoved_NumberRemovedInPbxToo",
     .pbx = {kAnna, kDan},
     .partner = {kAnna, kDan},
     .edit = [](SyncWorld& w) { w.PartnerAmend("Dan Roe", "Dan Roeh: Bus1=030 444"); },
     .expectPbx = {kAnna, "Dan Roeh: Bus1=030 444"},
     .expectPartner = {kAnna, "Dan Roeh: Bus1=030 444"},
     .counts = {.pbxAmends = 1}},
    {.name = "Conflict_AmendedInPartnerDeletedInPbx_PbxWinsAddsTheEdit",
     .pbx = {kAnna, kBen},
     .partner = {kAnna, kBen},
     .edit =
         [](SyncWorld& w) {
             w.PbxDelete("Ben Ode");
             w.PartnerAmend("Ben Ode", "Ben Ode: Bus1=030 223");
             w.PartnerAdd(kCleo);
         },
     .conflict = eSync_PBX_wins,
     .expectPbx = {kAnna, "Ben Ode: Bus1=030 223", kCleo},
     .expectPartner = {kAnna, "Ben Ode: Bus1=030 223", kCleo},
     .counts = {.pbxAdds = 1, .pbxAmends = 1}},
    {.name = "Conflict_AmendedInPbxDeletedInPartner_PartnerWinsAddsTheEdit",
     .pbx = {kAnna, kBen},
     .partner = {kAnna, kBen},
     .edit =
         [](SyncWorld& w) {
             w.PartnerDelete("Ben Ode");
             w.PbxAmend("Ben Ode", "Ben Ode: Bus1=030 223, Int=225");
         },
     .conflict = eSync_PC_wins,
     .expectPbx = {kAnna, "Ben Ode: Bus1=030 223, Int=225"},
     .expectPartner = {kAnna, "Ben Ode: Bus1=030 223"},
     .counts = {.partnerAmends = 1},
     .syncList = SyncListIs::kListed,
     .expectSync = {kAnna, "Ben Ode: Bus1=030 223, Int=225"}},
    {.name = "FirstTime_NumbersTheCardCannotHold_LinkedWithoutQuestion",
     .pbx = {"Kai Ulm: Mob=0175 1, Int=221", "Lia Moss: Mob=0176 1, Mob=0176 2"},
     .partner = {"Kai Ulm: Mob=0175 1", "Lia Moss: Mob=0176 2"},
     .expectPbx = {"Kai Ulm: Mob=0175 1, Int=221", "Lia Moss: Mob=0176 1, Mob=0176 2"},
     .expectPartner = {"Kai Ulm: Mob=0175 1", "Lia Moss: Mob=0176 2"},
     .syncList = SyncListIs::kListed,
     .expectSync = {"Kai Ulm: Mob=0175 1, Int=221", "Lia Moss: Mob=0176 1, Mob=0176 2"},
     .notFor = "cloud"},
    {.name = "FirstTime_SimilarUsePartner_PbxKeepsNumbersTheCardCannotHold",
     .pbx = {"Kai Ulm: Mob=0175 1, Int=221", "Lia Moss: Mob=0176 1, Mob=0176 2"},
     .partner = {"Kai Ulm: Mob=0175 9", "Lia Moss: Home1=040 7"},
     .answers = {{"similar-contact", kUsePartner}, {"similar-contact", kUsePartner}},
     .expectPbx = {"Kai Ulm: Mob=0175 9, Int=221", "Lia Moss: Home1=040 7"},
     .expectPartner = {"Kai Ulm: Mob=0175 9", "Lia Moss: Home1=040 7"},
     .counts = {.pbxAmends = 2},
     .syncList = SyncListIs::kListed,
     .expectSync = {"Kai Ulm: Mob=0175 9, Int=221", "Lia Moss: Home1=040 7"},
     .notFor = "cloud"},
    {.name = "FirstTime_SimilarUsePbxOtherName_CardLosesItsOwnNumbers",
     .pbx = {kJon},
     .partner = {"John Smith: Mob=0172 777, Home1=040 1"},
     .answers = {{"similar-contact", kUsePbx}},
     .expectPbx = {kJon},
     .expectPartner = {kJon},
     .counts = {.partnerAmends = 1}},
    {.name = "BothEmpty_NothingToDo", .code = kResultNothingToDo, .syncList = SyncListIs::kAbsent},
};

struct ScenarioParam {
    const SyncCase* sc;
    WorldFactory factory;
};

void PrintTo(const ScenarioParam& p, std::ostream* os) {
    *os << p.factory.name << " " << p.sc->name;
}

class SyncScenarioTest : public testing::TestWithParam<ScenarioParam> {
protected:
    void SetUp() override {
        SetLogsFolder(MakeTempDir("logs"));
        SetDetailedLogging(true);
    }
};

TEST_P(SyncScenarioTest, EndsWithExpectedSides) {
    const SyncCase& sc = *GetParam().sc;
    auto world = GetParam().factory.make();
    if (!world) GTEST_SKIP() << GetParam().factory.name << " world not available";
    if (sc.notFor != nullptr && std::string(sc.notFor) == world->name()) {
        GTEST_SKIP() << "the " << sc.notFor << " partner holds these numbers otherwise";
    }
    for (const auto& s : sc.pbx) world->PbxAdd(s);
    for (const auto& s : sc.partner) world->PartnerAdd(s);
    SyncDriver driver(*world);

    std::string before;
    if (sc.edit) {
        ASSERT_EQ(0, driver.Sync()) << driver.ctrl.resultText();
        before = ReadFile(driver.SyncFilePath());
        sc.edit(*world);
    }
    const int code = driver.Sync(sc.direction, sc.conflict, sc.answers);
    EXPECT_EQ(sc.code, code) << driver.ctrl.resultText();
    if (sc.code == kResultNothingToDo) {
        EXPECT_EQ(Text(kTextNothingToSync, driver.ctrl.partnerName), driver.ctrl.resultText());
    }

    EXPECT_EQ(CanonSpecs(sc.expectPbx), Canon(world->PbxState())) << "PBX";
    EXPECT_EQ(CanonSpecs(sc.expectPartner), Canon(world->PartnerState())) << "partner";

    const Tctrl& c = driver.ctrl;
    const Counts counts{c.pbxAdds,     c.pbxDeletes,     c.pbxAmends,
                        c.partnerAdds, c.partnerDeletes, c.partnerAmends};
    EXPECT_EQ(sc.counts, counts);
    const int pbxUpdates = sc.pbxUpdates >= 0
                               ? sc.pbxUpdates
                               : sc.counts.pbxAdds + sc.counts.pbxDeletes + sc.counts.pbxAmends;
    const int partnerUpdates =
        sc.partnerUpdates >= 0
            ? sc.partnerUpdates
            : sc.counts.partnerAdds + sc.counts.partnerDeletes + sc.counts.partnerAmends;
    EXPECT_EQ(pbxUpdates, c.pbxUpdates);
    EXPECT_EQ(partnerUpdates, c.partnerUpdates);

    switch (sc.syncList) {
        case SyncListIs::kBothSides:
            ASSERT_TRUE(driver.SyncFileExists());
            EXPECT_EQ(CanonSpecs(sc.expectPbx), driver.SyncList()) << "sync list";
            break;
        case SyncListIs::kListed:
            ASSERT_TRUE(driver.SyncFileExists());
            EXPECT_EQ(CanonSpecs(sc.expectSync), driver.SyncList()) << "sync list";
            break;
        case SyncListIs::kUnchanged:
            EXPECT_EQ(before, ReadFile(driver.SyncFilePath())) << "sync list";
            break;
        case SyncListIs::kAbsent:
            EXPECT_FALSE(driver.SyncFileExists());
            break;
    }

    // Whatever the outcome, a repeated sync in the same direction finds nothing left to do,
    // unless the user declined or cancelled.
    if (code == 0 && sc.direction <= eSyncDir_PartnerToPbx) {
        EXPECT_EQ(0, driver.Sync(sc.direction, sc.conflict)) << driver.ctrl.resultText();
        EXPECT_EQ(0, driver.ctrl.pbxUpdates + driver.ctrl.partnerUpdates) << "second run";
        EXPECT_EQ(CanonSpecs(sc.expectPbx), Canon(world->PbxState())) << "PBX after a second run";
        EXPECT_EQ(CanonSpecs(sc.expectPartner), Canon(world->PartnerState()))
            << "partner after a second run";
    }
}

std::vector<ScenarioParam> AllScenarios() {
    std::vector<ScenarioParam> out;
    for (const auto& f : WorldFactories()) {
        for (const auto& sc : kCases) out.push_back({&sc, f});
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(Sync, SyncScenarioTest, testing::ValuesIn(AllScenarios()),
                         [](const auto& info) {
                             return std::string(info.param.factory.name) + "_" +
                                    info.param.sc->name;
                         });

}  // namespace
}  // namespace korvi::test
