// The cloud partner's actions on the controller: its login, groups and new group (13, 14, 15),
// and the export (8) and import (12) with the simulated PBX over HTTP and the emulator over
// HTTPS, with the sync list each writes and the cloud's rules (not logged in: -17; numbers the
// group holds but cannot give: -12).
#include "services/GmailPartner.h"

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GdataTestSupport.h"
#include "PbxSimulator.h"
#include "app/TextIds.h"
#include "app/Texts.h"
#include "common/ResultTesting.h"
#include "common/TestEnv.h"
#include "files/ContactFile.h"
#include "pbx/Tpbx.h"
#include "sync/PartnerTransfer.h"
#include "sync/Tctrl.h"

namespace korvi {
namespace {

constexpr int32_t kDesk = 101;
constexpr char kEmail[] = "anna.test@gmail.com";
constexpr char kPassword[] = "anna-secret";

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

gdatasim::GdataSimOptions CloudOptions() {
    gdatasim::GdataSimOptions o;
    o.accounts = {{kEmail, kPassword}};
    o.seeds = {{0, "Korvi"}};
    return o;
}

class GmailActionsTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_cloud.started());
        sim::SimOptions options;
        options.users = {{"alice", "1234"}};
        options.extensions = {{"alice", kDesk, "Alice Desk", "201"}};
        m_pbxSim = std::make_unique<sim::PbxSimulator>(options);
        std::string error;
        ASSERT_TRUE(m_pbxSim->Start(error)) << error;
        m_ctrl.SetWorkerSleeps(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
        m_partner.registerActions(m_ctrl);
        RegisterPartnerTransfers(m_ctrl, m_partner, m_pbx, m_files,
                                 PbxBackupOptions{test::MakeTempDir("backups"), nullptr});
        ASSERT_EQ(m_pbx.SetConnectionParams(m_pbxSim->Url(), "alice", "5", "1234"), 0);
        m_pbx.contactType = kDesk;
        m_pbx.contactTypeName = "Alice Desk";
        m_store.serviceUrl = m_cloud.url();
        m_store.accountName = kEmail;
        m_store.accountPassword = kPassword;
        m_store.SetFolder(m_cloud.sim().GroupId("Korvi"), "Korvi");
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

    test::TlsGdataSim m_cloud{CloudOptions()};
    std::unique_ptr<sim::PbxSimulator> m_pbxSim;
    Tctrl m_ctrl;
    Tpbx m_pbx{m_ctrl};
    TcontactFile m_files{m_ctrl, test::MakeTempDir("data")};
    Tgmail m_store{m_ctrl, m_cloud.MakeTransport()};
    Partner m_partner = GmailPartnerFor(m_store);
};

TEST_F(GmailActionsTest, LoginGroupsAndANewGroup) {
    ASSERT_EQ(Run(kActLoginToGmail), 0) << m_ctrl.resultText();
    EXPECT_EQ(m_store.loggedIn, 1);
    ASSERT_EQ(Run(kActGetGmailFolderInfo), 0) << m_ctrl.resultText();
    EXPECT_EQ(m_store.numFolders, 5);
    m_store.folderTitle = "Export 2";
    ASSERT_EQ(Run(kActCreateNewGmailFolder), 0) << m_ctrl.resultText();
    EXPECT_EQ(m_store.folderID, m_cloud.sim().GroupId("Export 2"));

    m_store.accountPassword = "wrong-password";
    EXPECT_EQ(Run(kActLoginToGmail), kResultGmailFailure);
    EXPECT_EQ(m_ctrl.resultText(), Text(kTextGmailLoginFailed) + " HTTP/1.1 403 Forbidden");
}

TEST_F(GmailActionsTest, TransfersWithoutALogin_AreRefusedWithNothingChanged) {
    ASSERT_NE(m_pbxSim->SeedContact(PbxContact("Anna", "Berg", {{kMob, "0170"}})), 0);
    for (int action : {kActExportContactsToGmail, kActImportContactsFromGmail}) {
        EXPECT_EQ(Run(action), kResultGmailNotLoggedIn) << ActionName(action);
        EXPECT_EQ(m_ctrl.resultText(), Text(kTextGmailNotLoggedIn));
    }
    EXPECT_TRUE(m_cloud.sim().Contacts("Korvi").empty());
    EXPECT_EQ(m_pbxSim->PbxState(kDesk).size(), 1u);
    EXPECT_EQ(m_cloud.sim().RequestCount(), 0);
}

TEST_F(GmailActionsTest, ExportWritesTheGroupAndTheSyncList) {
    ASSERT_NE(m_pbxSim->SeedContact(
                  PbxContact("Anna", "Berg", {{kHome2, "0301"}, {kMob, "0170"}, {kInt, "201"}})),
              0);
    ASSERT_NE(m_pbxSim->SeedContact(PbxContact("Ben", "Cole", {{kBus2, "0402"}})), 0);
    ASSERT_EQ(Run(kActLoginToGmail), 0);
    ASSERT_EQ(Run(kActExportContactsToGmail), 0) << m_ctrl.resultText();
    const auto group = m_cloud.sim().Contacts("Korvi");
    ASSERT_EQ(group.size(), 2u);
    EXPECT_EQ(group[0].fullName, "Anna Berg");
    ASSERT_EQ(group[0].phones.size(), 2u) << "no internal number";

    const TContactList sync = SyncList();
    ASSERT_EQ(sync.size(), 2u);
    std::vector<std::string> ids;
    for (const auto& c : sync) ids.push_back(c->entryId);
    EXPECT_EQ(ids, (std::vector<std::string>{group[0].editUrl, group[1].editUrl}));
}

TEST_F(GmailActionsTest, ImportReplacesThePbxAndReportsNumbersItCouldNotRead) {
    ASSERT_NE(m_pbxSim->SeedContact(PbxContact("Old", "One", {{kHome1, "999"}})), 0);
    ASSERT_EQ(Run(kActLoginToGmail), 0);
    EXPECT_EQ(Run(kActImportContactsFromGmail), kResultNothingToDo);
    EXPECT_EQ(m_ctrl.resultText(), Text(kTextNoGmailContacts));
    EXPECT_EQ(m_pbxSim->PbxState(kDesk).size(), 1u);

    std::string cid;
    ASSERT_EQ(
        m_cloud.sim().AddContactXml(
            "<entry xmlns='http://www.w3.org/2005/Atom' "
            "xmlns:gd='http://schemas.google.com/g/2005' "
            "xmlns:gContact='http://schemas.google.com/contact/2008'><gd:name>"
            "<gd:fullName>Carl Dorn</gd:fullName><gd:givenName>Carl</gd:givenName>"
            "<gd:familyName>Dorn</gd:familyName></gd:name>"
            "<gd:phoneNumber rel='http://schemas.google.com/g/2005#home'>0301</gd:phoneNumber>"
            "<gd:phoneNumber label='Grand Central'>425</gd:phoneNumber>"
            "<gContact:groupMembershipInfo href='" +
                m_cloud.sim().GroupId("Korvi") + "'/></entry>",
            cid),
        "");
    EXPECT_EQ(Run(kActImportContactsFromGmail), kResultGmailNumbersSkipped);
    EXPECT_EQ(m_ctrl.resultText(), "");
    const auto pbx = m_pbxSim->PbxState(kDesk);
    ASSERT_EQ(pbx.size(), 1u);
    EXPECT_EQ(pbx[0].displayName, "Carl Dorn");
    const TContactList sync = SyncList();
    ASSERT_EQ(sync.size(), 1u);
    EXPECT_EQ(sync[0]->contactId, pbx[0].contactId);
    EXPECT_EQ(sync[0]->entryId, m_cloud.sim().Contacts("Korvi")[0].editUrl);
}

}  // namespace
}  // namespace korvi
