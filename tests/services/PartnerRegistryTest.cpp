// The partner registry and the partner-generic export and import: a store registered with its
// rules under any code is found by the engine and the actions, and the rules decide what the
// transfers report. The in-memory PBX and partner store stand in for the real ones.
#include "services/PartnerRegistry.h"

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/Texts.h"
#include "common/TestEnv.h"
#include "files/ContactFile.h"
#include "services/CardDavPartner.h"
#include "services/OutlookPartner.h"
#include "services/Services.h"
#include "sync/MemoryPartnerStore.h"
#include "sync/MemoryPbx.h"
#include "sync/PartnerTransfer.h"
#include "sync/SyncTestSupport.h"
#include "sync/Tctrl.h"

namespace korvi {
namespace {

constexpr int kMemoryCode = 7;

Partner MemoryPartner(int code, const std::string& name) {
    Partner partner;
    partner.code = code;
    partner.name = name;
    partner.exportAction = kActExportContactsToGmail;
    partner.importAction = kActImportContactsFromGmail;
    partner.noContactsText = "No Contacts found in " + name + ".";
    return partner;
}

TEST(PartnerRegistryTest, FindsByCodeKeepsTheStoreAndRefusesACodeTwice) {
    PartnerRegistry registry;
    auto owned = std::make_unique<MemoryPartnerStore>();
    MemoryPartnerStore* store = owned.get();
    registry.Register(MemoryPartner(kMemoryCode, "Memory"), std::move(owned));
    registry.Register(MemoryPartner(1, "Other"), std::make_unique<MemoryPartnerStore>());

    ASSERT_NE(registry.Find(kMemoryCode), nullptr);
    EXPECT_EQ(registry.Find(kMemoryCode)->store, store);
    EXPECT_EQ(registry.StoreOf<MemoryPartnerStore>(kMemoryCode), store);
    EXPECT_EQ(registry.StoreOf<Toutlook>(kMemoryCode), nullptr);
    EXPECT_EQ(registry.Find(3), nullptr);
    std::vector<std::string> names;
    for (const Partner* p : registry.All()) names.push_back(p->name);
    EXPECT_EQ(names, (std::vector<std::string>{"Other", "Memory"}));
    EXPECT_THROW(registry.Register(MemoryPartner(kMemoryCode, "Again")), std::logic_error);
}

TEST(PartnerRegistryTest, ServicesRegisterTheAddressBookAndItsActions) {
    Services services;
    const Partner* outlook = services.partners.Find(ePartner_Outlook);
    ASSERT_NE(outlook, nullptr);
    EXPECT_EQ(outlook->name, "Outlook");
    EXPECT_EQ(outlook->store, &OutlookStore(services));
    services.RegisterActions();
    for (int action : {kActExportContactsToOutlook, kActImportContactsFromOutlook,
                       kActGetOutlookFolderInfo, kActGetOutlookVersion, kActSyncContacts}) {
        EXPECT_TRUE(services.ctrl.HasActionBody(action)) << ActionName(action);
    }
    // The cloud group is partner 1, with its export, import, login, groups and new group.
    const Partner* gmail = services.partners.Find(ePartner_Gmail);
    ASSERT_NE(gmail, nullptr);
    EXPECT_EQ(gmail->name, "Gmail");
    for (int action : {kActExportContactsToGmail, kActImportContactsFromGmail, kActLoginToGmail,
                       kActGetGmailFolderInfo, kActCreateNewGmailFolder}) {
        EXPECT_TRUE(services.ctrl.HasActionBody(action)) << ActionName(action);
    }
}

TEST(PartnerRegistryTest, ServicesRegisterTheAddressBookServerWithItsAccount) {
    Services services;
    const Partner* dav = services.partners.Find(ePartner_CardDav);
    ASSERT_NE(dav, nullptr);
    EXPECT_EQ(dav->name, "CardDAV");
    TcardDav& store = CardDavStore(services);
    EXPECT_EQ(dav->store, &store);
    EXPECT_TRUE(dav->slots.Limited()) << "cards hold what the address book holds";
    services.RegisterActions();
    for (int action : {kActExportContactsToCardDav, kActImportContactsFromCardDav}) {
        EXPECT_TRUE(services.ctrl.HasActionBody(action)) << ActionName(action);
    }

    KorviSettings settings;
    settings.cardDavUrl = "https://dav.test/anna/contacts/";
    settings.cardDavUser = "anna";
    settings.cardDavPwd = "long password";
    settings.cardDavCaFile = "/etc/private-ca.pem";
    settings.connTimeout = "45";
    services.Configure(settings);
    EXPECT_EQ(store.settings.url, settings.cardDavUrl);
    EXPECT_EQ(store.settings.user, "anna");
    EXPECT_EQ(store.settings.password, "long password");
    EXPECT_EQ(store.settings.caFile, "/etc/private-ca.pem");
    EXPECT_EQ(store.settings.timeoutMs, 45'000);

    // Ready for a sync only with an address the store would use.
    for (const auto& [url, ready] :
         std::vector<std::pair<std::string, bool>>{{"https://dav.test/anna/contacts/", true},
                                                   {"http://127.0.0.1:5232/anna/", true},
                                                   {"http://dav.test/anna/contacts/", false},
                                                   {"", false},
                                                   {"dav.test", false}}) {
        settings.cardDavUrl = url;
        EXPECT_EQ(dav->isSyncReady(settings), ready) << url;
    }
}

// One transfer through the generic bodies, with a partner's rules.
struct TransferCase {
    const char* name;
    int action;
    bool ready;           // checkTransfer passes
    bool skipsNumbers;    // finish turns success into -12
    int partnerContacts;  // in the store before
    int pbxContacts;      // in the PBX before
    int code;
    std::string text;
    int pbxAfter;
    int storeAfter;
};

void PrintTo(const TransferCase& c, std::ostream* os) { *os << c.name; }

const TransferCase kTransferCases[] = {
    {"Import_ReplacesThePbx", kActImportContactsFromGmail, true, false, 2, 1, 0, "", 2, 2},
    {"Import_NotReady_ChangesNothing", kActImportContactsFromGmail, false, false, 2, 1, -17,
     "Not logged in to Gmail account!", 1, 2},
    {"Import_EmptyStore_IsNothingToDo", kActImportContactsFromGmail, true, false, 0, 1, -8,
     "No Contacts found in Memory.", 1, 0},
    {"Import_SkippedNumbers_IsMinus12WithoutText", kActImportContactsFromGmail, true, true, 2, 1,
     -12, "", 2, 2},
    {"Export_ReplacesTheStore", kActExportContactsToGmail, true, false, 1, 3, 0, "", 3, 3},
    {"Export_NotReady_ChangesNothing", kActExportContactsToGmail, false, false, 1, 3, -17,
     "Not logged in to Gmail account!", 3, 1},
};

class PartnerTransferTest : public testing::TestWithParam<TransferCase> {};

TEST_P(PartnerTransferTest, FollowsThePartnersRules) {
    const TransferCase& c = GetParam();
    Tctrl ctrl;
    ctrl.SetWorkerSleeps(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
    test::MemoryPbx pbx;
    TcontactFile files(ctrl, test::MakeTempDir("transfer"));
    PartnerRegistry registry;
    Partner rules = MemoryPartner(kMemoryCode, "Memory");
    rules.checkTransfer = [&c] {
        return c.ready ? Result() : Result(kResultGmailNotLoggedIn, Text(kTextGmailNotLoggedIn));
    };
    if (c.skipsNumbers) rules.finish = [](Result) { return Result(kResultGmailNumbersSkipped); };
    auto owned = std::make_unique<MemoryPartnerStore>();
    MemoryPartnerStore& store = *owned;
    const Partner& partner = registry.Register(std::move(rules), std::move(owned));
    RegisterPartnerTransfers(ctrl, partner, pbx, files,
                             PbxBackupOptions{test::MakeTempDir("backups"), nullptr});
    for (int i = 0; i < c.partnerContacts; ++i) {
        store.Put(test::MakeContact("Store" + std::to_string(i) + " Person: Mob=0170 " +
                                    std::to_string(i)));
    }
    for (int i = 0; i < c.pbxContacts; ++i) {
        pbx.Put(test::MakeContact("Pbx" + std::to_string(i) + " Person: Bus1=030 " +
                                  std::to_string(i)));
    }

    ctrl.action = c.action;
    ctrl.SetBusy(1);
    ctrl.StartAction();
    ASSERT_TRUE(ctrl.WaitUntilIdle(std::chrono::seconds(30)));
    EXPECT_EQ(ctrl.resultCode(), c.code);
    EXPECT_EQ(ctrl.resultText(), c.text);
    EXPECT_EQ(static_cast<int>(pbx.Phonebook().size()), c.pbxAfter);
    EXPECT_EQ(static_cast<int>(store.contacts().size()), c.storeAfter);
    // A transfer that went through leaves the pair's sync list for the next sync.
    const bool copied = c.code == 0 || c.code == kResultGmailNumbersSkipped;
    EXPECT_EQ(files.CheckIfSyncFileExists(pbx.CurrentContactType(), store.contactStoreID()).ok(),
              copied);
}

INSTANTIATE_TEST_SUITE_P(Transfers, PartnerTransferTest, testing::ValuesIn(kTransferCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvi
