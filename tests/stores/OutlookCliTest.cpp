// The address book commands of `korvi`, run in process on a temporary address book: the folder
// tree, making a folder, and export to and import from the address book against the simulated
// PBX on 127.0.0.1, with their questions and history lines.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PbxSimulator.h"
#include "StoreTestSupport.h"
#include "app/Log.h"
#include "app/Texts.h"
#include "cli/CliTestSupport.h"
#include "cli/ExportCommand.h"
#include "cli/FoldersCommand.h"
#include "cli/ImportCommand.h"
#include "cli/SettingsCommand.h"
#include "common/TestEnv.h"
#include "services/Services.h"

namespace korvi {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::CliRun;

constexpr int32_t kDesk = 101;
constexpr char kPin[] = "4711";

class OutlookCliTest : public testing::Test {
protected:
    void SetUp() override {
        SetLogsFolder(test::MakeTempDir("logs"));
        m_registry.Add<cli::SettingsCommand>();
        m_registry.Add<cli::FoldersCommand>();
        m_registry.Add<cli::ExportCommand>();
        m_registry.Add<cli::ImportCommand>();
        CliRun set;
        ASSERT_EQ(Run(set, {"settings", "set", "AddressBookDir", m_book.root.string()}), 0)
            << set.err.str();
    }

    void StartPbx() {
        sim::SimOptions options;
        options.users = {{"alice", kPin}};
        options.extensions = {{"alice", kDesk, "Alice Desk", "201"}};
        m_sim = std::make_unique<sim::PbxSimulator>(options);
        std::string error;
        ASSERT_TRUE(m_sim->Start(error)) << error;
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
                "5",
                "--contact-type",
                std::to_string(kDesk)};
    }

    int Run(CliRun& run, std::vector<std::string> args) {
        run.io.SetServicesFactory([] {
            auto services = std::make_unique<Services>();
            services->ctrl.SetWorkerSleeps(0ms, 0ms);
            services->RegisterActions();
            return services;
        });
        return run.Run(args, m_registry);
    }

    int RunPbx(CliRun& run, std::vector<std::string> args) {
        const auto c = Connection();
        args.insert(args.end(), c.begin(), c.end());
        const int code = Run(run, args);
        EXPECT_EQ(run.out.str().find(kPin), std::string::npos);
        EXPECT_EQ(run.err.str().find(kPin), std::string::npos);
        return code;
    }

    std::string History() const {
        std::error_code ec;
        return fs::exists(HistoryFilePath(), ec) ? test::ReadFile(HistoryFilePath()) : "";
    }

    test::TempBook m_book{"cli"};
    cli::CommandRegistry m_registry;
    std::unique_ptr<sim::PbxSimulator> m_sim;
};

TEST_F(OutlookCliTest, FoldersListsTheTreeAndCreatesFolders) {
    CliRun list;
    ASSERT_EQ(Run(list, {"folders"}), 0) << list.err.str();
    EXPECT_EQ(list.out.str(), "Personal Folders\n  Contacts (0)\n");

    CliRun create;
    ASSERT_EQ(Run(create, {"folders", "create", "\\\\Personal Folders\\Contacts\\Work"}), 0)
        << create.err.str();
    EXPECT_EQ(create.out.str(), "Created folder \\\\Personal Folders\\Contacts\\Work\n");
    EXPECT_TRUE(fs::is_directory(m_book.contacts / "Work"));

    test::WriteFile(m_book.contacts / "a.vcf", "BEGIN:VCARD\nVERSION:3.0\nFN:A\nEND:VCARD\n");
    CliRun again;
    ASSERT_EQ(Run(again, {"folders", "--paths"}), 0) << again.err.str();
    EXPECT_EQ(again.out.str(),
              "Personal Folders\t\\\\Personal Folders\n"
              "  Contacts (1)\t\\\\Personal Folders\\Contacts\n"
              "    Work (0)\t\\\\Personal Folders\\Contacts\\Work\n");
}

struct CreateFailure {
    const char* name;
    const char* path;
    int exitCode;
    const char* message;
};

const CreateFailure kCreateFailures[] = {
    {"NoLeadingBackslashes_Usage", "Personal Folders\\Contacts\\Work", 2, "full path"},
    {"StoreLevel_Refused", "\\\\Mine", 2, "full path"},
    {"MissingParent_Text111", "\\\\Personal Folders\\Nowhere\\Work", 1,
     "You must select a folder under which the new folder will be created!"},
    {"EmptyName_Text145", "\\\\Personal Folders\\Contacts\\", 1, "Folder name is invalid!"},
    {"Exists_Refused", "\\\\Personal Folders\\Contacts", 1, "exists already"},
};

class FolderCreateFailureTest : public OutlookCliTest,
                                public testing::WithParamInterface<CreateFailure> {};

