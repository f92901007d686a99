// The PBX commands of `korvi`, run in process against the simulated PBX on 127.0.0.1: exit
// codes, what they print, the history lines, and that the PIN shows up nowhere.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PbxSimulator.h"
#include "app/AppPaths.h"
#include "app/Log.h"
#include "app/Texts.h"
#include "cli/CheckServiceCommand.h"
#include "cli/CliTestSupport.h"
#include "cli/DeleteCommand.h"
#include "cli/ExportCommand.h"
#include "cli/ExtensionsCommand.h"
#include "cli/ImportCommand.h"
#include "cli/PortalCommand.h"
#include "cli/SettingsCommand.h"
#include "common/TestEnv.h"
#include "services/Services.h"
#include "sync/PbxBackup.h"

namespace korvi {
namespace {

using namespace std::chrono_literals;
using test::CliRun;

constexpr char kPin[] = "7391";
constexpr int32_t kDesk = 101;

class RecordingOpener final : public UrlOpener {
public:
    Result OpenUrl(const std::string& url) override {
        urls.push_back(url);
        return {};
    }
    std::vector<std::string> urls;
};

std::string QueryValue(const std::string& url, const std::string& name) {
    const auto pos = url.find("&" + name + "=");
    if (pos == std::string::npos) return {};
    const auto start = pos + name.size() + 2;
    return url.substr(start, url.find('&', start) - start);
}

class PbxCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        SetLogsFolder(test::MakeTempDir("logs"));
        sim::SimOptions options;
        options.users = {{"alice", kPin}};
        options.extensions = {{"alice", kDesk, "Alice Desk", "201"},
                              {"alice", 102, "Alice Mobile", "202"}};
        options.portalPort = 0;
        options.platform = "KorviSim";
        options.swVersion = "7.1";
        m_sim = std::make_unique<sim::PbxSimulator>(options);
        std::string error;
        ASSERT_TRUE(m_sim->Start(error)) << error;
        m_registry.Add<cli::SettingsCommand>();
        m_registry.Add<cli::CheckServiceCommand>();
        m_registry.Add<cli::ExtensionsCommand>();
        m_registry.Add<cli::ExportCommand>();
        m_registry.Add<cli::ImportCommand>();
        m_registry.Add<cli::DeleteCommand>();
        m_registry.Add<cli::PortalCommand>(&m_opener);
    }

    std::vector<std::string> Connection() const {
        return {"--url",
                "http://127.0.0.1",
                "--port",
                std::to_string(m_sim->Port()),
                "--user",
                "alice",
                "--pin-stdin",
                "--timeout",
                "5"};
    }

    // One command line with the PIN on standard input; the services skip the worker's pauses.
    int Run(CliRun& run, std::vector<std::string> args, bool withConnection = true) {
        if (withConnection) {
            const auto c = Connection();
            args.insert(args.end(), c.begin(), c.end());
        }
        run.io.SetServicesFactory([] {
            auto services = std::make_unique<Services>();
            services->ctrl.SetWorkerSleeps(0ms, 0ms);
            services->RegisterActions();
            return services;
        });
        const int code = run.Run(args, m_registry);
        EXPECT_EQ(run.out.str().find(kPin), std::string::npos);
        EXPECT_EQ(run.err.str().find(kPin), std::string::npos);
        return code;
    }

    std::string History() const {
        std::error_code ec;
        return std::filesystem::exists(HistoryFilePath(), ec) ? test::ReadFile(HistoryFilePath())
                                                              : std::string();
    }

    void SeedDesk(int count) { ASSERT_EQ(m_sim->SeedContacts(count, kDesk), count); }

    std::vector<std::string> DeskNames() const {
        std::vector<std::string> names;
        for (const auto& c : m_sim->PbxState(kDesk)) names.push_back(c.displayName);
        return names;
    }

    std::unique_ptr<sim::PbxSimulator> m_sim;
    RecordingOpener m_opener;
    cli::CommandRegistry m_registry;
};

