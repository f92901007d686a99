// What a user meets with `korvi sync` when things go wrong between two syncs: a whole-side copy
// that fails or is cancelled halfway, a rename made together with a removed number, an edit on
// one side of a contact deleted on the other, numbers the address book cannot hold. In every
// case nothing is lost, and the sync after the one under test has nothing left to do.
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/AppPaths.h"
#include "app/Log.h"
#include "app/StoreWriteLock.h"
#include "app/Texts.h"
#include "cli/CliTestSupport.h"
#include "common/TestEnv.h"
#include "sync/SyncCliWorld.h"
#include "sync/SyncTestSupport.h"

namespace korvi::test {
namespace {

using testing::HasSubstr;

class SyncSafetyCliTest : public testing::Test {
protected:
    void SetUp() override {
        SetLogsFolder(MakeTempDir("logs"));
        SetDetailedLogging(true);
        ASSERT_TRUE(w.Start());
    }

    // Twenty contacts in the PBX, copied into the empty default folder by a first sync.
    std::vector<std::string> LinkTwenty() {
        static const char* const kNames[] = {
            "Anna Lee",  "Ben Ode",    "Cleo Park", "Dan Roe",    "Eve Sand",
            "Fay Tuck",  "Gil Vance",  "Hal Wynn",  "Ida Ames",   "Jon Smith",
            "Kai Ulm",   "Lia Moss",   "Max Pohl",  "Nora Quist", "Otto Rahn",
            "Pia Stern", "Quinn Tarr", "Rosa Uhde", "Sven Vogt",  "Tilda Weiss"};
        std::vector<std::string> specs;
        for (int i = 0; i < 20; ++i) {
            specs.push_back(std::string(kNames[i]) + ": Mob=0170 " + std::to_string(1000 + i));
            w.PbxAdd(specs.back());
        }
        std::string err;
        EXPECT_EQ(0, w.Sync({"--yes"}, nullptr, &err)) << err;
        EXPECT_EQ(CanonSpecs(specs), w.Book());
        return specs;
    }

    void ExpectNothingLeftToDo(const std::string& where,
                               const std::vector<std::string>& args = {}) {
        std::string out, err;
        EXPECT_EQ(0, w.Sync(args, &out, &err)) << where << ": " << err;
        EXPECT_THAT(out, HasSubstr(Text(kTextSyncNoUpdates))) << where;
    }

