// `korvi sync` in process against the simulated PBX on 127.0.0.1 and an address book folder
// in the test's data folder: the dry run, a first-time sync, changes carried across, the
// reports and history lines of the sync tab, failures with their error codes, --reset.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "PbxSimulator.h"
#include "app/AppPaths.h"
#include "app/Log.h"
#include "app/Texts.h"
#include "cli/CliTestSupport.h"
#include "cli/SyncCommand.h"
#include "common/ResultTesting.h"
#include "common/TestEnv.h"
#include "pbx/PbxContactMapping.h"
#include "services/Services.h"
#include "stores/outlook/Toutlook.h"
#include "stores/outlook/VcfAddressBook.h"
#include "sync/PbxBackup.h"
#include "sync/SyncTestSupport.h"

namespace korvi::test {
namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;
using testing::Not;

constexpr char kPin[] = "1234";
constexpr int32_t kDesk = 101;

class SyncCommandTest : public testing::Test {
protected:
    void SetUp() override {
        SetLogsFolder(MakeTempDir("logs"));
        std::string error;
        ASSERT_TRUE(m_sim.Start(error)) << error;
        m_registry.Add<cli::SyncCommand>();
        m_book = DataFolder() / "addressbook";
    }

    int Sync(CliRun& run, std::vector<std::string> args) {
        const std::vector<std::string> connection = {"sync",
                                                     "--url",
                                                     "http://127.0.0.1",
                                                     "--port",
                                                     std::to_string(m_sim.Port()),
                                                     "--user",
                                                     "user",
                                                     "--pin-stdin",
                                                     "--timeout",
                                                     "5",
                                                     "--contact-type",
                                                     std::to_string(kDesk)};
        args.insert(args.begin(), connection.begin(), connection.end());
        run.io.SetServicesFactory([] {
            auto services = std::make_unique<Services>();
            services->ctrl.SetWorkerSleeps(0ms, 0ms);
            services->RegisterActions();
            return services;
        });
        const int code = run.Run(args, m_registry);
        EXPECT_THAT(run.out.str() + run.err.str(), Not(HasSubstr("PIN")));
        return code;
    }
    int Sync(std::vector<std::string> args, std::string* out = nullptr,
             std::string* err = nullptr) {
        CliRun run(std::string(kPin) + "\n");
        const int code = Sync(run, std::move(args));
        if (out) *out = run.out.str();
        if (err) *err = run.err.str();
        return code;
    }

    void PbxAdd(const std::string& spec) {
        TContact c = MakeContact(spec);
        ASSERT_NE(0, m_sim.SeedContact(ContactToPbx(c, kDesk)));
    }
    std::vector<std::string> Pbx() {
        std::vector<TContact> out;
        for (const auto& s : m_sim.PbxState(kDesk)) out.push_back(*ContactFromPbx(s));
        return Canon(out);
    }
    // The folder as another program reads it.
    std::vector<std::string> Book() {
        NullProgress progress;
        Toutlook store(progress, [this] {
            return outlook::ConnectVcfAddressBook({.root = m_book,
                                                   .backupsRoot = {},
                                                   .clock = nullptr,
                                                   .folderIds = {},
                                                   .ownTree = false});
        });
        TContactList list;
        std::string text;
        StopFlag stop{false};
        EXPECT_EQ(0, CodeOf(store.LoadContacts(list, stop), text)) << text;
        return Canon(list);
    }
    void BookAmend(const std::string& who, const std::string& spec) {
        NullProgress progress;
        Toutlook store(progress, [this] {
            return outlook::ConnectVcfAddressBook({.root = m_book,
                                                   .backupsRoot = {},
                                                   .clock = nullptr,
                                                   .folderIds = {},
                                                   .ownTree = false});
        });
        TContactList list;
        std::string text;
        StopFlag stop{false};
        ASSERT_EQ(0, CodeOf(store.LoadContacts(list, stop), text)) << text;
        for (auto& c : list) {
            if (c->firstName + " " + c->lastName != who) continue;
            TContact n = MakeContact(spec);
            n.entryId = c->entryId;
            ASSERT_EQ(0, CodeOf(store.BeginUpdates(), text)) << text;
            EXPECT_EQ(0, CodeOf(store.UpdateContact(PartnerStore::kUpdateAmend, n), text)) << text;
            store.EndUpdates();
            return;
        }
        FAIL() << "no card for " << who;
    }
    std::vector<std::string> SyncLists() {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(DataFolder(), ec)) {
            const auto name = e.path().filename().string();
            if (name.rfind("Sync_", 0) == 0) names.push_back(name);
        }
        return names;
    }
    std::vector<std::string> History() { return LogLines(HistoryFilePath().string()); }

