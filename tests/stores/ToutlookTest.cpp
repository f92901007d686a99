// The store logic on the in-memory address book: version table, folder tree and chooser,
// opening a folder by path, and loading, saving and updating contacts with their log lines,
// progress texts and codes.
#include "stores/outlook/Toutlook.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "StoreTestSupport.h"
#include "app/Texts.h"
#include "common/ResultTesting.h"
#include "stores/outlook/MemoryObjectModel.h"

namespace korvi {
namespace {

using outlook::ContactProperty;
using outlook::MemoryFolderData;
using outlook::MemoryItemData;
using outlook::MemoryOutlook;
using outlook::OlError;
using P = ContactProperty;

class ToutlookTest : public testing::Test {
protected:
    ToutlookTest()
        : personal(model.AddStore("Personal Folders")),
          contacts(model.AddFolder(personal, "Contacts")),
          archive(model.AddStore("Archive")),
          oldContacts(model.AddFolder(archive, "Old Contacts")),
          inbox(model.AddFolder(archive, "Inbox", 0)),
          store(progress, [this] { return model.Connect(); }) {
        model.SetDefaultContacts(&contacts);
        store.versionCode = 8;
    }

    MemoryItemData& Contact(MemoryFolderData& folder, const std::string& fileAs,
                            std::vector<std::pair<P, std::string>> props) {
        MemoryItemData& item = model.AddContact(folder, fileAs);
        for (auto& [p, v] : props) MemoryOutlook::SetProp(item, p, v);
        return item;
    }

    // Calls the hook's action when `call` has been made `n` times.
    void On(const std::string& call, int n, std::function<void()> action) {
        model.hook = [this, call, n, action, count = 0](std::string_view c) mutable {
            if (c == call && ++count == n) action();
        };
    }

