// The PBX and file actions run on the controller against the simulated PBX: exports, imports,
// delete, the backup taken before every delete or replace, and faults at every request.
#include "sync/PbxActions.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PbxSimulator.h"
#include "app/Clock.h"
#include "app/Texts.h"
#include "common/ResultTesting.h"
#include "common/TestEnv.h"
#include "files/ContactFile.h"
#include "pbx/Tpbx.h"
#include "sync/PbxBackup.h"
#include "sync/Tctrl.h"

namespace korvi {
namespace {

constexpr int32_t kDesk = 101;
constexpr int32_t kMobile = 102;
constexpr char kStoreId[] = "0123456789abcdef0123456789abcdef";

class FixedClock final : public Clock {
public:
    std::time_t Now() const override { return 0; }
    LocalTime Local() const override { return {2026, 3, 4, 5, 6, 7}; }
};

soap::TContactStruct PbxContact(int32_t contactType, const std::string& name,
                                const std::string& number) {
    soap::TContactStruct c;
    c.contactType = contactType;
    c.displayName = name;
    c.lastName = name;
    c.firstName = "";
    c.contactNumbers.push_back({1, number, kBus1, 1, 0, 1});
    return c;
}

std::vector<std::string> Names(const std::vector<soap::TContactStruct>& contacts) {
    std::vector<std::string> names;
    for (const auto& c : contacts) names.push_back(c.displayName);
    return names;
}

std::vector<std::string> Names(const TContactList& contacts) {
    std::vector<std::string> names;
    for (const auto& c : contacts) names.push_back(c->displayName);
    return names;
}

class PbxActionsTest : public testing::Test {
protected:
    void SetUp() override {
        sim::SimOptions options;
        options.users = {{"alice", "1234"}};
        options.extensions = {{"alice", kDesk, "Alice Desk", "201"},
                              {"alice", kMobile, "Alice Mobile", "202"}};
        m_sim = std::make_unique<sim::PbxSimulator>(options);
        std::string error;
        ASSERT_TRUE(m_sim->Start(error)) << error;

        m_folder = test::MakeTempDir("actions");
        m_backups = m_folder / "backups";
        m_ctrl.SetWorkerSleeps(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
        RegisterPbxActions(m_ctrl, m_pbx, m_files, PbxBackupOptions{m_backups, nullptr});
        ASSERT_EQ(m_pbx.SetConnectionParams(m_sim->Url(), "alice", "5", "1234"), 0);
        m_pbx.contactType = kDesk;
        m_pbx.contactTypeName = "Alice Desk";
    }

    int Run(int action) {
        std::string text;
        const int check = CodeOf(CheckPbxActionInputs(m_pbx, action), text);
        if (check != 0) {
            m_ctrl.SetResult(check, text);
            return check;
        }
        m_ctrl.action = action;
        m_ctrl.SetBusy(1);
        m_ctrl.StartAction();
        EXPECT_TRUE(m_ctrl.WaitUntilIdle(std::chrono::seconds(60)));
        return m_ctrl.resultCode();
    }

    void SeedOld(int count) {
        for (int i = 0; i < count; ++i) {
            ASSERT_NE(m_sim->SeedContact(
                          PbxContact(kDesk, "Old " + std::to_string(i), "90" + std::to_string(i))),
                      0);
        }
    }

    // An XML contact file with `count` new contacts.
    std::filesystem::path WriteImportFile(int count) {
        TContactList list;
        for (int i = 0; i < count; ++i) {
            auto c = std::make_unique<TContact>();
            c->contactId = kContactIdNew;
            c->displayName = "New " + std::to_string(i);
            c->lastName = c->displayName;
            AddNumber("55" + std::to_string(i), kMob, *c);
            list.push_back(std::move(c));
        }
        const auto file = m_folder / ("import-" + std::to_string(count) + ".xml");
        std::string text;
        EXPECT_EQ(CodeOf(m_files.SaveContacts(file, list, kFileTypeXml), text), 0) << text;
        return file;
    }

    TContactList LoadFile(const std::filesystem::path& file) {
        TContactList list;
        std::string text;
        EXPECT_EQ(CodeOf(m_files.LoadContacts(file, list), text), 0) << text;
        return list;
    }

    std::unique_ptr<sim::PbxSimulator> m_sim;
    Tctrl m_ctrl;
    Tpbx m_pbx{m_ctrl};
    std::filesystem::path m_folder;
    std::filesystem::path m_backups;
    TcontactFile m_files{m_ctrl, test::MakeTempDir("data")};
};

TEST_F(PbxActionsTest, ChecksBeforeStart_ConnectionThenContactType) {
    std::string text;
    EXPECT_EQ(CodeOf(CheckPbxActionInputs(m_pbx, kActCheckService), text), 0);
    EXPECT_EQ(CodeOf(CheckPbxActionInputs(m_pbx, kActGetOutlookVersion), text), 0);

    ASSERT_EQ(m_pbx.SetConnectionParams(m_sim->Url(), "alice", "61", "1234"), 0);
    EXPECT_EQ(CodeOf(CheckPbxActionInputs(m_pbx, kActCheckService), text), -1);
    EXPECT_EQ(text, Text(kTextIntegerRange, {}, "Connection Timeout", "2", "60"));
    EXPECT_EQ(CodeOf(CheckPbxActionInputs(m_pbx, kActFindServersOnLan), text), 0);

    ASSERT_EQ(m_pbx.SetConnectionParams(m_sim->Url(), "alice", "30", "1234"), 0);
    m_pbx.contactType = kContactTypeNone;
    EXPECT_EQ(CodeOf(CheckPbxActionInputs(m_pbx, kActGetExtnInfo), text), 0);
    EXPECT_EQ(CodeOf(CheckPbxActionInputs(m_pbx, kActDeleteContacts), text), -1);
    EXPECT_EQ(text, Text(kTextInvalidContactType) + " - 65535");
    EXPECT_EQ(CodeOf(CheckPbxActionInputs(m_pbx, kActSyncContacts), text), -1);
}

TEST_F(PbxActionsTest, ExportToXmlAndCsv_WritesEveryContactWithNumbers) {
    SeedOld(3);
    m_ctrl.fileName = (m_folder / "out.xml").string();
    ASSERT_EQ(Run(kActExportContactsToXMLFile), 0) << m_ctrl.resultText();
    EXPECT_EQ(Names(LoadFile(m_ctrl.fileName)),
              (std::vector<std::string>{"Old 0", "Old 1", "Old 2"}));
    EXPECT_EQ(m_ctrl.pbxContactList.size(), 3u);

    m_ctrl.fileName = (m_folder / "out.csv").string();
    ASSERT_EQ(Run(kActExportContactsToCSVFile), 0) << m_ctrl.resultText();
    const std::string csv = test::ReadFile(m_ctrl.fileName);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 4);
    EXPECT_NE(csv.find("Old 2"), std::string::npos);
}

// A failed export never leaves a partly written or emptied file behind.
TEST_F(PbxActionsTest, ExportWithFaultAtEveryRequest_LeavesTheFileAsItWas) {
    SeedOld(3);
    const auto file = m_folder / "kept.xml";
    test::WriteFile(file, "the earlier export");
    m_ctrl.fileName = file.string();
    for (int k = 1; k <= 4; ++k) {
        SCOPED_TRACE("fail request " + std::to_string(k));
        m_sim->ClearFaults();
        m_sim->ResetCounters();
        m_sim->SetFailRequest(k);
        EXPECT_EQ(Run(kActExportContactsToXMLFile), -2);
        EXPECT_EQ(m_ctrl.resultText().rfind("[Exception] HTTP error 500", 0), 0u)
            << m_ctrl.resultText();
        EXPECT_EQ(test::ReadFile(file), "the earlier export");
    }
    m_sim->ClearFaults();
}

TEST_F(PbxActionsTest, ExportOfEmptyExtension_IsNothingToDoWithoutFile) {
    m_ctrl.fileName = (m_folder / "none.xml").string();
    EXPECT_EQ(Run(kActExportContactsToXMLFile), -8);
    EXPECT_EQ(m_ctrl.resultText(), "No Contacts Exist in PBX for Alice Desk");
    EXPECT_FALSE(std::filesystem::exists(m_ctrl.fileName));
}

TEST_F(PbxActionsTest, ImportOfEmptyFileOrCsv_LeavesPbxUntouched) {
    SeedOld(2);
    const auto empty = m_folder / "empty.xml";
    test::WriteFile(empty, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<contacts/>\n");
    m_sim->ResetCounters();
    m_ctrl.fileName = empty.string();
    EXPECT_EQ(Run(kActImportContactsFromXMLFile), -8);
    EXPECT_EQ(m_ctrl.resultText(), Text(kTextNoFileContacts));

    const auto csv = m_folder / "contacts.csv";
    test::WriteFile(csv, "Name,Number\nAnn,123\n");
    m_ctrl.fileName = csv.string();
    EXPECT_EQ(Run(kActImportContactsFromCSVFile), -1);

    EXPECT_EQ(m_sim->RequestCount(), 0u);
    EXPECT_EQ(m_sim->PbxState(kDesk).size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(m_backups));
}

TEST_F(PbxActionsTest, Import_ReplacesContactsKeepsBackupAndDropsSyncListsOfType) {
    SeedOld(3);
    std::string text;
    TContactList some;
    some.push_back(std::make_unique<TContact>());
    ASSERT_EQ(CodeOf(m_files.WriteSyncFile(kDesk, kStoreId, some), text), 0) << text;
    ASSERT_EQ(CodeOf(m_files.WriteSyncFile(kMobile, kStoreId, some), text), 0) << text;

    m_ctrl.fileName = WriteImportFile(4).string();
    ASSERT_EQ(Run(kActImportContactsFromXMLFile), 0) << m_ctrl.resultText();
    EXPECT_EQ(Names(m_sim->PbxState(kDesk)),
              (std::vector<std::string>{"New 0", "New 1", "New 2", "New 3"}));
    EXPECT_FALSE(std::filesystem::exists(m_files.SyncFilePath(kDesk, kStoreId)));
    EXPECT_TRUE(std::filesystem::exists(m_files.SyncFilePath(kMobile, kStoreId)));

    const auto backups = ListPbxBackups(m_backups, kDesk);
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(Names(LoadFile(backups[0])), (std::vector<std::string>{"Old 0", "Old 1", "Old 2"}));
}

TEST_F(PbxActionsTest, DeleteThenImportOfBackup_RestoresThePhonebook) {
    SeedOld(3);
    ASSERT_NE(m_sim->SeedContact(PbxContact(kMobile, "Other", "1")), 0);
    const auto before = m_sim->PbxState(kDesk);
    ASSERT_EQ(Run(kActDeleteContacts), 0) << m_ctrl.resultText();
    EXPECT_TRUE(m_sim->PbxState(kDesk).empty());
    EXPECT_EQ(Names(m_sim->PbxState(kMobile)), (std::vector<std::string>{"Other"}));

    const auto backups = ListPbxBackups(m_backups, kDesk);
    ASSERT_EQ(backups.size(), 1u);
    m_ctrl.fileName = backups[0].string();
    ASSERT_EQ(Run(kActImportContactsFromXMLFile), 0) << m_ctrl.resultText();
    const auto after = m_sim->PbxState(kDesk);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].displayName, before[i].displayName);
        EXPECT_EQ(after[i].contactNumbers, before[i].contactNumbers);
    }
    // Nothing to back up from an empty phonebook: the import made no second file.
    EXPECT_EQ(ListPbxBackups(m_backups, kDesk).size(), 1u);
}

