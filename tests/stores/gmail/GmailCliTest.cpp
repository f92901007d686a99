// The cloud commands of `korvi` as a user runs them, in process: the account's login, its
// groups and a new group, export to and import from a group, and syncs both ways between the
// simulated PBX on 127.0.0.1 and the cloud emulator over HTTPS, verified against a throw-away
// authority given by the "GmailCaFile" setting.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

#include "GdataTestSupport.h"
#include "PbxSimulator.h"
#include "app/Log.h"
#include "app/Progress.h"
#include "app/SettingsRegistry.h"
#include "app/Texts.h"
#include "cli/CliTestSupport.h"
#include "cli/ExportCommand.h"
#include "cli/GmailCommand.h"
#include "cli/ImportCommand.h"
#include "cli/SettingsCommand.h"
#include "cli/SyncCommand.h"
#include "common/ResultTesting.h"
#include "common/TestEnv.h"
#include "services/Services.h"
#include "stores/gmail/Tgmail.h"

namespace korvi {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::CliRun;

constexpr int32_t kDesk = 101;
constexpr char kPin[] = "4711";
constexpr char kEmail[] = "anna.cli@gmail.com";
constexpr char kPassword[] = "cli-secret-pw";
constexpr char kGroup[] = "Korvi";

gdatasim::GdataSimOptions CloudOptions() {
    gdatasim::GdataSimOptions o;
    o.accounts = {{kEmail, kPassword}};
    o.seeds = {{0, kGroup}};
    return o;
}

soap::TContactStruct PbxContact(const std::string& first, const std::string& last,
                                const std::string& mobile) {
    soap::TContactStruct c;
    c.contactType = kDesk;
    c.displayName = first + " " + last;
    c.lastName = last;
    c.firstName = first;
    c.contactNumbers.push_back({1, mobile, kMob, 1, 0, 1});
    return c;
}

class GmailCliTest : public testing::Test {
protected:
    void SetUp() override {
        SetLogsFolder(test::MakeTempDir("logs"));
        ASSERT_TRUE(m_cloud.started());
        sim::SimOptions options;
        options.users = {{"alice", kPin}};
        options.extensions = {{"alice", kDesk, "Alice Desk", "201"}};
        m_pbx = std::make_unique<sim::PbxSimulator>(options);
        std::string error;
        ASSERT_TRUE(m_pbx->Start(error)) << error;

        m_registry.Add<cli::SettingsCommand>();
        m_registry.Add<cli::GmailCommand>();
        m_registry.Add<cli::ExportCommand>();
        m_registry.Add<cli::ImportCommand>();
        m_registry.Add<cli::SyncCommand>();
        Set("GmailServiceUrl", m_cloud.url());
        Set("GmailCaFile", m_cloud.caFile().string());
        Set("GmailAccName", kEmail);
        SetPassword(kPassword);

        // Another client of the same account: the user's own edits in the cloud.
        m_user.serviceUrl = m_cloud.url();
        m_user.accountName = kEmail;
        m_user.accountPassword = kPassword;
        std::string text;
        ASSERT_EQ(CodeOf(m_user.LoginToGmail(), text), 0) << text;
        m_user.SetFolder(m_cloud.sim().GroupId(kGroup), kGroup);
    }

    void Set(const std::string& name, const std::string& value) {
        CliRun run;
        ASSERT_EQ(Run(run, {"settings", "set", name, value}), 0) << run.err.str();
    }
    void SetPassword(const std::string& password) {
        CliRun run(password + "\n");
        ASSERT_EQ(Run(run, {"settings", "set", "GmailAccPwd", "-"}), 0) << run.err.str();
    }

    int Run(CliRun& run, std::vector<std::string> args) {
        run.io.SetServicesFactory([] {
            auto services = std::make_unique<Services>();
            services->ctrl.SetWorkerSleeps(0ms, 0ms);
            services->RegisterActions();
            return services;
        });
        const int code = run.Run(args, m_registry);
        // Neither the password nor a token ("Auth=", "auth=") ever reaches the user's screen.
        EXPECT_EQ((run.out.str() + run.err.str()).find(kPassword), std::string::npos);
        EXPECT_EQ((run.out.str() + run.err.str()).find("uth="), std::string::npos);
        return code;
    }