    test::LogCapture log;
    MemoryOutlook model;
    MemoryFolderData& personal;
    MemoryFolderData& contacts;
    MemoryFolderData& archive;
    MemoryFolderData& oldContacts;
    MemoryFolderData& inbox;
    test::RecordingProgress progress;
    Toutlook store;
    StopFlag stop{false};
    std::string text;
};

struct VersionCase {
    const char* name;
    const char* version;
    int rc;
    int code;
    const char* versionName;
};

const VersionCase kVersions[] = {
    {"Outlook2003", "11.0.8206", 0, 5, "Outlook 2003"},
    {"Outlook2010", "14.0.4760.1000", 0, 7, "Outlook 2010"},
    {"Outlook98_TooOld", "8.5.5104", 0, 2, "Outlook 98"},
    {"Outlook2000", "9.0.0.2711", 0, 3, "Outlook 2000"},
    {"AddressBook", "15.0", 0, 8, "Outlook 2013"},
    {"Version16_Unknown", "16.0.4266", -1, 0, "Unknown"},
    {"NoNumbers_Unknown", "beta", -1, 0, "Unknown"},
};

class VersionTest : public ToutlookTest, public testing::WithParamInterface<VersionCase> {};

TEST_P(VersionTest, KeyedByMajorTimesTenPlusMinor) {
    model.version = GetParam().version;
    EXPECT_EQ(CodeOf(store.GetVersion(), text), GetParam().rc);
    EXPECT_EQ(store.versionCode, GetParam().code);
    EXPECT_EQ(store.versionName, GetParam().versionName);
    if (GetParam().rc != 0) {
        EXPECT_EQ(text, "Unknown Outlook Version: " + std::string(GetParam().version));
    }
    ASSERT_FALSE(progress.texts.empty());
    EXPECT_EQ(progress.texts[0].first, "Retrieving Outlook Version. Please wait....");
    EXPECT_EQ(model.OpenConnections(), 0);
}

INSTANTIATE_TEST_SUITE_P(Table, VersionTest, testing::ValuesIn(kVersions),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ToutlookTest, VersionOfAnUnreachableBookIsTheErrorMessage) {
    model.hook = [](std::string_view c) {
        if (c == "Connect") throw OlError("address book folder missing");
    };
    EXPECT_EQ(CodeOf(store.GetVersion(), text), -1);
    EXPECT_EQ(text, "address book folder missing");
    EXPECT_TRUE(log.Contains("ERR: OUTLOOK: GetVersion: Exception: address book folder missing"));
}

TEST_F(ToutlookTest, FolderTreeShowsContactFoldersWithCounts) {
    Contact(contacts, "A", {});
    Contact(contacts, "B", {});
    store.folderPath = "\\\\Archive\\Old Contacts";
    ASSERT_EQ(CodeOf(store.GetOutlookFolderInfo(), text), 0);
    EXPECT_EQ(store.folderPath, "");
    EXPECT_EQ(store.numContactFolders, 2);
    ASSERT_EQ(store.folderTree.size(), 2u);
    const OutlookFolderNode& p = store.folderTree[0];
    EXPECT_EQ(p.text, "Personal Folders");
    EXPECT_EQ(p.imageIndex, 0);
    EXPECT_EQ(p.info.path, "\\\\Personal Folders");
    ASSERT_EQ(p.children.size(), 1u);
    EXPECT_EQ(p.children[0].text, "Contacts (2)");
    EXPECT_EQ(p.children[0].imageIndex, 1);
    EXPECT_EQ(p.children[0].info.itemCount, 2);
    EXPECT_EQ(p.children[0].info.folderEntryID, contacts.entryId);
    const OutlookFolderNode& a = store.folderTree[1];
    ASSERT_EQ(a.children.size(), 2u);
    EXPECT_EQ(a.children[0].text, "Old Contacts (0)");
    EXPECT_EQ(a.children[1].text, "Inbox");
    EXPECT_EQ(a.children[1].imageIndex, 0);
    EXPECT_EQ(progress.texts.back().first, "Retrieving Outlook folder information. Please wait.");
}

TEST_F(ToutlookTest, FolderTreeWithoutContactFolders) {
    MemoryOutlook empty;
    empty.AddFolder(empty.AddStore("Mailbox"), "Inbox", 0);
    Toutlook other(progress, [&] { return empty.Connect(); });
    EXPECT_EQ(CodeOf(other.GetOutlookFolderInfo(), text), 0);
    EXPECT_EQ(other.numContactFolders, 0);
}

TEST_F(ToutlookTest, FolderTreeFailureIsText110AndNotLogged) {
    On("Folders.Item", 2, [] { throw OlError("broken store"); });
    EXPECT_EQ(CodeOf(store.GetOutlookFolderInfo(), text), -1);
    EXPECT_EQ(text, "Failed to Get Outlook folders!");
    EXPECT_FALSE(log.Contains("broken store"));
}

TEST_F(ToutlookTest, ChooserClicksAndCreateFolder) {
    Contact(oldContacts, "A", {});
    ASSERT_EQ(CodeOf(store.GetOutlookFolderInfo(), text), 0);
    const OutlookFolderNode* old = store.FindNode("\\\\Archive\\Old Contacts");
    ASSERT_NE(old, nullptr);
    store.SelectFolderNode(old);
    EXPECT_EQ(store.folderPath, "\\\\Archive\\Old Contacts");
    EXPECT_EQ(store.folderContactCount, 1);
    store.SelectFolderNode(store.FindNode("\\\\Archive\\Inbox"));
    EXPECT_EQ(store.folderPath, "");
    EXPECT_EQ(store.folderContactCount, 0);

    std::string message;
    EXPECT_EQ(CodeOf(store.CreateNewFolder(nullptr, "Work"), message), -1);
    EXPECT_EQ(message, Text(kTextSelectParentFolder));
    EXPECT_EQ(store.folderPath, "");

    store.ResetChooser();
    EXPECT_EQ(CodeOf(store.CreateNewFolder(old, ""), message), -1);
    EXPECT_EQ(message, "Folder name is invalid!");
    EXPECT_EQ(store.createCancelled, 1);

    store.ResetChooser();
    ASSERT_EQ(CodeOf(store.CreateNewFolder(old, "Work"), message), 0) << message;
    EXPECT_EQ(store.folderPath, "\\\\Archive\\Old Contacts\\Work");
    EXPECT_EQ(store.newFolderCreated, 1);
    EXPECT_EQ(store.createCancelled, 0);
    ASSERT_EQ(oldContacts.children.size(), 1u);
    EXPECT_EQ(oldContacts.children[0]->name, "Work");
    EXPECT_EQ(model.OpenConnections(), 0);
}

struct OpenCase {
    const char* name;
    int versionCode;
    const char* folderPath;
    int rc;
    const char* logLine;
    bool opensDefault;
};

const OpenCase kOpenCases[] = {
    {"EmptyPath_Default", 8, "", 0, "LOG: OUTLOOK: OpenFolder: Using DEFAULT folder", true},
    {"DefaultPath_Default", 8, "\\\\Personal Folders\\Contacts", 0,
     "LOG: OUTLOOK: OpenFolder: Using folder \\\\Personal Folders\\Contacts", true},
    {"Outlook2000_AlwaysDefault", 3, "\\\\Archive\\Old Contacts", 0,
     "LOG: OUTLOOK: OpenFolder: Using DEFAULT folder", true},
    {"OtherFolder_Found", 8, "\\\\Archive\\Old Contacts", 0,
     "LOG: OUTLOOK: OpenFolder: Using folder \\\\Archive\\Old Contacts", false},
    {"LetterCaseDiffers_NotFound", 8, "\\\\archive\\old contacts", -1,
     "ERR: OUTLOOK: OpenFolder Fail: Could not find Outlook folder [\\\\archive\\old contacts] "
     "from path",
     false},
};

class OpenFolderTest : public ToutlookTest, public testing::WithParamInterface<OpenCase> {};

TEST_P(OpenFolderTest, ByPath) {
    const OpenCase& c = GetParam();
    store.versionCode = c.versionCode;
    store.folderPath = c.folderPath;
    ASSERT_EQ(CodeOf(store.OpenFolder(), text), c.rc);
    EXPECT_TRUE(log.Contains(c.logLine)) << log.Text();
    if (c.rc == 0) {
        EXPECT_EQ(store.contactStoreID(), c.opensDefault ? contacts.entryId : oldContacts.entryId);
    } else {
        EXPECT_EQ(text, "Could not open Outlook folder " + std::string(c.folderPath));
    }
    store.CloseFolder();
    EXPECT_EQ(model.OpenConnections(), 0);
}

INSTANTIATE_TEST_SUITE_P(Paths, OpenFolderTest, testing::ValuesIn(kOpenCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ToutlookTest, DefaultPathOpensDefaultFolderWithoutPersonalFolders) {
    MemoryOutlook other;
    MemoryFolderData& mailbox = other.AddStore("Mailbox");
    MemoryFolderData& c = other.AddFolder(mailbox, "Contacts");
    other.SetDefaultContacts(&c);
    Toutlook s(progress, [&] { return other.Connect(); });
    s.versionCode = 8;
    s.folderPath = kDefaultContactsPath;
    ASSERT_EQ(CodeOf(s.OpenFolder(), text), 0);
    EXPECT_EQ(s.contactStoreID(), c.entryId);
}

TEST_F(ToutlookTest, OfTwoFoldersWithOnePathTheLaterOpens) {
    MemoryFolderData& archive2 = model.AddStore("Archive");
    MemoryFolderData& second = model.AddFolder(archive2, "Old Contacts");
    store.folderPath = "\\\\Archive\\Old Contacts";
    ASSERT_EQ(CodeOf(store.OpenFolder(), text), 0);
    EXPECT_EQ(store.contactStoreID(), second.entryId);
}

TEST_F(ToutlookTest, LoadContactsAppliesTheValidityRules) {
    Contact(contacts, "John M Doe",
            {{P::FirstName, "John"},
             {P::MiddleName, "Michael"},
             {P::LastName, "Doe"},
             {P::HomeTelephoneNumber, "0301"}});
    Contact(contacts, "ACME", {{P::CompanyName, "ACME Inc"}, {P::BusinessTelephoneNumber, "0402"}});
    Contact(contacts, "", {{P::FirstName, "Y"}, {P::LastName, "X"}, {P::HomeTelephoneNumber, "1"}});
    model.AddDistList(contacts);
    Contact(contacts, "Fax Only", {{P::HomeFaxNumber, "0306"}, {P::BusinessFaxNumber, "0407"}});
    Contact(contacts, "Nobody", {{P::LastName, "Nobody"}});
    Contact(contacts, "O'Brien \"Bob\"", {{P::MobileTelephoneNumber, "0170\n"}});

    TContactList list;
    ASSERT_EQ(CodeOf(store.LoadContacts(list, stop), text), 0);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0]->firstName, "John Michael");
    EXPECT_EQ(list[0]->lastName, "Doe");
    EXPECT_EQ(list[0]->entryId, contacts.items[0]->entryId);
    EXPECT_EQ(list[0]->contactId, 0);
    EXPECT_EQ(list[1]->lastName, "ACME Inc");
    EXPECT_EQ(list[1]->firstName, "");
    EXPECT_EQ(test::NumbersOf(*list[2]),
              (std::vector<std::pair<int, std::string>>{{kFaxHome, "0306"}, {kFaxBus, "0407"}}));
    EXPECT_EQ(list[3]->displayName, "O`Brien Bob");
    EXPECT_EQ(test::NumbersOf(*list[3]),
              (std::vector<std::pair<int, std::string>>{{kMob, "0170"}}));
    const TContactNumber& n = list[0]->numbers->at(0);
    EXPECT_EQ(n.barring, 1);
    EXPECT_EQ(n.cli, 1);
    EXPECT_EQ(n.lineAccess, 0);
    EXPECT_EQ(n.state, 0);