TEST_P(FolderCreateFailureTest, SaysWhy) {
    CliRun run;
    EXPECT_EQ(Run(run, {"folders", "create", GetParam().path}), GetParam().exitCode);
    EXPECT_NE(run.err.str().find(GetParam().message), std::string::npos) << run.err.str();
}

INSTANTIATE_TEST_SUITE_P(Folders, FolderCreateFailureTest, testing::ValuesIn(kCreateFailures),
                         [](const auto& info) { return std::string(info.param.name); });

soap::TContactStruct PbxContact(const std::string& first, const std::string& last,
                                const std::string& number) {
    soap::TContactStruct c;
    c.contactType = kDesk;
    c.displayName = first + " " + last;
    c.lastName = last;
    c.firstName = first;
    c.contactNumbers.push_back({1, number, kMob, 1, 0, 1});
    return c;
}

TEST_F(OutlookCliTest, ExportToTheAddressBookThenImportBack) {
    StartPbx();
    ASSERT_NE(m_sim->SeedContact(PbxContact("Anna", "Berg", "0170111")), 0);
    ASSERT_NE(m_sim->SeedContact(PbxContact("Ben", "Cole", "0170222")), 0);

    CliRun exported(std::string(kPin) + "\n");
    ASSERT_EQ(RunPbx(exported, {"export", "--to", "outlook"}), 0) << exported.err.str();
    EXPECT_EQ(exported.out.str(), "Saved 2 contacts to Outlook folder for Alice Desk\n");
    EXPECT_EQ(test::CardFiles(m_book.contacts).size(), 2u);
    std::string history = History();
    EXPECT_NE(history.find("Export PBX Contacts To Outlook (Outlook 2013)"), std::string::npos);
    EXPECT_NE(history.find("Successfully exported 2 contacts from PBX for Alice Desk to Outlook "
                           "folder [\\\\Personal Folders\\Contacts]"),
              std::string::npos)
        << history;

    // The folder holds contacts now: a second export asks, and without a terminal the
    // answer is no.
    CliRun again(std::string(kPin) + "\n");
    EXPECT_EQ(RunPbx(again, {"export", "--to", "outlook"}), 1);
    EXPECT_NE(again.err.str().find("Action Cancelled!"), std::string::npos) << again.err.str();
    EXPECT_EQ(test::CardFiles(m_book.contacts).size(), 2u);
    EXPECT_NE(History().find("Fail: Action cancelled"), std::string::npos);

    // The user changes a number in the address book, then imports it into the PBX.
    const fs::path card = m_book.contacts / test::CardFiles(m_book.contacts)[0];
    std::string text = test::ReadFile(card);
    const std::size_t at = text.find("TEL;TYPE=cell:0170");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 21, "TEL;TYPE=cell:0170999");
    test::WriteFile(card, text);
    CliRun imported(std::string(kPin) + "\n");
    ASSERT_EQ(RunPbx(imported, {"--yes", "import", "--from", "outlook"}), 0) << imported.err.str();
    EXPECT_EQ(
        imported.out.str().rfind("Successfully imported 2 contacts to PBX for  Alice Desk", 0), 0u)
        << imported.out.str();
    std::vector<std::string> numbers;
    for (const auto& c : m_sim->PbxState(kDesk)) numbers.push_back(c.contactNumbers.at(0).number);
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers.size(), 2u);
    EXPECT_EQ(numbers[0].substr(0, 4), "0170");
    EXPECT_NE(std::find(numbers.begin(), numbers.end(), "0170999"), numbers.end());
    EXPECT_NE(History().find("Successfully imported 2 contacts to PBX for Alice Desk from Outlook "
                             "folder [DEFAULT]"),
              std::string::npos);
}

TEST_F(OutlookCliTest, ExportIntoANamedFolderAndTheWrongOnes) {
    StartPbx();
    ASSERT_NE(m_sim->SeedContact(PbxContact("Anna", "Berg", "0170111")), 0);
    fs::create_directories(m_book.contacts / "Work");
    CliRun exported(std::string(kPin) + "\n");
    ASSERT_EQ(RunPbx(exported, {"export", "--to", "outlook", "--folder",
                                "\\\\Personal Folders\\Contacts\\Work"}),
              0)
        << exported.err.str();
    EXPECT_EQ(test::CardFiles(m_book.contacts / "Work").size(), 1u);
    EXPECT_TRUE(test::CardFiles(m_book.contacts).empty());

    CliRun wrong(std::string(kPin) + "\n");
    EXPECT_EQ(RunPbx(wrong, {"export", "--to", "outlook", "--folder", "\\\\Personal Folders"}), 1);
    EXPECT_NE(wrong.err.str().find("Could not open Outlook folder \\\\Personal Folders"),
              std::string::npos)
        << wrong.err.str();
    CliRun usage;
    EXPECT_EQ(Run(usage, {"export", "--to", "nowhere"}), 2);
    CliRun mixed;
    EXPECT_EQ(Run(mixed, {"export", "--folder", "x", "--file", "y.xml"}), 2);
}

}  // namespace
}  // namespace korvi