    sim::PbxSimulator m_sim;
    cli::CommandRegistry m_registry;
    std::filesystem::path m_book;
};

TEST_F(SyncCommandTest, DryRun_ListsTheActionsAndChangesNothing) {
    PbxAdd("Anna Lee: Mob=0170 111");
    PbxAdd("Ben Ode: Bus1=030 222");
    std::string out, err;
    ASSERT_EQ(0, Sync({"--dry-run"}, &out, &err)) << err;
    EXPECT_THAT(out, HasSubstr("Write the 2 PBX contacts of Extension 201 to the empty Outlook "
                               "folder:\n"));
    EXPECT_THAT(out, HasSubstr("eAddInPartner    [Anna] [Lee] [Anna Lee]  Mob=0170 111\n"));
    EXPECT_THAT(out, HasSubstr("eAddInPartner    [Ben] [Ode] [Ben Ode]  Bus1=030 222\n"));
    EXPECT_THAT(out, HasSubstr("Dry run: nothing was changed.\n"));
    EXPECT_EQ(std::vector<std::string>{}, Book());
    EXPECT_TRUE(SyncLists().empty());
    EXPECT_TRUE(History().empty());
}

TEST_F(SyncCommandTest, FirstSyncThenChangesOnBothSides_CarriedAcrossAndReported) {
    PbxAdd("Anna Lee: Mob=0170 111");
    PbxAdd("Ben Ode: Bus1=030 222");
    std::string out, err;
    // No terminal and no --yes: the first-time warning is answered Cancel.
    EXPECT_EQ(1, Sync({}, &out, &err));
    EXPECT_THAT(err, HasSubstr("This is the first time syncing Outlook folder"));
    EXPECT_TRUE(SyncLists().empty());

    ASSERT_EQ(0, Sync({"--yes"}, &out, &err)) << err;
    EXPECT_EQ(Text(kTextSyncDone, "Outlook", {}, "0", "2") + "\n", out);
    EXPECT_EQ(CanonSpecs({"Anna Lee: Mob=0170 111", "Ben Ode: Bus1=030 222"}), Book());
    ASSERT_EQ(1u, SyncLists().size());

    BookAmend("Ben Ode", "Ben Ode: Bus1=030 223");
    PbxAdd("Cleo Park: Home1=040 333");
    ASSERT_EQ(0, Sync({}, &out, &err)) << err;
    EXPECT_EQ(Text(kTextSyncDone, "Outlook", {}, "1", "1") +
                  "\nPBX: 0 added, 0 deleted, 1 amended. Outlook: 1 added, 0 deleted, 0 "
                  "amended.\n",
              out);
    const auto both =
        CanonSpecs({"Anna Lee: Mob=0170 111", "Ben Ode: Bus1=030 223", "Cleo Park: Home1=040 333"});
    EXPECT_EQ(both, Pbx());
    EXPECT_EQ(both, Book());

    ASSERT_EQ(0, Sync({}, &out, &err)) << err;
    EXPECT_THAT(out, HasSubstr(Text(kTextSyncNoUpdates)));
    const auto history = History();
    EXPECT_THAT(history, testing::Contains("Sync started [Manually] - Direction [PBX <-> Outlook] "
                                           "- Outlook Folder [\\\\Personal Folders\\Contacts] - "
                                           "Device [Extension 201]"));
    EXPECT_THAT(history, testing::Contains("Successful Sync - [PBX: 0 added 0 deleted 1 amended] "
                                           "[Outlook: 1 added 0 deleted 0 amended]"));
    EXPECT_EQ("No updates since last Sync.", history.back());

    // The folder is one that other address book programs read.
    if (ProgramOnPathForTest("khard")) {
        const auto config = MakeTempDir("khard") / "khard.conf";
        WriteFile(config, "[addressbooks]\n[[pbx]]\npath = " +
                              (m_book / "Personal Folders" / "Contacts").string() + "\n");
        const auto listed = RunForTest({"khard", "-c", config.string(), "list"});
        EXPECT_EQ(0, listed.first) << listed.second;
        EXPECT_THAT(listed.second, HasSubstr("Cleo Park"));
        EXPECT_THAT(listed.second, HasSubstr("Ben Ode"));
    }
}

TEST_F(SyncCommandTest, PbxFailsDuringTheSync_ExitOneWithErrorCodeAndHistory) {
    PbxAdd("Anna Lee: Mob=0170 111");
    std::string out, err;
    ASSERT_EQ(0, Sync({"--yes"}, &out, &err)) << err;
    PbxAdd("Ben Ode: Bus1=030 222");
    BookAmend("Anna Lee", "Anna Lee: Mob=0170 112");
    // The 4th request, after the id list and the two contacts: the amend of Anna.
    m_sim.ResetCounters();
    m_sim.SetFailRequest(4);
    EXPECT_EQ(1, Sync({}, &out, &err));
    EXPECT_THAT(err, HasSubstr("(Error Code -2)"));
    EXPECT_THAT(History().back(), HasSubstr("Sync Fail - "));
    m_sim.ClearFaults();
    ASSERT_EQ(0, Sync({}, &out, &err)) << err;
    const auto both = CanonSpecs({"Anna Lee: Mob=0170 112", "Ben Ode: Bus1=030 222"});
    EXPECT_EQ(both, Pbx());
    EXPECT_EQ(both, Book());
}