TEST_F(PbxActionsTest, BackupThatCannotBeWritten_DeletesNothing) {
    SeedOld(2);
    test::WriteFile(m_backups, "a file where the folder should be");
    m_ctrl.fileName = WriteImportFile(3).string();
    EXPECT_EQ(Run(kActImportContactsFromXMLFile), -1);
    EXPECT_EQ(m_ctrl.resultText().rfind("Could not save a backup of the PBX contacts for Alice "
                                        "Desk, so nothing was changed in the PBX: ",
                                        0),
              0u)
        << m_ctrl.resultText();
    EXPECT_EQ(Run(kActDeleteContacts), -1);
    EXPECT_EQ(Names(m_sim->PbxState(kDesk)), (std::vector<std::string>{"Old 0", "Old 1"}));
}

// Every request of the import can fail (HTTP 500) or lose its connection. Whatever request it
// is, the import reports a failure, the old phonebook is either untouched or saved in a
// backup that the result text names, and running the import again ends with exactly the
// imported contacts.
class PbxImportFaultTest : public PbxActionsTest, public testing::WithParamInterface<bool> {};

TEST_P(PbxImportFaultTest, FaultAtEveryRequest_NothingLostRerunCompletes) {
    constexpr int kOld = 5;
    constexpr int kNew = 30;
    const auto file = WriteImportFile(kNew);
    std::vector<std::string> newNames;
    for (int i = 0; i < kNew; ++i) newNames.push_back("New " + std::to_string(i));

    // Id list, one read per old contact, the delete, one write per new contact.
    const int requests = 1 + kOld + 1 + kNew;
    const bool drop = GetParam();
    for (int k = 1; k <= requests; ++k) {
        SCOPED_TRACE((drop ? "drop request " : "fail request ") + std::to_string(k));
        m_sim->ClearFaults();
        ASSERT_TRUE(m_sim->ClearPbx());
        SeedOld(kOld);
        const auto old = Names(m_sim->PbxState(kDesk));
        std::filesystem::remove_all(m_backups);
        m_sim->ResetCounters();
        if (drop) {
            m_sim->SetDropRequest(k);
        } else {
            m_sim->SetFailRequest(k);
        }

        m_ctrl.fileName = file.string();
        EXPECT_NE(Run(kActImportContactsFromXMLFile), 0);
        const auto backups = ListPbxBackups(m_backups, kDesk);
        if (k <= 1 + kOld) {
            EXPECT_TRUE(backups.empty());
            EXPECT_EQ(Names(m_sim->PbxState(kDesk)), old);
        } else {
            ASSERT_EQ(backups.size(), 1u);
            EXPECT_EQ(Names(LoadFile(backups[0])), old);
            EXPECT_NE(m_ctrl.resultText().find(backups[0].string()), std::string::npos)
                << m_ctrl.resultText();
        }

        m_sim->ClearFaults();
        ASSERT_EQ(Run(kActImportContactsFromXMLFile), 0) << m_ctrl.resultText();
        EXPECT_EQ(Names(m_sim->PbxState(kDesk)), newNames);
    }
}