    SyncCliWorld w;
};

// A replace that stops halfway has changed the PBX ids of everything it wrote; the next sync
// must not take the old sync list's ids as contacts deleted from the PBX.
TEST_F(SyncSafetyCliTest, ReplacePbxFailedOrCancelledHalfway_NextSyncLosesNothing) {
    const auto specs = LinkTwenty();
    const std::string work = w.MakeFolder("Work");
    std::string out, err;
    ASSERT_EQ(0, w.Sync({"--folder", work, "--yes"}, &out, &err)) << err;
    ASSERT_EQ(CanonSpecs(specs), w.Book(work));
    ASSERT_EQ(2u, w.SyncLists().size());

    // Request 30 is one of the writes: the backup read 21, the clearing delete is the 22nd.
    w.sim().ResetCounters();
    w.sim().SetFailRequest(30);
    EXPECT_EQ(1, w.Sync({"--direction", "replace-pbx", "--yes"}, &out, &err));
    w.sim().ClearFaults();
    EXPECT_EQ(CanonSpecs(specs).size() - 1, w.Pbx().size());

    // The next syncs of both folders match by name and add back what the replace missed.
    ASSERT_EQ(0, w.Sync({"--yes"}, &out, &err)) << err;
    ASSERT_EQ(0, w.Sync({"--folder", work, "--yes"}, &out, &err)) << err;
    EXPECT_EQ(CanonSpecs(specs), w.Pbx());
    EXPECT_EQ(CanonSpecs(specs), w.Book());
    EXPECT_EQ(CanonSpecs(specs), w.Book(work));
    ExpectNothingLeftToDo("default folder");
    ExpectNothingLeftToDo("work folder", {"--folder", work});

    // Cancelled by the user (Ctrl-C) while the replace writes; a slow PBX lets the command
    // line see the request count before the writes are done.
    w.sim().ResetCounters();
    w.sim().SetDelayMs(40);
    const auto cancelAt30 = [this](CliRun& run) {
        run.io.SetCancelCheck([this] { return w.sim().RequestCount() >= 30; });
    };
    EXPECT_EQ(1, w.Run("sync", {"--direction", "replace-pbx", "--yes"}, cancelAt30, &out, &err));
    w.sim().ClearFaults();
    w.sim().SetDelayMs(0);
    EXPECT_THAT(err, HasSubstr(Text(kTextActionCancelled)));
    EXPECT_LT(w.Pbx().size(), specs.size());
    ASSERT_EQ(0, w.Sync({"--yes"}, &out, &err)) << err;
    ASSERT_EQ(0, w.Sync({"--folder", work, "--yes"}, &out, &err)) << err;
    EXPECT_EQ(CanonSpecs(specs), w.Pbx());
    EXPECT_EQ(CanonSpecs(specs), w.Book());
    EXPECT_EQ(CanonSpecs(specs), w.Book(work));
    ExpectNothingLeftToDo("after the cancel");
}

// Importing the address book into the PBX is a replace of the PBX too.
TEST_F(SyncSafetyCliTest, ImportFromAddressBookFailedHalfway_NextSyncLosesNothing) {
    const auto specs = LinkTwenty();
    std::string out, err;
    w.sim().ResetCounters();
    w.sim().SetFailRequest(30);
    EXPECT_EQ(1, w.Run("import", {"--from", "outlook", "--yes"}, {}, &out, &err));
    w.sim().ClearFaults();
    ASSERT_EQ(0, w.Sync({"--yes"}, &out, &err)) << err;
    EXPECT_EQ(CanonSpecs(specs), w.Pbx());
    EXPECT_EQ(CanonSpecs(specs), w.Book());
    ExpectNothingLeftToDo("after the import");
}

const std::vector<std::string> kFour = {"Anna Lee: Mob=0170 111", "Ben Ode: Bus1=030 222",
                                        "Cleo Park: Home1=040 333",
                                        "Dan Roe: Mob=0171 444, Bus1=030 444"};

std::string Name(const std::string& spec) { return spec.substr(0, spec.find(':')); }

void AddFour(SyncCliWorld& w) {
    for (const auto& s : kFour) w.PbxAdd(s);
    std::string err;
    ASSERT_EQ(0, w.Sync({"--yes"}, nullptr, &err)) << err;
}

// A rename and a removed number in one edit: the number stays removed on both sides, whichever
// side the edit was made on.
TEST_F(SyncSafetyCliTest, RenameWithARemovedNumber_NumberStaysRemoved) {
    AddFour(w);
    const std::vector<std::string> expected = {kFour[0], kFour[1], kFour[2],
                                               "Daniel Roe: Mob=0171 444"};
    w.PbxAmend("Dan Roe", "Daniel Roe: Mob=0171 444");
    std::string out, err;
    ASSERT_EQ(0, w.Sync({}, &out, &err)) << err;
    EXPECT_EQ(CanonSpecs(expected), w.Book());
    ExpectNothingLeftToDo("edited in the PBX");
    EXPECT_EQ(CanonSpecs(expected), w.Pbx());

    w.BookAmend("Daniel Roe", "Dan Roeh: Bus1=030 444");
    const std::vector<std::string> back = {kFour[0], kFour[1], kFour[2], "Dan Roeh: Bus1=030 444"};
    ASSERT_EQ(0, w.Sync({}, &out, &err)) << err;
    EXPECT_EQ(CanonSpecs(back), w.Pbx());
    ExpectNothingLeftToDo("edited in the address book");
    EXPECT_EQ(CanonSpecs(back), w.Book());
}

// "Use PBX contact" for two contacts named a little differently: the card becomes the PBX
// contact, without the card's own extra number, which would otherwise flow into the PBX.
TEST_F(SyncSafetyCliTest, FirstSyncUsePbxContactWithOtherName_CardTakesExactlyThePbxNumbers) {
    w.PbxAdd("Jon Smith: Mob=0172 777");
    w.BookAdd("John Smith: Mob=0172 777, Home1=040 1");
    std::string out, err;
    ASSERT_EQ(0, w.Sync({"--yes", "--similar", "pbx"}, &out, &err)) << err;
    EXPECT_EQ(CanonSpecs({"Jon Smith: Mob=0172 777"}), w.Book());
    ExpectNothingLeftToDo("after the first sync");
    EXPECT_EQ(CanonSpecs({"Jon Smith: Mob=0172 777"}), w.Pbx());
}

// An edit against a deletion on the other side: the rule keeps the edit, which comes back as
// a new contact, and the actions queued after it still run.
TEST_F(SyncSafetyCliTest, AmendedOnOneSideDeletedOnTheOther_EditSurvivesAsNewContact) {
    AddFour(w);
    w.PbxDelete("Ben Ode");
    w.BookAmend("Ben Ode", "Ben Ode: Bus1=030 223");
    w.BookAdd("Hal Wynn: Home2=040 999");
    std::string out, err;
    ASSERT_EQ(0, w.Sync({"--conflict", "pbx"}, &out, &err)) << err;
    std::vector<std::string> expected = {kFour[0], "Ben Ode: Bus1=030 223", kFour[2], kFour[3],
                                         "Hal Wynn: Home2=040 999"};
    EXPECT_EQ(CanonSpecs(expected), w.Pbx());
    EXPECT_EQ(CanonSpecs(expected), w.Book());
    ExpectNothingLeftToDo("card amended, PBX contact deleted", {"--conflict", "pbx"});

    w.BookDelete("Cleo Park");
    w.PbxAmend("Cleo Park", "Cleo Park: Home1=040 334");
    ASSERT_EQ(0, w.Sync({"--conflict", "partner"}, &out, &err)) << err;
    expected[2] = "Cleo Park: Home1=040 334";
    EXPECT_EQ(CanonSpecs(expected), w.Pbx());
    EXPECT_EQ(CanonSpecs(expected), w.Book());
    ExpectNothingLeftToDo("PBX contact amended, card deleted", {"--conflict", "partner"});
}

// Internal numbers and a second number of one type have no place on a card: they neither make
// a first-time sync ask, nor does "Use partner contact" erase them from the PBX.
TEST_F(SyncSafetyCliTest, FirstSyncWithNumbersTheCardCannotHold_KeptInPbxAndNotAsked) {
    w.PbxAdd("Kai Ulm: Mob=0175 1, Int=221");
    w.PbxAdd("Lia Moss: Mob=0176 1, Mob=0176 2");
    w.BookAdd("Kai Ulm: Mob=0175 1");
    w.BookAdd("Lia Moss: Mob=0176 2");
    std::string out, err;
    // A similar-contact question would be answered Cancel here (no terminal, no --similar).
    ASSERT_EQ(0, w.Sync({"--yes"}, &out, &err)) << err;
    std::vector<std::string> pbx = {"Kai Ulm: Mob=0175 1, Int=221",
                                    "Lia Moss: Mob=0176 1, Mob=0176 2"};
    EXPECT_EQ(CanonSpecs(pbx), w.Pbx());
    ExpectNothingLeftToDo("linked without a question");

    // Anew, with a card that differs in a number it holds: the card's version goes to the PBX
    // beside the numbers the card cannot show.
    ASSERT_EQ(0, w.Sync({"--reset", "--yes"}, &out, &err)) << err;
    w.BookAmend("Kai Ulm", "Kai Ulm: Mob=0175 9");
    w.BookAmend("Lia Moss", "Lia Moss: Mob=0176 3");
    ASSERT_EQ(0, w.Sync({"--yes", "--similar", "partner"}, &out, &err)) << err;
    pbx = {"Kai Ulm: Mob=0175 9, Int=221", "Lia Moss: Mob=0176 1, Mob=0176 3"};
    EXPECT_EQ(CanonSpecs(pbx), w.Pbx());
    EXPECT_EQ(CanonSpecs({"Kai Ulm: Mob=0175 9", "Lia Moss: Mob=0176 3"}), w.Book());
    ExpectNothingLeftToDo("after Use partner contact");
    EXPECT_EQ(CanonSpecs(pbx), w.Pbx());
}

// An unattended sync that would delete most of a side applies nothing, says why in its
// result and in the history, and leaves the deletions to a manual sync, which asks.
TEST_F(SyncSafetyCliTest, SilentSyncWithMostCardsRemoved_ChangesNothingAndSaysWhy) {
    const auto specs = LinkTwenty();
    for (int i = 0; i < 12; ++i) w.BookDelete(Name(specs[static_cast<std::size_t>(i)]));
    const auto book = w.Book();
    std::string out, err;
    EXPECT_EQ(1, w.Sync({"--silent"}, &out, &err));
    EXPECT_THAT(err, HasSubstr(Text(187, {}, {}, "12", "20") + " (Error Code -32)"));
    EXPECT_EQ(CanonSpecs(specs), w.Pbx());
    EXPECT_EQ(book, w.Book());
    const auto history = w.History();
    ASSERT_GE(history.size(), 2u);
    EXPECT_EQ("Deletions wait for a manual Sync: 12 in PBX, 0 in Outlook",
              history[history.size() - 2]);
    EXPECT_THAT(history.back(), HasSubstr("Sync Fail - Automatic Sync stopped"));

    // Manually, the deletions are asked about (declined here: no terminal, no --yes).
    EXPECT_EQ(1, w.Sync({}, &out, &err));
    EXPECT_THAT(err, HasSubstr("12 contacts have\nbeen deleted from Outlook"));
    EXPECT_EQ(CanonSpecs(specs), w.Pbx());

    // Limits of the user's own let the unattended sync through.
    ASSERT_EQ(0, w.Run("settings", {"set", "SilentDeleteMax", "12"}, {}, &out, &err)) << err;
    ASSERT_EQ(0, w.Sync({"--silent"}, &out, &err)) << err;
    EXPECT_EQ(book, w.Pbx());
}

// A folder that reads empty while its sync list names twenty cards is not filled by an
// unattended sync; a manual sync asks first.
TEST_F(SyncSafetyCliTest, SilentSyncWithAnEmptyFolder_StopsManualSyncAsks) {
    const auto specs = LinkTwenty();
    for (const auto& s : specs) w.BookDelete(Name(s));
    const auto lists = w.SyncLists();
    std::string out, err;
    EXPECT_EQ(1, w.Sync({"--silent"}, &out, &err));
    EXPECT_THAT(err,
                HasSubstr(Text(190, "Outlook", {}, "20") + "\n" + Text(191) + " (Error Code -33)"));
    EXPECT_TRUE(w.Book().empty());
    EXPECT_EQ(CanonSpecs(specs), w.Pbx());

    EXPECT_EQ(1, w.Sync({}, &out, &err));
    EXPECT_THAT(err, HasSubstr(Text(190, "Outlook", {}, "20")));
    EXPECT_TRUE(w.Book().empty());
    EXPECT_EQ(lists, w.SyncLists());

    ASSERT_EQ(0, w.Sync({"--yes"}, &out, &err)) << err;
    EXPECT_EQ(CanonSpecs(specs), w.Book());
}

// While another process writes the contact stores, a sync or an import ends at once with the
// text naming it, and changes nothing.
TEST_F(SyncSafetyCliTest, StoresLockedByAnotherWriter_SyncAndImportRefusedAtOnce) {
    AddFour(w);
    w.BookAdd("Hal Wynn: Home2=040 999");
    StoreWriteLock other;
    std::string text;
    ASSERT_EQ(StoreWriteLock::Outcome::kHeld,
              other.TryLock(DataFolder() / kStoreWriteLockFile, text))
        << text;
    const std::string busy = Text(192, {}, kAppName, std::to_string(::getpid()));
    std::string out, err;
    EXPECT_EQ(1, w.Sync({"--silent"}, &out, &err));
    EXPECT_THAT(err, HasSubstr(busy + " (Error Code -34)"));
    EXPECT_EQ(1, w.Run("import", {"--from", "outlook", "--yes"}, {}, &out, &err));
    EXPECT_THAT(err, HasSubstr(busy));
    EXPECT_EQ(CanonSpecs(kFour), w.Pbx());

    other.Unlock();
    ASSERT_EQ(0, w.Sync({}, &out, &err)) << err;
    EXPECT_EQ(5u, w.Pbx().size());
}

// Two syncs side by side, the first one by the real program: the second is refused at once
// with the first one's process id, and the first one finishes undisturbed.
TEST_F(SyncSafetyCliTest, TwoSyncsAtOnce_SecondRefusedWithTheFirstOnesProcessId) {
    const std::string program = (BinDir() / "korvi").string();
    if (!std::filesystem::exists(program)) GTEST_SKIP() << program << " not built";
    const auto specs = LinkTwenty();
    for (int i = 0; i < 5; ++i) {
        const std::string& spec = specs[static_cast<std::size_t>(i)];
        w.PbxAmend(Name(spec), "X" + spec);
    }
    // A slow PBX keeps the first sync writing while the second one starts.
    w.sim().SetDelayMs(50);
    std::vector<std::string> argv = {program, "sync"};
    for (const auto& a : w.ConnectionArgs()) argv.push_back(a);
    argv.push_back("--silent");
    std::pair<int, std::string> first;
    std::thread running([&] { first = RunForTest(argv, std::string(SyncCliWorld::kPin) + "\n"); });

    const auto lockFile = DataFolder() / kStoreWriteLockFile;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    long holder = 0;
    while ((holder = StoreWriteLock::HolderPid(lockFile)) == 0 &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::string out, err;
    const int second = holder != 0 ? w.Sync({"--silent"}, &out, &err) : -1;
    running.join();
    ASSERT_NE(0, holder) << "the first sync never took the lock: " << first.second;
    EXPECT_NE(::getpid(), holder);
    EXPECT_EQ(1, second);
    EXPECT_THAT(err,
                HasSubstr(Text(192, {}, kAppName, std::to_string(holder)) + " (Error Code -34)"));
    EXPECT_EQ(0, first.first) << first.second;
    EXPECT_EQ(w.Pbx(), w.Book());
}

}  // namespace
}  // namespace korvi::test