TEST_F(SyncCommandTest, Silent_WithoutSyncList_RefusedWithMinus9AndNoQuestion) {
    PbxAdd("Anna Lee: Mob=0170 111");
    std::string out, err;
    ASSERT_EQ(0, Sync({"--yes", "--direction", "replace-partner"}, &out, &err)) << err;
    for (const auto& f : SyncLists()) std::filesystem::remove(DataFolder() / f);
    EXPECT_EQ(1, Sync({"--silent"}, &out, &err));
    EXPECT_THAT(err, HasSubstr("(Error Code -9)"));
    EXPECT_THAT(err, Not(HasSubstr("first time")));
    const auto history = History();
    ASSERT_GE(history.size(), 3u);
    EXPECT_EQ("Run Sync manually first!", history[history.size() - 2]);
    EXPECT_THAT(history.back(), HasSubstr("Sync Fail - "));
}

TEST_F(SyncCommandTest, ReplacePbx_KeepsABackupOfWhatThePbxHeld) {
    PbxAdd("Anna Lee: Mob=0170 111");
    std::string out, err;
    ASSERT_EQ(0, Sync({"--yes"}, &out, &err)) << err;
    PbxAdd("Ben Ode: Bus1=030 222");
    BookAmend("Anna Lee", "Anna Lee: Mob=0170 999");
    ASSERT_EQ(0, Sync({"--direction", "replace-pbx"}, &out, &err)) << err;
    EXPECT_EQ(CanonSpecs({"Anna Lee: Mob=0170 999"}), Pbx());
    EXPECT_THAT(History(), testing::Contains("Successful Sync."));
    const auto backups = ListPbxBackups(BackupsFolder(), kDesk);
    ASSERT_EQ(1u, backups.size());
    TContactList saved;
    std::string text;
    NullProgress progress;
    TcontactFile files(progress, DataFolder());
    ASSERT_EQ(0, CodeOf(files.LoadContacts(backups[0], saved), text)) << text;
    EXPECT_EQ(CanonSpecs({"Anna Lee: Mob=0170 111", "Ben Ode: Bus1=030 222"}), Canon(saved));
}

TEST_F(SyncCommandTest, Reset_DeletesThePairsSyncListOnlyWhenConfirmed) {
    PbxAdd("Anna Lee: Mob=0170 111");
    std::string out, err;
    ASSERT_EQ(0, Sync({"--yes"}, &out, &err)) << err;
    ASSERT_EQ(1u, SyncLists().size());
    EXPECT_EQ(1, Sync({"--reset"}, &out, &err));
    EXPECT_EQ(1u, SyncLists().size());
    ASSERT_EQ(0, Sync({"--reset", "--yes"}, &out, &err)) << err;
    EXPECT_TRUE(SyncLists().empty());
    EXPECT_THAT(out, HasSubstr("Deleted "));
}

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
    int exit;
    const char* message;
};

class SyncCommandUsageTest : public SyncCommandTest,
                             public testing::WithParamInterface<UsageCase> {};

TEST_P(SyncCommandUsageTest, RefusedWithMessage) {
    std::string out, err;
    EXPECT_EQ(GetParam().exit, Sync(GetParam().args, &out, &err));
    EXPECT_THAT(err, HasSubstr(GetParam().message));
    EXPECT_TRUE(SyncLists().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Sync, SyncCommandUsageTest,
    testing::Values(
        UsageCase{"BadDirection_Usage", {"--direction", "sideways"}, 2, "--direction takes"},
        UsageCase{"BadConflict_Usage", {"--conflict", "mine"}, 2, "--conflict takes"},
        UsageCase{"BadSimilar_Usage", {"--similar", "maybe"}, 2, "--similar takes"},
        UsageCase{"ResetWithDryRun_Usage", {"--reset", "--dry-run"}, 2, "do not go together"},
        UsageCase{"GroupWithoutTheCloud_Usage",
                  {"--partner", "outlook", "--group", "Korvi"},
                  2,
                  "--group goes with --partner gmail"},
        UsageCase{"Gmail_WithoutAValidAccount_Refused",
                  {"--partner", "gmail"},
                  1,
                  "Gmail Username must be of the format xxx@gmail.com"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvi::test
