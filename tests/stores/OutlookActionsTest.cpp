// The address book actions on the controller: export from and import into the simulated PBX
// over HTTP on 127.0.0.1 with a real vCard folder, the sync list each writes, the PBX backup
// before an import, and the empty and cancelled cases.
#include "services/OutlookPartner.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PbxSimulator.h"
#include "StoreTestSupport.h"
#include "app/Texts.h"
#include "common/ResultTesting.h"
#include "common/TestEnv.h"
#include "files/ContactFile.h"
#include "pbx/PbxPhonebook.h"
#include "pbx/Tpbx.h"
#include "sync/PartnerTransfer.h"
#include "sync/Tctrl.h"

namespace korvi {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kDesk = 101;

soap::TContactStruct PbxContact(const std::string& first, const std::string& last,
                                std::vector<std::pair<int, std::string>> numbers) {
    soap::TContactStruct c;
    c.contactType = kDesk;
    c.displayName = first + " " + last;
    c.lastName = last;
    c.firstName = first;
    for (const auto& [type, number] : numbers)
        c.contactNumbers.push_back({1, number, type, 1, 0, 1});
    return c;
}

class OutlookActionsTest : public testing::Test {
protected:
    void SetUp() override {
        sim::SimOptions options;
        options.users = {{"alice", "1234"}};
        options.extensions = {{"alice", kDesk, "Alice Desk", "201"}};
        m_sim = std::make_unique<sim::PbxSimulator>(options);
        std::string error;
        ASSERT_TRUE(m_sim->Start(error)) << error;
        m_ctrl.SetWorkerSleeps(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
        m_partner.registerActions(m_ctrl);
        RegisterPartnerTransfers(m_ctrl, m_partner, m_pbx, m_files,
                                 PbxBackupOptions{m_backups, nullptr});
        ASSERT_EQ(m_pbx.SetConnectionParams(m_sim->Url(), "alice", "5", "1234"), 0);
        m_pbx.contactType = kDesk;
        m_pbx.contactTypeName = "Alice Desk";
        m_store.versionCode = 8;
    }

    int Run(int action) {
        m_ctrl.action = action;
        m_ctrl.SetBusy(1);
        m_ctrl.StartAction();
        EXPECT_TRUE(m_ctrl.WaitUntilIdle(std::chrono::seconds(60)));
        return m_ctrl.resultCode();
    }

    TContactList SyncList() {
        TContactList list;
        std::string text;
        EXPECT_EQ(CodeOf(m_files.LoadSyncFile(kDesk, m_store.contactStoreID(), list), text), 0)
            << text;
        return list;
    }

    test::LogCapture m_log;
    test::TempBook m_book{"actions"};
    fs::path m_backups = m_book.backups;
    std::unique_ptr<sim::PbxSimulator> m_sim;
    Tctrl m_ctrl;
    Tpbx m_pbx{m_ctrl};
    TcontactFile m_files{m_ctrl, test::MakeTempDir("data")};
    Toutlook m_store{m_ctrl, [this] { return outlook::ConnectVcfAddressBook(m_book.Options()); }};
    Partner m_partner = OutlookPartnerFor(m_store);
};

TEST_F(OutlookActionsTest, ExportWritesCardsAndTheSyncList) {
    ASSERT_NE(m_sim->SeedContact(PbxContact("Anna", "Berg", {{kHome1, "0301"}, {kMob, "0170"}})),
              0);
    ASSERT_NE(m_sim->SeedContact(PbxContact("Ben", "Cole", {{kBus2, "0402"}})), 0);
    m_store.keepExisting = 1;
    ASSERT_EQ(Run(kActExportContactsToOutlook), 0) << m_ctrl.resultText();
    ASSERT_EQ(m_ctrl.pbxContactList.size(), 2u);
    EXPECT_EQ(test::CardFiles(m_book.contacts).size(), 2u);

    TContactList sync = SyncList();
    ASSERT_EQ(sync.size(), 2u);
    for (const auto& c : sync) {
        EXPECT_TRUE(fs::exists(m_book.contacts / (c->entryId + ".vcf"))) << c->entryId;
        EXPECT_NE(c->contactId, kContactIdNew);
    }
    TContactList loaded;
    StopFlag stop{false};
    std::string text;
    ASSERT_EQ(CodeOf(m_store.LoadContacts(loaded, stop), text), 0);
    ASSERT_EQ(loaded.size(), 2u);
    for (const auto& c : loaded) {
        auto it = std::find_if(sync.begin(), sync.end(),
                               [&](const auto& s) { return s->entryId == c->entryId; });
        ASSERT_NE(it, sync.end());
        EXPECT_EQ(test::NumbersOf(*c), test::NumbersOf(**it));
    }
}

TEST_F(OutlookActionsTest, ExportOfAnEmptyExtensionWritesNothing) {
    EXPECT_EQ(Run(kActExportContactsToOutlook), kResultNothingToDo);
    EXPECT_EQ(m_ctrl.resultText(), "No Contacts Exist in PBX for Alice Desk");
    EXPECT_TRUE(test::CardFiles(m_book.contacts).empty());
}

TEST_F(OutlookActionsTest, ImportReplacesThePbxContactsAfterABackup) {
    ASSERT_NE(m_sim->SeedContact(PbxContact("Old", "One", {{kHome1, "999"}})), 0);
    test::WriteFile(
        m_book.contacts / "carl.vcf",
        "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:carl-1\r\nFN:Carl Dorn\r\nN:Dorn;Carl;;;\r\n"
        "TEL;TYPE=home:0301\r\nTEL;TYPE=home:0302\r\nTEL;TYPE=cell:0170\r\nEND:VCARD\r\n");
    ASSERT_EQ(Run(kActImportContactsFromOutlook), 0) << m_ctrl.resultText();

    auto pbx = m_sim->PbxState(kDesk);
    ASSERT_EQ(pbx.size(), 1u);
    EXPECT_EQ(pbx[0].displayName, "Carl Dorn");
    ASSERT_EQ(pbx[0].contactNumbers.size(), 3u);
    std::vector<fs::path> backups;
    for (const auto& e : fs::directory_iterator(m_backups))
        if (e.path().extension() == ".xml") backups.push_back(e.path());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_NE(test::ReadFile(backups[0]).find("Old One"), std::string::npos);

    TContactList sync = SyncList();
    ASSERT_EQ(sync.size(), 1u);
    EXPECT_EQ(sync[0]->entryId, "carl-1");
    EXPECT_EQ(sync[0]->contactId, pbx[0].contactId);
}

TEST_F(OutlookActionsTest, ImportOfAnEmptyFolderLeavesThePbx) {
    ASSERT_NE(m_sim->SeedContact(PbxContact("Old", "One", {{kHome1, "999"}})), 0);
    EXPECT_EQ(Run(kActImportContactsFromOutlook), kResultNothingToDo);
    EXPECT_EQ(m_ctrl.resultText(), "No Contacts found in Outlook folder.");
    EXPECT_EQ(m_sim->PbxState(kDesk).size(), 1u);
}

TEST_F(OutlookActionsTest, FolderInfoAndVersion) {
    ASSERT_EQ(Run(kActGetOutlookVersion), 0);
    EXPECT_EQ(m_store.versionCode, 8);
    EXPECT_EQ(m_store.versionName, "Outlook 2013");
    ASSERT_EQ(Run(kActGetOutlookFolderInfo), 0);
    EXPECT_EQ(m_store.numContactFolders, 1);
}

// A PBX whose save is interrupted by a cancel after the first contact, as a user's Cancel
// during a long import would do.
class CancelledSavePbx final : public PbxPhonebook {
public:
    explicit CancelledSavePbx(Tctrl& ctrl) : m_ctrl(ctrl) {}
    int32_t CurrentContactType() const override { return kDesk; }
    std::string CurrentContactTypeName() const override { return "Alice Desk"; }
    std::size_t ContactIdCount() const override { return 0; }
    Result GetContactIdsForCurContactType() override { return {}; }
    Result LoadContacts(TContactList*, const StopFlag&) override { return {}; }
    Result SaveContacts(TContactList* list, const StopFlag&) override {
        (*list)[0]->contactId = 1;
        m_ctrl.CancelAction();
        return {};
    }
    Result DeleteContact(const std::string&, int32_t) override { return {}; }
    Result WriteContact(TContact&) override { return {}; }

private:
    Tctrl& m_ctrl;
};

TEST_F(OutlookActionsTest, ImportCancelledDuringThePbxSaveWritesNoSyncList) {
    Tctrl ctrl;
    ctrl.SetWorkerSleeps(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
    CancelledSavePbx pbx(ctrl);
    RegisterPartnerTransfers(ctrl, m_partner, pbx, m_files, PbxBackupOptions{m_backups, nullptr});
    for (const char* who : {"a", "b"}) {
        test::WriteFile(m_book.contacts / (std::string(who) + ".vcf"),
                        std::string("BEGIN:VCARD\nVERSION:3.0\nUID:") + who + "\nFN:" + who +
                            "\nTEL:1\nEND:VCARD\n");
    }
    ctrl.action = kActImportContactsFromOutlook;
    ctrl.SetBusy(1);
    ctrl.StartAction();
    ASSERT_TRUE(ctrl.WaitUntilIdle(std::chrono::seconds(60)));
    EXPECT_EQ(ctrl.resultCode(), kResultCancelled);
    EXPECT_EQ(ctrl.resultText(), Text(kTextActionCancelled));
    std::string text;
    EXPECT_NE(CodeOf(m_files.CheckIfSyncFileExists(kDesk, m_store.contactStoreID()), text), 0);
}

}  // namespace
}  // namespace korvi