    // A command that also talks to the PBX: its connection options, the PIN on standard input.
    int RunPbx(CliRun& run, std::vector<std::string> args) {
        const std::vector<std::string> connection = {
            "--url", "http://127.0.0.1", "--port",         std::to_string(m_pbx->Port()), "--user",
            "alice", "--pin-stdin",      "--contact-type", std::to_string(kDesk)};
        args.insert(args.end(), connection.begin(), connection.end());
        return Run(run, args);
    }

    // "First Last=number,number" of each side, sorted.
    std::vector<std::string> Pbx() const {
        std::vector<std::string> out;
        for (const auto& c : m_pbx->PbxState(kDesk)) {
            std::string line = c.firstName.value_or("") + " " + c.lastName.value_or("") + "=";
            for (const auto& n : c.contactNumbers) line += n.number + ",";
            out.push_back(line);
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    std::vector<std::string> Cloud(const std::string& group = kGroup) {
        std::vector<std::string> out;
        for (const auto& c : m_cloud.sim().Contacts(group)) {
            std::string line = c.givenName + " " + c.familyName + "=";
            for (const auto& p : c.phones) line += p.number + ",";
            out.push_back(line);
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    // The user's edit of a contact's mobile number in the cloud, as another client makes it.
    void CloudSetMobile(const std::string& who, const std::string& mobile) {
        TContactList list;
        std::string text;
        const StopFlag stop{false};
        ASSERT_EQ(CodeOf(m_user.LoadContacts(list, stop), text), 0) << text;
        for (auto& c : list) {
            if (c->firstName + " " + c->lastName != who) continue;
            c->numbers->at(0).number = mobile;
            ASSERT_EQ(CodeOf(m_user.AmendContact(*c), text), 0) << text;
            return;
        }
        FAIL() << "no cloud contact " << who;
    }
    void CloudAdd(const std::string& first, const std::string& last, const std::string& mobile) {
        TContact c;
        c.firstName = first;
        c.lastName = last;
        c.displayName = first + " " + last;
        TContactNumber number;
        number.number = mobile;
        number.numberType = kMob;
        c.numbers = TNumberList{number};
        std::string text;
        ASSERT_EQ(CodeOf(m_user.WriteNewContact(c), text), 0) << text;
    }

    std::string History() const {
        std::error_code ec;
        return fs::exists(HistoryFilePath(), ec) ? test::ReadFile(HistoryFilePath()) : "";
    }

    test::TlsGdataSim m_cloud{CloudOptions()};
    std::unique_ptr<sim::PbxSimulator> m_pbx;
    cli::CommandRegistry m_registry;
    NullProgress m_progress;
    Tgmail m_user{m_progress, m_cloud.MakeTransport()};
};

TEST_F(GmailCliTest, LoginGroupsAndANewGroup) {
    CliRun login;
    ASSERT_EQ(Run(login, {"gmail", "login"}), 0) << login.err.str();
    EXPECT_EQ(login.out.str(), std::string("Logged in to ") + kEmail + "\n");

    CloudAdd("Carl", "Dahl", "0170333");
    CliRun create;
    ASSERT_EQ(Run(create, {"gmail", "create-group", "Team"}), 0) << create.err.str();
    EXPECT_EQ(create.out.str(), "Created group Team\t" + m_cloud.sim().GroupId("Team") + "\n");

    CliRun groups;
    ASSERT_EQ(Run(groups, {"gmail", "groups"}), 0) << groups.err.str();
    const std::string listed = groups.out.str();
    EXPECT_NE(listed.find(std::string(kGroup) + "\t1\t" + m_cloud.sim().GroupId(kGroup) + "\n"),
              std::string::npos)
        << listed;
    EXPECT_NE(listed.find("Team\t0\t" + m_cloud.sim().GroupId("Team") + "\n"), std::string::npos)
        << listed;
    EXPECT_NE(listed.find("System Group: My Contacts\t"), std::string::npos) << listed;
}

struct AccountFailure {
    const char* name;
    const char* account;
    const char* password;
    bool trustEmulator;
    const char* message;
};

const AccountFailure kAccountFailures[] = {
    {"WrongPassword_LoginFails", kEmail, "not-the-password", true,
     "Failed to Login to Gmail account. HTTP/1.1 403"},
    // The account never set: the default address has no name before the domain.
    {"AccountNeverSet_RefusedBeforeAnyRequest", nullptr, kPassword, true,
     "Gmail Username must be of the format xxx@gmail.com"},
    // Verified TLS: without the authority of the emulator its certificate is refused.
    {"UntrustedCertificate_LoginFails", kEmail, kPassword, false,
     "Failed to Login to Gmail account."},
};

class GmailAccountFailureTest : public GmailCliTest,
                                public testing::WithParamInterface<AccountFailure> {};

TEST_P(GmailAccountFailureTest, SaysWhyAndSendsNoPasswordAnywhereElse) {
    const AccountFailure& f = GetParam();
    if (f.account != nullptr) {
        Set("GmailAccName", f.account);
    } else {
        KorviSettings settings;
        GetAllSettingsFromRegistry(settings);
        settings.gmailAccName = KorviSettings().gmailAccName;
        ASSERT_TRUE(SaveSettingsToRegistry(settings).ok());
    }
    SetPassword(f.password);
    if (!f.trustEmulator) Set("GmailCaFile", "");
    m_cloud.sim().ResetCounters();
    for (const char* what : {"login", "groups"}) {
        CliRun run;
        EXPECT_EQ(Run(run, {"gmail", what}), 1);
        EXPECT_NE(run.err.str().find(f.message), std::string::npos) << run.err.str();
        EXPECT_EQ(run.err.str().find(f.password), std::string::npos) << run.err.str();
    }
    if (f.account == nullptr) {
        EXPECT_EQ(m_cloud.sim().RequestCount(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Gmail, GmailAccountFailureTest, testing::ValuesIn(kAccountFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GmailCliTest, ExportToAGroupAndImportBack) {
    ASSERT_NE(m_pbx->SeedContact(PbxContact("Anna", "Berg", "0170111")), 0);
    ASSERT_NE(m_pbx->SeedContact(PbxContact("Ben", "Cole", "0170222")), 0);

    CliRun exported(std::string(kPin) + "\n");
    ASSERT_EQ(RunPbx(exported, {"export", "--to", "gmail", "--group", kGroup}), 0)
        << exported.err.str();
    EXPECT_EQ(exported.out.str(), "Saved 2 contacts to Gmail account for Alice Desk\n");
    const std::vector<std::string> both = {"Anna Berg=0170111,", "Ben Cole=0170222,"};
    EXPECT_EQ(Cloud(), both);
    EXPECT_NE(History().find("Successfully exported 2 contacts from PBX for Alice Desk to Gmail "
                             "account [anna.cli@gmail.com] folder [Korvi]"),
              std::string::npos)
        << History();

    // The group holds contacts now: the export asks first, and without a terminal the answer
    // is no.
    CliRun again(std::string(kPin) + "\n");
    EXPECT_EQ(RunPbx(again, {"export", "--to", "gmail", "--group", kGroup}), 1);
    EXPECT_NE(again.err.str().find("Action Cancelled!"), std::string::npos) << again.err.str();
    EXPECT_EQ(Cloud(), both);

    // A new group made by the export, which asks nothing; a group the account lacks.
    CliRun fresh(std::string(kPin) + "\n");
    ASSERT_EQ(RunPbx(fresh, {"export", "--to", "gmail", "--new-group", "Fresh"}), 0)
        << fresh.err.str();
    EXPECT_EQ(Cloud("Fresh"), both);
    EXPECT_EQ(Cloud(), both);
    CliRun missing(std::string(kPin) + "\n");
    EXPECT_EQ(RunPbx(missing, {"export", "--to", "gmail", "--group", "Nowhere"}), 1);
    EXPECT_NE(missing.err.str().find("no contact group [Nowhere]"), std::string::npos)
        << missing.err.str();

    // The user changes a number in the cloud, then imports the group into the PBX.
    CloudSetMobile("Anna Berg", "0170999");
    CliRun imported(std::string(kPin) + "\n");
    ASSERT_EQ(RunPbx(imported, {"--yes", "import", "--from", "gmail", "--group", kGroup}), 0)
        << imported.err.str();
    EXPECT_EQ(
        imported.out.str().rfind("Successfully imported 2 contacts to PBX for  Alice Desk", 0), 0u)
        << imported.out.str();
    EXPECT_EQ(Pbx(), (std::vector<std::string>{"Anna Berg=0170999,", "Ben Cole=0170222,"}));
    EXPECT_NE(History().find("Successfully imported 2 contacts to PBX for Alice Desk from Gmail "
                             "account [anna.cli@gmail.com] - group [Korvi]"),
              std::string::npos)
        << History();
}

// A group whose count cannot be read lists as 0 contacts; an export into it must not take that
// for empty and replace what the group holds.
TEST_F(GmailCliTest, ExportIntoAGroupWhoseCountFailed_ReplacesNothing) {
    ASSERT_NE(m_pbx->SeedContact(PbxContact("Anna", "Berg", "0170111")), 0);
    CloudAdd("Carl", "Dahl", "0170333");
    gdatasim::GdataSimulator& cloud = m_cloud.sim();
    cloud.SetBeforeRequest([&cloud](const gdatasim::SimRequest& request) {
        if (request.target.find("max-results=1&") != std::string::npos) {
            cloud.SetFailRequest(request.number);
        }
    });

    CliRun groups;
    ASSERT_EQ(Run(groups, {"gmail", "groups"}), 0) << groups.err.str();
    EXPECT_NE(groups.out.str().find(std::string(kGroup) + "\t?\t"), std::string::npos)
        << groups.out.str();

    CliRun exported(std::string(kPin) + "\n");
    EXPECT_EQ(RunPbx(exported, {"export", "--to", "gmail", "--group", kGroup}), 1);
    EXPECT_NE(exported.err.str().find(Text(kTextGmailFolderCountFailed)), std::string::npos)
        << exported.err.str();
    cloud.SetBeforeRequest(nullptr);
    EXPECT_EQ(Cloud(), std::vector<std::string>{"Carl Dahl=0170333,"});
}

TEST_F(GmailCliTest, SyncBothWays) {
    ASSERT_NE(m_pbx->SeedContact(PbxContact("Anna", "Berg", "0170111")), 0);
    CloudAdd("Carl", "Dahl", "0170333");
    const std::vector<std::string> sync = {"--yes",   "sync", "--partner",   "gmail",
                                           "--group", kGroup, "--direction", "both"};

    CliRun first(std::string(kPin) + "\n");
    ASSERT_EQ(RunPbx(first, sync), 0) << first.err.str();
    const std::vector<std::string> start = {"Anna Berg=0170111,", "Carl Dahl=0170333,"};
    EXPECT_EQ(Pbx(), start);
    EXPECT_EQ(Cloud(), start);

    // One change on each side travels to the other.
    ASSERT_NE(m_pbx->SeedContact(PbxContact("Dora", "Ek", "0170444")), 0);
    CloudSetMobile("Carl Dahl", "0170555");
    CliRun second(std::string(kPin) + "\n");
    ASSERT_EQ(RunPbx(second, sync), 0) << second.err.str();
    const std::vector<std::string> after = {"Anna Berg=0170111,", "Carl Dahl=0170555,",
                                            "Dora Ek=0170444,"};
    EXPECT_EQ(Pbx(), after);
    EXPECT_EQ(Cloud(), after);
    EXPECT_NE(History().find("Successful Sync - [PBX: 0 added 0 deleted 1 amended] [Gmail: 1 "
                             "added 0 deleted 0 amended]"),
              std::string::npos)
        << History();

    CliRun third(std::string(kPin) + "\n");
    ASSERT_EQ(RunPbx(third, sync), 0) << third.err.str();
    EXPECT_EQ(third.out.str(), Text(kTextSyncNoUpdates) + "\n");
    EXPECT_EQ(Cloud(), after);
}

}  // namespace
}  // namespace korvi