TEST_F(PbxCommandsTest, CheckService_PrintsPlatformOrPbxFailure) {
    CliRun ok(std::string(kPin) + "\n");
    EXPECT_EQ(Run(ok, {"check-service"}), 0) << ok.err.str();
    EXPECT_EQ(ok.out.str(),
              "Connection to IPPBX Services is OK. Platform: KorviSim- SW Version: 7.1\n");

    CliRun challenge(std::string(kPin) + "\n");
    EXPECT_EQ(Run(challenge, {"check-service", "--challenge"}), 0) << challenge.err.str();
    EXPECT_NE(challenge.out.str().find("Portal challenge received (cIdx "), std::string::npos);

    // The detailed log has every line of the check, and never the PIN.
    CliRun verbose(std::string(kPin) + "\n");
    EXPECT_EQ(Run(verbose, {"--verbose", "check-service"}), 0) << verbose.err.str();
    const std::string log = test::ReadFile(DetailedLogFilePath());
    EXPECT_NE(log.find("LOG: -----> Check Service\n"), std::string::npos) << log;
    EXPECT_NE(log.find("LOG: Check Service OK: Connection to IPPBX Services is OK.\nPlatform: "
                       "KorviSim- SW Version: 7.1\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find(kPin), std::string::npos);
    SetDetailedLogging(false);

    CliRun wrong("0000\n");
    EXPECT_EQ(Run(wrong, {"check-service"}), 1);
    EXPECT_EQ(wrong.out.str(), "");
    EXPECT_EQ(wrong.err.str(), "[SoapError] Invalid user name or PIN (Error Code 1)\n");
}

struct BadValuesCase {
    const char* name;
    std::vector<std::string> extra;  // after the connection options, so they win
    std::string stdinText;
    int code;
};

void PrintTo(const BadValuesCase& c, std::ostream* os) { *os << c.name; }

class PbxBadValuesTest : public PbxCommandsTest,
                         public testing::WithParamInterface<BadValuesCase> {};

TEST_P(PbxBadValuesTest, FailsBeforeAnyRequest) {
    CliRun run(GetParam().stdinText);
    std::vector<std::string> args = {"export", "--file", "x.xml", "--contact-type", "101"};
    auto c = Connection();
    args.insert(args.end(), c.begin(), c.end());
    args.insert(args.end(), GetParam().extra.begin(), GetParam().extra.end());
    EXPECT_EQ(Run(run, args, false), 1);
    EXPECT_NE(run.err.str().find(" (Error Code " + std::to_string(GetParam().code) + ")"),
              std::string::npos)
        << run.err.str();
    EXPECT_EQ(m_sim->RequestCount(), 0u);
    EXPECT_NE(History().find("Failed to export PBX contacts to file ["), std::string::npos);
}

const BadValuesCase kBadValues[] = {
    {"TimeoutAboveSixty_IsRangeFailure", {"--timeout", "61"}, "7391\n", -1},
    {"UrlWithoutScheme_IsUrlFailure", {"--url", "127.0.0.1"}, "7391\n", -3},
    {"UserNameWithQuote_IsUserFailure", {"--user", "al'ice"}, "7391\n", -4},
    {"NoPinOnInput_IsPinFailure", {}, "", -5},
    {"ShortPin_IsPinFailure", {}, "12\n", -5},
};

INSTANTIATE_TEST_SUITE_P(Connection, PbxBadValuesTest, testing::ValuesIn(kBadValues),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PbxCommandsTest, Extensions_ListsCentralStoreFirstThenEachExtension) {
    CliRun run(std::string(kPin) + "\n");
    EXPECT_EQ(Run(run, {"extensions"}), 0) << run.err.str();
    EXPECT_EQ(run.out.str(),
              "central\tCentral Store\n101\tAlice Desk\t201\n102\tAlice Mobile\t202\n"
              "2 extensions for alice\n");
}

TEST_F(PbxCommandsTest, ExportImportDelete_WithQuestionsBackupsAndHistory) {
    SeedDesk(4);
    const auto folder = test::MakeTempDir("files");
    const std::string xml = (folder / "desk.xml").string();
    const std::string csv = (folder / "desk.csv").string();

    CliRun exportXml(std::string(kPin) + "\n");
    ASSERT_EQ(Run(exportXml, {"export", "--format", "xml", "--file", xml, "--contact-type", "101"}),
              0)
        << exportXml.err.str();
    EXPECT_EQ(exportXml.out.str(), "Saved 4 contacts to file for  Alice Desk (" + xml + ")\n");
    CliRun exportCsv(std::string(kPin) + "\n");
    ASSERT_EQ(Run(exportCsv, {"export", "--format", "csv", "--file", csv, "--contact-type", "101"}),
              0)
        << exportCsv.err.str();
    EXPECT_TRUE(std::filesystem::exists(csv));

    // Replacing a file needs a yes; without a terminal and --yes the answer is Cancel.
    CliRun again(std::string(kPin) + "\n");
    EXPECT_EQ(Run(again, {"export", "--file", xml, "--contact-type", "101"}), 1);
    EXPECT_NE(again.err.str().find("Action Cancelled!"), std::string::npos);

    const auto before = DeskNames();
    m_sim->ResetCounters();
    CliRun refused(std::string(kPin) + "\n");
    EXPECT_EQ(Run(refused, {"import", "--file", xml, "--contact-type", "101"}), 1);
    EXPECT_NE(refused.err.str().find(Text(kTextConfirmImport, {}, "Alice Desk")),
              std::string::npos);
    EXPECT_EQ(m_sim->OperationCount(soap::Operation::kSpgDeleteContact), 0u);

    CliRun deleted(std::string(kPin) + "\n");
    ASSERT_EQ(Run(deleted, {"--yes", "delete", "--contact-type", "101"}), 0) << deleted.err.str();
    EXPECT_TRUE(DeskNames().empty());
    const auto backups = ListPbxBackups(DataFolder() / "backups", kDesk);
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(deleted.out.str(),
              "Contacts deleted successfully in PBX for  Alice Desk. The 4 "
              "contacts that the PBX held for Alice Desk before are saved in " +
                  backups[0].string() + "; import that file to restore them.\n");

    CliRun restored(std::string(kPin) + "\n");
    ASSERT_EQ(
        Run(restored, {"import", "--yes", "--file", backups[0].string(), "--contact-type", "101"}),
        0)
        << restored.err.str();
    EXPECT_EQ(restored.out.str(), "Successfully imported 4 contacts to PBX for  Alice Desk\n");
    EXPECT_EQ(DeskNames(), before);

    const std::string history = History();
    const std::vector<std::string> lines = {
        " - Export PBX Contacts to XML File\n",
        " - Successfully exported 4 contacts from PBX for Alice Desk to file [" + xml + "]\n",
        " - Export PBX Contacts to CSV File\n",
        " - Import PBX Contacts From XML File\n",
        " - Fail: Action cancelled\n",
        " - Delete Contacts in PBX\n",
        " - Successfully deleted contacts in PBX for Alice Desk\n",
        " - Successfully imported 4 contacts to PBX for Alice Desk from file [" +
            backups[0].string() + "]\n"};
    for (const std::string& line : lines) {
        EXPECT_NE(history.find(line), std::string::npos) << line << "\n" << history;
    }
}

TEST_F(PbxCommandsTest, ContactTypeChoices) {
    CliRun unknown(std::string(kPin) + "\n");
    EXPECT_EQ(Run(unknown, {"delete", "--yes", "--contact-type", "999"}), 1);
    EXPECT_EQ(unknown.err.str(),
              "No extension with device id 999 for user alice (Error Code -1)\n");

    CliRun none(std::string(kPin) + "\n");
    EXPECT_EQ(Run(none, {"delete", "--yes"}), 1);
    EXPECT_NE(none.err.str().find("Invalid ContactType Name (Error Code -1)\n"), std::string::npos);

    CliRun bad(std::string(kPin) + "\n");
    EXPECT_EQ(Run(bad, {"delete", "--contact-type", "desk"}), 2);

    ASSERT_NE(
        m_sim->SeedContact({0, kContactTypeCentral, "Central One", "", "", {{1, "9", 0, 0, 0, 0}}}),
        0);
    const std::string file = (test::MakeTempDir("central") / "central.csv").string();
    CliRun central(std::string(kPin) + "\n");
    EXPECT_EQ(
        Run(central, {"export", "--format", "csv", "--file", file, "--contact-type", "central"}), 0)
        << central.err.str();
    EXPECT_EQ(central.out.str(), "Saved 1 contacts to file for  Central Store (" + file + ")\n");
}

TEST_F(PbxCommandsTest, StoredSettings_AreTheDefaults) {
    for (const std::vector<std::string>& set :
         {std::vector<std::string>{"settings", "set", "PbxUrl", "http://127.0.0.1"},
          {"settings", "set", "PbxPort", std::to_string(m_sim->Port())},
          {"settings", "set", "UserName", "alice"},
          {"settings", "set", "Pin", "-"},
          {"settings", "set", "SyncContactType", "101"},
          {"settings", "set", "SyncContactTypeName", "Alice Desk"}}) {
        CliRun setting(std::string(kPin) + "\n");
        ASSERT_EQ(Run(setting, set, false), 0) << setting.err.str();
    }
    SeedDesk(2);
    const std::string file = (test::MakeTempDir("stored") / "stored.xml").string();
    CliRun run;
    EXPECT_EQ(Run(run, {"export", "--file", file}, false), 0) << run.err.str();
    EXPECT_EQ(run.out.str(), "Saved 2 contacts to file for  Alice Desk (" + file + ")\n");
}

// The stored "PbxConnections" reaches the load: one connection reads the phonebook over a single
// kept-alive connection, more read it side by side, next to the export's other calls. The answers
// come late enough that a second connection always starts before the first has read them all.
TEST_F(PbxCommandsTest, StoredConnections_AreWhatTheLoadReadsOver) {
    SeedDesk(12);
    m_sim->SetDelayMs(10);
    uint64_t withOne = 0;
    for (const int connections : {1, 3}) {
        SCOPED_TRACE(connections);
        CliRun setting;
        ASSERT_EQ(
            Run(setting, {"settings", "set", "PbxConnections", std::to_string(connections)}, false),
            0)
            << setting.err.str();
        m_sim->ResetCounters();
        const std::string file =
            (test::MakeTempDir("connections") / (std::to_string(connections) + ".xml")).string();
        CliRun run(std::string(kPin) + "\n");
        ASSERT_EQ(Run(run, {"export", "--file", file, "--contact-type", "101"}), 0)
            << run.err.str();
        EXPECT_EQ(run.out.str(), "Saved 12 contacts to file for  Alice Desk (" + file + ")\n");
        if (connections == 1) {
            withOne = m_sim->ConnectionCount();
        } else {
            EXPECT_GT(m_sim->ConnectionCount(), withOne);
            EXPECT_LE(m_sim->ConnectionCount(), withOne - 1 + connections);
        }
    }
}

TEST_F(PbxCommandsTest, Portal_OpensOrPrintsALoginThePbxAccepts) {
    CliRun open(std::string(kPin) + "\n");
    ASSERT_EQ(Run(open, {"portal"}), 0) << open.err.str();
    ASSERT_EQ(m_opener.urls.size(), 1u);
    const std::string& url = m_opener.urls[0];
    const std::string start = "http://127.0.0.1:" + std::to_string(m_sim->PortalPort()) +
                              "/?formtype=login&sessionName=&username=alice&password=&login=Login"
                              "&challenge=&cIdx=";
    EXPECT_EQ(url.substr(0, start.size()), start) << url;
    EXPECT_TRUE(m_sim->Service().CheckPortalLogin("alice", std::stoi(QueryValue(url, "cIdx")),
                                                  QueryValue(url, "response")));

    CliRun print(std::string(kPin) + "\n");
    ASSERT_EQ(Run(print, {"portal", "--print-url"}), 0) << print.err.str();
    EXPECT_EQ(print.out.str().substr(0, start.size()), start);
    EXPECT_EQ(m_opener.urls.size(), 1u);

    CliRun wrong("0000\n");
    EXPECT_EQ(Run(wrong, {"portal"}), 1);
    EXPECT_EQ(m_opener.urls.size(), 1u);
}

}  // namespace
}  // namespace korvi