INSTANTIATE_TEST_SUITE_P(Import, PbxImportFaultTest, testing::Bool(), [](const auto& info) {
    return std::string(info.param ? "ConnectionDropped" : "Http500");
});

TEST(PbxBackupNamesTest, KeepsNewestTwentyPerContactType) {
    const auto folder = test::MakeTempDir("backups");
    test::WriteFile(folder / "pbx-101-20000101-000000.xml.note", "not a backup");
    test::WriteFile(folder / "pbx-102-20000101-000000.xml", "<contacts/>");
    test::WriteFile(folder / "pbx-101-19990101-000000.xml", "<contacts/>");

    sim::SimOptions options;
    options.users = {{"alice", "1234"}};
    options.extensions = {{"alice", kDesk, "Alice Desk", "201"}};
    sim::PbxSimulator pbxSim(options);
    std::string error;
    ASSERT_TRUE(pbxSim.Start(error)) << error;
    ASSERT_NE(pbxSim.SeedContact(PbxContact(kDesk, "Ann", "1")), 0);

    NullProgress progress;
    Tpbx pbx(progress);
    ASSERT_EQ(pbx.SetConnectionParams(pbxSim.Url(), "alice", "5", "1234"), 0);
    pbx.contactType = kDesk;
    pbx.contactTypeName = "Alice Desk";
    TcontactFile files(progress, folder);
    FixedClock clock;
    StopFlag stop{false};
    for (int i = 0; i < 21; ++i) {
        PbxBackupInfo info;
        std::string text;
        ASSERT_EQ(CodeOf(BackupPbxContacts(pbx, files, stop, info, {folder, &clock}), text), 0)
            << text;
        EXPECT_EQ(info.contacts, 1);
    }

    const auto kept = ListPbxBackups(folder, kDesk);
    ASSERT_EQ(kept.size(), kBackupsKept);
    EXPECT_EQ(kept.front().filename(), "pbx-101-20260304-050607-2.xml");
    EXPECT_EQ(kept.back().filename(), "pbx-101-20260304-050607-21.xml");
    EXPECT_FALSE(std::filesystem::exists(folder / "pbx-101-19990101-000000.xml"));
    EXPECT_FALSE(std::filesystem::exists(folder / "pbx-101-20260304-050607.xml"));
    EXPECT_TRUE(std::filesystem::exists(folder / "pbx-102-20000101-000000.xml"));
    EXPECT_TRUE(std::filesystem::exists(folder / "pbx-101-20000101-000000.xml.note"));
}

}  // namespace
}  // namespace korvi