    EXPECT_EQ(store.contactStoreID(), contacts.entryId);
    EXPECT_EQ(model.OpenConnections(), 0);
    const std::string lines = log.Text();
    for (const char* line :
         {"LOG: OUTLOOK: LoadContacts: Loading 7 contacts from DEFAULT folder",
          "LOG: OUTLOOK: LoadContacts: Invalid name - not loading. Full Name [] (0) LastName [X] "
          "(1) FirstName [Y] (1)",
          "LOG: OUTLOOK: LoadContacts: Item Index 4 is not a Contact - not loading. (Distribution "
          "list?)",
          "LOG: OUTLOOK: LoadContacts: [Nobody] has no numbers - not loading.",
          "LOG: OUTLOOK: LoadContacts: Loaded 4 from 7 contacts from DEFAULT folder"})
        EXPECT_NE(lines.find(line), std::string::npos) << line;
    ASSERT_EQ(progress.texts.size(), 7u);
    EXPECT_EQ(progress.texts[0],
              std::make_pair(std::string("Retrieving Contact 1 of 7 from Outlook"), 14));
    EXPECT_EQ(progress.texts[6],
              std::make_pair(std::string("Retrieving Contact 7 of 7 from Outlook"), 100));
}

TEST_F(ToutlookTest, LoadContactsOfANamedFolderLogsItsPath) {
    Contact(oldContacts, "A", {{P::HomeTelephoneNumber, "1"}});
    store.folderPath = "\\\\Archive\\Old Contacts";
    TContactList list;
    ASSERT_EQ(CodeOf(store.LoadContacts(list, stop), text), 0);
    EXPECT_TRUE(log.Contains(
        "LOG: OUTLOOK: LoadContacts: Loading 1 contacts from \\\\Archive\\Old Contacts"));
    EXPECT_TRUE(log.Contains(
        "LOG: OUTLOOK: LoadContacts: Loaded 1 from 1 contacts from \\\\Archive\\Old Contacts"));
}

TEST_F(ToutlookTest, LoadContactsStoppedIsCancelledNotAPartialSuccess) {
    for (int i = 0; i < 5; ++i)
        Contact(contacts, "C" + std::to_string(i), {{P::HomeTelephoneNumber, "1"}});
    On("Items.Item", 2, [this] { stop = true; });
    TContactList list;
    EXPECT_EQ(CodeOf(store.LoadContacts(list, stop), text), -7);
    EXPECT_EQ(model.OpenConnections(), 0);
}

TEST_F(ToutlookTest, LoadContactsFailureIsText117) {
    Contact(contacts, "A", {{P::HomeTelephoneNumber, "1"}});
    On("ContactItem.Get", 1, [] { throw OlError("card unreadable"); });
    TContactList list;
    EXPECT_EQ(CodeOf(store.LoadContacts(list, stop), text), -1);
    EXPECT_EQ(text, "Failed to load Outlook Contacts!");
    EXPECT_TRUE(log.Contains("ERR: OUTLOOK: LoadContacts Exception: card unreadable"));
    EXPECT_EQ(model.OpenConnections(), 0);
}

TEST_F(ToutlookTest, LoadContactsOfAMissingFolderIsText112) {
    store.folderPath = "\\\\Nowhere";
    TContactList list;
    EXPECT_EQ(CodeOf(store.LoadContacts(list, stop), text), -1);
    EXPECT_EQ(text, "Could not open Outlook folder \\\\Nowhere");
    EXPECT_EQ(store.contactStoreID(), "");
}

class SaveContactsTest : public ToutlookTest {
protected:
    void SetUp() override {
        Contact(contacts, "Old One", {{P::HomeTelephoneNumber, "1"}});
        model.AddDistList(contacts);
        contacts.items.push_back(std::make_shared<MemoryItemData>());
        contacts.items.back()->kind = MemoryItemData::Kind::Other;
        Contact(contacts, "Old Two", {{P::HomeTelephoneNumber, "2"}});
        list.push_back(std::make_unique<TContact>(
            test::MakeContact("Berg, Anna", "Berg", "Anna", {{kHome1, "0301"}, {kMob, "0170"}})));
        list.push_back(std::make_unique<TContact>(
            test::MakeContact("Cole, Ben", "Cole", "Ben", {{kBus2, "0402"}, {kInt, "12"}})));
    }
    TContactList list;
};

TEST_F(SaveContactsTest, ReplacesContactsAndDistributionListsKeepsOtherItems) {
    ASSERT_EQ(CodeOf(store.SaveContacts(list, stop), text), 0) << text;
    ASSERT_EQ(contacts.items.size(), 3u);
    EXPECT_EQ(contacts.items[0]->kind, MemoryItemData::Kind::Other);
    const MemoryItemData& anna = *contacts.items[1];
    EXPECT_EQ(MemoryOutlook::Prop(anna, P::FileAs), "Berg, Anna");
    EXPECT_EQ(MemoryOutlook::Prop(anna, P::HomeTelephoneNumber), "0301");
    EXPECT_EQ(MemoryOutlook::Prop(anna, P::MobileTelephoneNumber), "0170");
    EXPECT_EQ(MemoryOutlook::Prop(*contacts.items[2], P::Business2TelephoneNumber), "0402");
    EXPECT_EQ(list[0]->entryId, anna.entryId);
    EXPECT_EQ(list[1]->entryId, contacts.items[2]->entryId);
    EXPECT_EQ(store.contactStoreID(), contacts.entryId);
    EXPECT_EQ(model.OpenConnections(), 0);
    EXPECT_TRUE(log.Contains("LOG: OUTLOOK: SaveContacts: Deleting 4 existing contacts"));
    EXPECT_TRUE(log.Contains("LOG: OUTLOOK: SaveContacts: Saving 2 contacts to DEFAULT folder"));
    EXPECT_TRUE(log.Contains("LOG: OUTLOOK: WriteContact: [Anna] [Berg]"));
    const std::vector<std::pair<std::string, int>> expected = {
        {"Deleting Contact 4 of 4 from Outlook", 0},  {"Deleting Contact 3 of 4 from Outlook", 25},
        {"Deleting Contact 2 of 4 from Outlook", 50}, {"Deleting Contact 1 of 4 from Outlook", 75},
        {"Writing Contact 1 of 2 to Outlook", 50},    {"Writing Contact 2 of 2 to Outlook", 100}};
    EXPECT_EQ(progress.texts, expected);
}

TEST_F(SaveContactsTest, KeepExistingAddsBesideTheOldItems) {
    store.keepExisting = 1;
    ASSERT_EQ(CodeOf(store.SaveContacts(list, stop), text), 0);
    EXPECT_EQ(contacts.items.size(), 6u);
    EXPECT_FALSE(log.Contains("Deleting"));
}

TEST_F(SaveContactsTest, StoppedWhileDeletingIsCancelled) {
    On("Delete", 1, [this] { stop = true; });
    EXPECT_EQ(CodeOf(store.SaveContacts(list, stop), text), -7);
    EXPECT_EQ(contacts.items.size(), 3u);
    EXPECT_EQ(model.OpenConnections(), 0);
}

TEST_F(SaveContactsTest, StoppedWhileWritingIsCancelledToo) {
    On("Save", 1, [this] { stop = true; });
    EXPECT_EQ(CodeOf(store.SaveContacts(list, stop), text), -7);
    EXPECT_FALSE(list[0]->entryId.empty());
    EXPECT_TRUE(list[1]->entryId.empty());
}

TEST_F(SaveContactsTest, FailedSaveIsTheErrorMessage) {
    On("Save", 2, [] { throw OlError("disk full"); });
    EXPECT_EQ(CodeOf(store.SaveContacts(list, stop), text), -1);
    EXPECT_EQ(text, "disk full");
    EXPECT_TRUE(log.Contains("ERR: OUTLOOK: SaveContacts Exception: disk full"));
    EXPECT_EQ(model.OpenConnections(), 0);
}

class UpdateContactTest : public ToutlookTest {
protected:
    void SetUp() override {
        Contact(contacts, "Doe, John",
                {{P::FirstName, "John"},
                 {P::MiddleName, "Michael"},
                 {P::LastName, "Doe"},
                 {P::HomeTelephoneNumber, "0301"},
                 {P::MobileTelephoneNumber, "0170"},
                 {P::OtherTelephoneNumber, "0999"}});
        ASSERT_EQ(CodeOf(store.BeginUpdates(), text), 0);
    }
    void TearDown() override { store.EndUpdates(); }
    TContact Loaded() {
        StopFlag s{false};
        TContactList list;
        store.EndUpdates();
        EXPECT_EQ(CodeOf(store.LoadContacts(list, s), text), 0);
        EXPECT_EQ(CodeOf(store.BeginUpdates(), text), 0);
        return list.empty() ? TContact{} : *list[0];
    }
};

TEST_F(UpdateContactTest, AddRecordsTheNewEntryId) {
    TContact c = test::MakeContact("New", "New", "", {{kHome1, "1"}});
    ASSERT_EQ(CodeOf(store.UpdateContact(PartnerStore::kUpdateAdd, c), text), 0);
    ASSERT_EQ(contacts.items.size(), 2u);
    EXPECT_EQ(c.entryId, contacts.items[1]->entryId);
}

TEST_F(UpdateContactTest, AmendWithDeletedMobileClearsOnlyThatSlot) {
    TContact c = Loaded();
    ASSERT_EQ(c.firstName, "John Michael");
    c.numbers = TNumberList{};
    TContactNumber mob;
    mob.numberType = kMob;
    mob.number = "0170";
    mob.state = kDeleted;
    c.numbers->push_back(mob);
    TContactNumber home;
    home.numberType = kHome1;
    home.number = "0302";
    c.numbers->push_back(home);
    ASSERT_EQ(CodeOf(store.UpdateContact(PartnerStore::kUpdateAmend, c), text), 0) << text;
    const MemoryItemData& item = *contacts.items[0];
    EXPECT_EQ(MemoryOutlook::Prop(item, P::MobileTelephoneNumber), "");
    EXPECT_EQ(MemoryOutlook::Prop(item, P::HomeTelephoneNumber), "0302");
    EXPECT_EQ(MemoryOutlook::Prop(item, P::OtherTelephoneNumber), "0999");
    // The middle name that the load joined to the first name is not written twice.
    EXPECT_EQ(MemoryOutlook::Prop(item, P::FirstName), "John");
    EXPECT_EQ(MemoryOutlook::Prop(item, P::MiddleName), "Michael");
    EXPECT_EQ(Loaded().firstName, "John Michael");
}

TEST_F(UpdateContactTest, DeleteRemovesTheItem) {
    TContact c = Loaded();
    ASSERT_EQ(CodeOf(store.UpdateContact(PartnerStore::kUpdateDelete, c), text), 0);
    EXPECT_TRUE(contacts.items.empty());
}

TEST_F(UpdateContactTest, VanishedItemIsText116) {
    TContact c = Loaded();
    contacts.items.clear();
    EXPECT_EQ(CodeOf(store.UpdateContact(PartnerStore::kUpdateAmend, c), text), -1);
    EXPECT_EQ(text, "Could not find John Michael Doe in Outlook");
    EXPECT_TRUE(log.Contains(
        "ERR: OUTLOOK: UpdateContact: eAmend: [John Michael] [Doe] - could not find in Outlook"));
    EXPECT_EQ(CodeOf(store.UpdateContact(PartnerStore::kUpdateDelete, c), text), -1);
    EXPECT_TRUE(log.Contains(
        "ERR: OUTLOOK: UpdateContact: eDel: [John Michael] [Doe] - could not find in Outlook"));
}

TEST_F(UpdateContactTest, UnknownActionAndFailedSave) {
    TContact c = Loaded();
    EXPECT_EQ(CodeOf(store.UpdateContact(7, c), text), -1);
    EXPECT_EQ(text, "UpdateContact: action Unknown");
    EXPECT_TRUE(log.Contains("ERR: OUTLOOK: UpdateContact: Unknown action: 7"));
    On("Save", 1, [] { throw OlError("card.vcf: read-only"); });
    EXPECT_EQ(CodeOf(store.UpdateContact(PartnerStore::kUpdateAmend, c), text), -1);
    EXPECT_EQ(text, "card.vcf: read-only");
    EXPECT_TRUE(log.Contains("ERR: OUTLOOK: UpdateContact: Exception: card.vcf: read-only"));
}

// Updates find their item as a walk of the folder from its first item would: the first contact
// item with the entry id, also after items before it changed in the same run (deleted, added).
TEST_F(UpdateContactTest, EachUpdateFindsTheFirstItemWithItsIdAsTheRunGoesOn) {
    contacts.items.clear();
    for (const auto& [name, id] : {std::pair{"A", "x"}, {"B", "y"}, {"C", "x"}, {"D", "x"}})
        Contact(contacts, name, {{P::LastName, name}}).entryId = id;
    std::string added;  // the id the add recorded, "new" in the table
    auto folder = [&] {
        std::string out;
        for (const auto& item : contacts.items)
            out += MemoryOutlook::Prop(*item, P::LastName) + "=" +
                   (item->entryId == added ? std::string("new") : item->entryId) + " ";
        return out;
    };
    const int add = PartnerStore::kUpdateAdd, amend = PartnerStore::kUpdateAmend,
              del = PartnerStore::kUpdateDelete;
    struct Step {
        int kind;
        const char* id;
        const char* lastName;  // what an amend or add writes
        int code;
        const char* after;
    };
    const Step steps[] = {
        {amend, "x", "A2", 0, "A2=x B=y C=x D=x "},
        {del, "x", "", 0, "B=y C=x D=x "},
        {amend, "x", "C2", 0, "B=y C2=x D=x "},
        {add, "", "E", 0, "B=y C2=x D=x E=new "},
        {del, "x", "", 0, "B=y D=x E=new "},
        {amend, "new", "E2", 0, "B=y D=x E2=new "},
        {del, "x", "", 0, "B=y E2=new "},
        {amend, "x", "none", -1, "B=y E2=new "},
        {del, "y", "", 0, "E2=new "},
        {del, "y", "", -1, "E2=new "},
        {del, "new", "", 0, ""},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.after);
        TContact c = test::MakeContact("", step.lastName, "", {{kHome1, "1"}});
        c.entryId = std::string(step.id) == "new" ? added : step.id;
        EXPECT_EQ(CodeOf(store.UpdateContact(step.kind, c), text), step.code) << text;
        if (step.kind == add) added = c.entryId;
        EXPECT_EQ(folder(), step.after);
    }
}

TEST_F(ToutlookTest, WriteContactWithoutItemLogsNullPointer) {
    TContact c;
    store.WriteContact(&c, nullptr);
    store.WriteContact(nullptr, nullptr);
    EXPECT_TRUE(log.Contains("ERR: OUTLOOK: WriteContact Fail: Null Ptr"));
}

}  // namespace
}  // namespace korvi
