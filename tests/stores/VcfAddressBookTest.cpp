// The store on a real folder of vCard files: folders and their ids, export and load, amends
// that touch one file and only its mapped lines, backups of deleted cards, bad files, write
// failures and cards changed by another program meanwhile.
#include "stores/outlook/VcfAddressBook.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "StoreTestSupport.h"
#include "app/Clock.h"
#include "common/ResultTesting.h"
#include "common/TestEnv.h"
#include "stores/outlook/FolderIds.h"
#include "stores/outlook/Toutlook.h"

namespace korvi {
namespace {

namespace fs = std::filesystem;
using outlook::OlError;
using test::ReadFile;
using test::WriteFile;

class TickingClock final : public Clock {
public:
    std::time_t Now() const override { return m_now; }
    LocalTime Local() const override { return ToLocalTime(m_now); }
    void Tick() { ++m_now; }

private:
    std::time_t m_now = 1796000000;
};

class VcfBookTest : public testing::Test {
protected:
    VcfBookTest() : store(progress, [this] { return outlook::ConnectVcfAddressBook(Options()); }) {
        store.versionCode = 8;
    }
    outlook::VcfAddressBookOptions Options() {
        auto o = book.Options();
        o.clock = &clock;
        return o;
    }
    TContactList Load() {
        TContactList list;
        EXPECT_EQ(CodeOf(store.LoadContacts(list, stop), text), 0) << text;
        return list;
    }
    static std::unique_ptr<TContact> Record(const std::string& first, const std::string& last,
                                            std::vector<std::pair<int, std::string>> numbers) {
        return std::make_unique<TContact>(
            test::MakeContact(last + ", " + first, last, first, numbers));
    }
    void CopyFixture(const std::string& name, const fs::path& folder) {
        fs::copy_file(test::VcardFixture(name), folder / name);
        fs::permissions(folder / name, fs::perms::owner_read | fs::perms::owner_write);
    }

    test::LogCapture log;
    test::TempBook book;
    TickingClock clock;
    test::RecordingProgress progress;
    Toutlook store;
    StopFlag stop{false};
    std::string text;
};

TEST_F(VcfBookTest, FreshRootShowsTheDefaultContactsFolder) {
    fs::remove_all(book.root);
    ASSERT_EQ(CodeOf(store.GetVersion(), text), 0);
    EXPECT_EQ(store.versionCode, 8);
    ASSERT_EQ(CodeOf(store.GetOutlookFolderInfo(), text), 0);
    EXPECT_EQ(store.numContactFolders, 1);
    ASSERT_EQ(store.folderTree.size(), 1u);
    EXPECT_EQ(store.folderTree[0].text, "Personal Folders");
    EXPECT_EQ(store.folderTree[0].info.defaultItemType, 0);
    ASSERT_EQ(store.folderTree[0].children.size(), 1u);
    EXPECT_EQ(store.folderTree[0].children[0].text, "Contacts (0)");
    EXPECT_EQ(store.folderTree[0].children[0].info.path, kDefaultContactsPath);
    EXPECT_TRUE(fs::is_directory(book.contacts));
}

TEST_F(VcfBookTest, FolderIdsAreKeptAndFoldersCreated) {
    ASSERT_EQ(CodeOf(store.GetOutlookFolderInfo(), text), 0);
    const OutlookFolderNode& contacts = store.folderTree[0].children[0];
    const std::string id = contacts.info.folderEntryID;
    ASSERT_EQ(id.size(), 32u);
    EXPECT_EQ(id.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    // Kept in the data folder, not in the address book folder.
    EXPECT_FALSE(fs::exists(book.contacts / outlook::kLegacyFolderIdFileName));
    EXPECT_NE(ReadFile(outlook::DefaultFolderIdsFile()).find(id + "\t"), std::string::npos);
    EXPECT_NE(store.folderTree[0].info.folderEntryID, id);

    std::string message;
    ASSERT_EQ(CodeOf(store.CreateNewFolder(&contacts, "Work"), message), 0) << message;
    EXPECT_EQ(store.folderPath, "\\\\Personal Folders\\Contacts\\Work");
    EXPECT_TRUE(fs::is_directory(book.contacts / "Work"));
    for (const char* bad : {".hidden", "a/b", "a\\b"}) {
        EXPECT_EQ(CodeOf(store.CreateNewFolder(&contacts, bad), message), -1) << bad;
        EXPECT_NE(message.find("Invalid folder name"), std::string::npos) << message;
    }

    ASSERT_EQ(CodeOf(store.GetOutlookFolderInfo(), text), 0);
    EXPECT_EQ(store.folderTree[0].children[0].info.folderEntryID, id);  // the same after reconnect
    ASSERT_EQ(store.folderTree[0].children[0].children.size(), 1u);
    EXPECT_EQ(store.folderTree[0].children[0].children[0].text, "Work (0)");
    store.folderPath = "\\\\Personal Folders\\Contacts\\Work";
    ASSERT_EQ(CodeOf(store.OpenFolder(), text), 0);
    EXPECT_EQ(store.contactStoreID(),
              store.folderTree[0].children[0].children[0].info.folderEntryID);
}

TEST_F(VcfBookTest, FolderIdsThatCannotBeKeptAreStillStable) {
    const fs::path data = book.root.parent_path() / "data";
    fs::create_directories(data);
    std::string first, second;
    bool enforced = test::RunWithFileModesEnforced([&] {
        fs::permissions(data, fs::perms::owner_read | fs::perms::owner_exec);
        first = outlook::FolderIds(data / "folder-ids").IdOf(book.contacts);
        second = outlook::FolderIds(data / "folder-ids").IdOf(book.contacts);
        fs::permissions(data, fs::perms::owner_all);
    });
    if (!enforced) GTEST_SKIP() << "cannot give up the capabilities of root here";
    EXPECT_EQ(first.size(), 32u);
    EXPECT_EQ(first, second);
    EXPECT_FALSE(fs::exists(data / "folder-ids"));
    EXPECT_TRUE(log.Contains("ERR: OUTLOOK: Could not keep the folder id: ")) << log.Text();
}

TEST_F(VcfBookTest, ExportThenLoadGivesTheContactsBack) {
    TContactList list;
    list.push_back(Record("Anna", "Berg", {{kHome1, "0301"}, {kHome2, "0302"}, {kMob, "0170"}}));
    list.push_back(Record("Ben", "Cole", {{kBus2, "0402"}, {kFaxHome, "0306"}}));
    list.push_back(Record("Zoë", "Ärger, Jr; III", {{kOther, "+49 (0) 30 999"}}));
    ASSERT_EQ(CodeOf(store.SaveContacts(list, stop), text), 0) << text;
    auto files = test::CardFiles(book.contacts);
    ASSERT_EQ(files.size(), 3u);
    for (const auto& c : list) {
        EXPECT_TRUE(fs::exists(book.contacts / (c->entryId + ".vcf"))) << c->entryId;
        const std::string card = ReadFile(book.contacts / (c->entryId + ".vcf"));
        EXPECT_EQ(card.rfind("BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Korvi//", 0), 0u) << card;
        EXPECT_NE(card.find("UID:" + c->entryId + "\r\n"), std::string::npos);
    }

    TContactList loaded = Load();
    ASSERT_EQ(loaded.size(), 3u);
    for (const auto& want : list) {
        auto it = std::find_if(loaded.begin(), loaded.end(),
                               [&](const auto& c) { return c->entryId == want->entryId; });
        ASSERT_NE(it, loaded.end());
        EXPECT_EQ((*it)->displayName, want->displayName);
        EXPECT_EQ((*it)->firstName, want->firstName);
        EXPECT_EQ((*it)->lastName, want->lastName);
        EXPECT_EQ(test::NumbersOf(**it), test::NumbersOf(*want));
    }
    // Items come in file name order, which is the order of their UIDs.
    EXPECT_TRUE(std::is_sorted(loaded.begin(), loaded.end(), [](const auto& a, const auto& b) {
        return a->entryId < b->entryId;
    }));
    EXPECT_NE(ReadFile(outlook::DefaultFolderIdsFile()).find(store.contactStoreID() + "\t"),
              std::string::npos);
}

TEST_F(VcfBookTest, ExportOverAFolderKeepsTheOldCardsInABackup) {
    KORVI_SKIP_WITHOUT_FIXTURES();
    CopyFixture("google-3.0-x-ablabel.vcf", book.contacts);
    CopyFixture("apple-3.0-group-x-addressbookserver.vcf", book.contacts);
    WriteFile(book.contacts / "broken.vcf", "BEGIN:VCARD\nFN:cut");
    TContactList list;
    list.push_back(Record("Anna", "Berg", {{kHome1, "0301"}}));
    ASSERT_EQ(CodeOf(store.SaveContacts(list, stop), text), 0) << text;

    auto files = test::CardFiles(book.contacts);
    std::vector<std::string> expected = {"broken.vcf", list[0]->entryId + ".vcf"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(files, expected);
    EXPECT_EQ(ReadFile(book.contacts / "broken.vcf"), "BEGIN:VCARD\nFN:cut");  // never rewritten
    std::vector<fs::path> backups;
    for (const auto& e : fs::directory_iterator(book.backups)) backups.push_back(e.path());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(backups[0].filename().string().rfind("Contacts-", 0), 0u) << backups[0];
    EXPECT_EQ(test::CardFiles(backups[0]),
              (std::vector<std::string>{"apple-3.0-group-x-addressbookserver.vcf",
                                        "google-3.0-x-ablabel.vcf"}));
    EXPECT_EQ(ReadFile(backups[0] / "google-3.0-x-ablabel.vcf"),
              ReadFile(test::VcardFixture("google-3.0-x-ablabel.vcf")));
    EXPECT_TRUE(log.Contains("LOG: OUTLOOK: Deleted cards are kept in " + backups[0].string()));
}

TEST_F(VcfBookTest, TheNewestTwentyBackupsAreKept) {
    std::string firstBackup;
    for (int run = 0; run < 22; ++run) {
        TContactList list;
        list.push_back(Record("Run", std::to_string(run), {{kHome1, "1"}}));
        ASSERT_EQ(CodeOf(store.SaveContacts(list, stop), text), 0) << text;
        clock.Tick();
        if (run == 1)
            firstBackup = fs::directory_iterator(book.backups)->path().filename().string();
    }
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(book.backups))
        names.push_back(e.path().filename().string());
    EXPECT_EQ(names.size(), 20u);
    EXPECT_EQ(std::find(names.begin(), names.end(), firstBackup), names.end());
}

TEST_F(VcfBookTest, RealCardsLoadAndAnAmendRewritesOneFileOnlyItsMappedLines) {
    KORVI_SKIP_WITHOUT_FIXTURES();
    for (const char* name : {"google-3.0-x-ablabel.vcf", "outlook-2007-2.1-charset-photo.vcf",
                             "photo-3.0-base64-png.vcf", "kaddressbook-3.0-x-properties.vcf",
                             "apple-3.0-group-x-addressbookserver.vcf", "evolution-3.0-file-as.vcf",
                             "rfc6350-4.0-example.vcf", "korean-4.0-name-only.vcf"})
        CopyFixture(name, book.contacts);
    std::map<std::string, std::string> before;
    for (const auto& f : test::CardFiles(book.contacts)) before[f] = ReadFile(book.contacts / f);

    TContactList loaded = Load();
    std::vector<std::string> names;
    for (const auto& c : loaded) names.push_back(c->displayName);
    // The group is no contact; the photo, KAddressBook and Korean cards have no numbers.
    EXPECT_EQ(names, (std::vector<std::string>{"Mr. John Richter, James Doe Sr.",
                                               "Mr. John Richter, James Doe Sr.",
                                               "Mr. Michael Angstadt Jr.", "Simon Perreault"}));
    EXPECT_TRUE(log.Contains("is not a Contact - not loading. (Distribution list?)"));
    EXPECT_TRUE(log.Contains("[Good Looking] has no numbers - not loading."));

    // Amend the Outlook 2007 card (photo, key, X-MS- lines): a new mobile number, same name.
    TContact* mike = loaded[2].get();
    for (auto& n : *mike->numbers)
        if (n.numberType == kMob) n.number = "(111) 555-9999";
    ASSERT_EQ(CodeOf(store.BeginUpdates(), text), 0);
    ASSERT_EQ(CodeOf(store.UpdateContact(PartnerStore::kUpdateAmend, *mike), text), 0) << text;
    store.EndUpdates();

    const std::string file = "outlook-2007-2.1-charset-photo.vcf";
    const std::string after = ReadFile(book.contacts / file);
    std::string expected = before[file];
    const std::string oldTel = "TEL;CELL;VOICE:(111) 555-4444\r\n";
    ASSERT_NE(expected.find(oldTel), std::string::npos);
    expected.replace(expected.find(oldTel), oldTel.size(), "TEL;CELL;VOICE:(111) 555-9999\r\n");
    // The card had no UID: it got one after its VERSION line, and that is its id from now on.
    const std::string uidLine = "UID:" + mike->entryId + "\r\n";
    expected.insert(expected.find("VERSION:2.1\r\n") + 13, uidLine);
    EXPECT_EQ(after, expected);
    EXPECT_NE(mike->entryId, file);
    for (const auto& [name, bytes] : before) {
        if (name == file) continue;
        EXPECT_EQ(ReadFile(book.contacts / name), bytes) << name;
    }

    TContactList again = Load();
    ASSERT_EQ(again.size(), 4u);
    EXPECT_EQ(again[2]->entryId, mike->entryId);
    EXPECT_EQ(test::NumbersOf(*again[2]), test::NumbersOf(*mike));
}

TEST_F(VcfBookTest, CardsOfAFileWithSeveralStayApart) {
    KORVI_SKIP_WITHOUT_FIXTURES();
    CopyFixture("rfc2426-3.0-two-cards.vcf", book.contacts);
    const std::string original = ReadFile(book.contacts / "rfc2426-3.0-two-cards.vcf");
    const std::string firstCard = original.substr(0, original.find("BEGIN:vCard", 1));
    TContactList loaded = Load();
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0]->entryId, "rfc2426-3.0-two-cards.vcf");
    EXPECT_EQ(loaded[1]->entryId, "rfc2426-3.0-two-cards.vcf#2");

    ASSERT_EQ(CodeOf(store.BeginUpdates(), text), 0);
    loaded[1]->displayName = "Tim A. Howes";
    ASSERT_EQ(CodeOf(store.UpdateContact(PartnerStore::kUpdateAmend, *loaded[1]), text), 0) << text;
    std::string now = ReadFile(book.contacts / "rfc2426-3.0-two-cards.vcf");
    EXPECT_EQ(now.substr(0, firstCard.size()), firstCard);
    EXPECT_NE(now.find("FN:Tim A. Howes\n"), std::string::npos);

    ASSERT_EQ(CodeOf(store.UpdateContact(PartnerStore::kUpdateDelete, *loaded[0]), text), 0)
        << text;
    store.EndUpdates();
    now = ReadFile(book.contacts / "rfc2426-3.0-two-cards.vcf");
    EXPECT_EQ(now.find("Frank Dawson"), std::string::npos);
    EXPECT_EQ(now.rfind("BEGIN:vCard\nVERSION:3.0\nUID:", 0), 0u) << now;
    TContactList again = Load();
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0]->displayName, "Tim A. Howes");
}

TEST_F(VcfBookTest, BadFilesAreSkippedWithTheirReasonAndLeftAlone) {
    const std::string good = "BEGIN:VCARD\nVERSION:3.0\nFN:Lf Only\nTEL;TYPE=home:1\nEND:VCARD\n";
    std::map<std::string, std::string> files = {
        {"a-empty.vcf", ""},
        {"b-binary.vcf", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
        {"c-truncated.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Cut\r\nTEL:1"},
        {"d-no-fn.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Nofn;Al;;;\r\nTEL:2\r\nEND:VCARD\r\n"},
        {"e-latin1.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:M\xFCller\r\nTEL:3\r\nEND:VCARD\r\n"},
        {"f-lf.vcf", good},
        {"g-crlf.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Crlf\r\nTEL;TYPE=work:4\r\nEND:VCARD\r\n"},
        {"h-not-a-card.vcf", "name,number\nAnna,0301\n"},
    };
    // A 10 MB photo: read, and kept whole by an amend.
    std::string photo(10u << 20, 'A');
    std::string big =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Big "
        "Photo\r\nTEL;TYPE=cell:5\r\nPHOTO;ENCODING=b;TYPE=JPEG:";
    for (std::size_t i = 0; i < photo.size(); i += 74) big += photo.substr(i, 74) + "\r\n ";
    big += "A\r\nEND:VCARD\r\n";
    files["i-big-photo.vcf"] = big;
    for (const auto& [name, bytes] : files) WriteFile(book.contacts / name, bytes);

    TContactList loaded = Load();
    std::vector<std::string> names;
    for (const auto& c : loaded) names.push_back(c->displayName);
    EXPECT_EQ(names, (std::vector<std::string>{"Lf Only", "Crlf", "Big Photo"}));
    const fs::path dir = book.contacts;
    for (const std::string& line : std::vector<std::string>{
             "ERR: OUTLOOK: Skipping card file " + (dir / "a-empty.vcf").string() + ": empty file",
             "ERR: OUTLOOK: Skipping card file " + (dir / "b-binary.vcf").string() +
                 ": binary data, not a vCard",
             "ERR: OUTLOOK: Skipping card file " + (dir / "c-truncated.vcf").string() +
                 ": truncated: the card at line 1 has no END:VCARD",
             "LOG: OUTLOOK: Card 1 of " + (dir / "d-no-fn.vcf").string() + " has no FN",
             "LOG: OUTLOOK: LoadContacts: Invalid name - not loading. Full Name [] (0) LastName "
             "[Nofn] (4) FirstName [Al] (2)",
             "ERR: OUTLOOK: Skipping card 1 of " + (dir / "e-latin1.vcf").string() +
                 ": invalid UTF-8 in line 3",
             "ERR: OUTLOOK: Skipping card file " + (dir / "h-not-a-card.vcf").string() +
                 ": not a vCard: no BEGIN:VCARD at line 1"})
        EXPECT_TRUE(log.Contains(line)) << line;

    ASSERT_EQ(CodeOf(store.BeginUpdates(), text), 0);
    TContact& bigPhoto = *loaded[2];
    bigPhoto.numbers->at(0).number = "6";
    ASSERT_EQ(CodeOf(store.UpdateContact(PartnerStore::kUpdateAmend, bigPhoto), text), 0) << text;
    store.EndUpdates();
    std::string expectedBig = big;
    expectedBig.replace(expectedBig.find("TEL;TYPE=cell:5"), 15, "TEL;TYPE=cell:6");
    expectedBig.insert(expectedBig.find("VERSION:3.0\r\n") + 13,
                       "UID:" + bigPhoto.entryId + "\r\n");
    EXPECT_TRUE(ReadFile(dir / "i-big-photo.vcf") == expectedBig);

    // An export over the folder leaves what it could not read as it was.
    TContactList list;
    list.push_back(Record("Anna", "Berg", {{kHome1, "0301"}}));
    ASSERT_EQ(CodeOf(store.SaveContacts(list, stop), text), 0) << text;
    for (const char* name :
         {"a-empty.vcf", "b-binary.vcf", "c-truncated.vcf", "e-latin1.vcf", "h-not-a-card.vcf"})
        EXPECT_EQ(ReadFile(dir / name), files[name]) << name;
    EXPECT_FALSE(fs::exists(dir / "d-no-fn.vcf"));  // a card, only one without a name
}

TEST_F(VcfBookTest, WriteFailuresNameTheFileAndLeaveTheCard) {
    WriteFile(book.contacts / "anna.vcf",
              "BEGIN:VCARD\nVERSION:3.0\nUID:anna-1\nFN:Anna\nTEL;TYPE=home:1\nEND:VCARD\n");
    const std::string before = ReadFile(book.contacts / "anna.vcf");
    TContactList loaded = Load();
    ASSERT_EQ(loaded.size(), 1u);
    loaded[0]->numbers->at(0).number = "2";
    int amend = 0, save = 0;
    std::string amendText, saveText;
    bool enforced = test::RunWithFileModesEnforced([&] {
        fs::permissions(book.contacts, fs::perms::owner_read | fs::perms::owner_exec);
        if (CodeOf(store.BeginUpdates(), amendText) == 0) {
            amend = CodeOf(store.UpdateContact(PartnerStore::kUpdateAmend, *loaded[0]), amendText);
            store.EndUpdates();
        }
        TContactList list;
        list.push_back(Record("Ben", "Cole", {{kHome1, "3"}}));
        store.keepExisting = 1;
        save = CodeOf(store.SaveContacts(list, stop), saveText);
        fs::permissions(book.contacts, fs::perms::owner_all);
    });
    if (!enforced) GTEST_SKIP() << "cannot give up the capabilities of root here";
    EXPECT_EQ(amend, -9);  // a folder that cannot be written fails every update alike
    EXPECT_NE(amendText.find((book.contacts / "anna.vcf").string()), std::string::npos)
        << amendText;
    EXPECT_NE(amendText.find("Permission denied"), std::string::npos) << amendText;
    EXPECT_EQ(save, -1);
    EXPECT_NE(saveText.find(book.contacts.string()), std::string::npos) << saveText;
    EXPECT_EQ(ReadFile(book.contacts / "anna.vcf"), before);
    EXPECT_EQ(test::CardFiles(book.contacts), std::vector<std::string>{"anna.vcf"});
}

TEST_F(VcfBookTest, AnAmendBuildsOnWhatAnotherProgramWroteMeanwhile) {
    WriteFile(book.contacts / "anna.vcf",
              "BEGIN:VCARD\nVERSION:3.0\nUID:anna-1\nFN:Anna\nTEL;TYPE=home:1\nEND:VCARD\n");
    ASSERT_EQ(CodeOf(store.BeginUpdates(), text), 0);
    TContact anna = test::MakeContact("Anna", "", "", {{kHome1, "2"}});
    anna.entryId = "anna-1";
    // The folder is read on the first update; the card changes on disk after that.
    TContact none = test::MakeContact("x", "", "", {});
    none.entryId = "nobody";
    EXPECT_EQ(CodeOf(store.UpdateContact(PartnerStore::kUpdateAmend, none), text), -1);
    WriteFile(book.contacts / "anna.vcf",
              "BEGIN:VCARD\nVERSION:3.0\nUID:anna-1\nFN:Anna\nEMAIL:anna@example.com\n"
              "TEL;TYPE=home:1\nEND:VCARD\n");
    ASSERT_EQ(CodeOf(store.UpdateContact(PartnerStore::kUpdateAmend, anna), text), 0) << text;
    store.EndUpdates();
    EXPECT_EQ(ReadFile(book.contacts / "anna.vcf"),
              "BEGIN:VCARD\nVERSION:3.0\nUID:anna-1\nFN:Anna\nEMAIL:anna@example.com\n"
              "TEL;TYPE=home:2\nEND:VCARD\n");
}

TEST_F(VcfBookTest, UnreadableCardsAndAnUnmakeableRootFailCleanly) {
    test::WriteFile(book.contacts / "secret.vcf",
                    "BEGIN:VCARD\nVERSION:3.0\nFN:Secret\nTEL:1\nEND:VCARD\n");
    test::WriteFile(book.contacts / "open.vcf",
                    "BEGIN:VCARD\nVERSION:3.0\nFN:Open\nTEL:2\nEND:VCARD\n");
    const fs::path lockedParent = book.root.parent_path() / "locked";
    fs::create_directories(lockedParent);
    std::vector<std::string> names;
    int missingRoot = 0;
    std::string missingText;
    bool enforced = test::RunWithFileModesEnforced([&] {
        fs::permissions(book.contacts / "secret.vcf", fs::perms::none);
        fs::permissions(lockedParent, fs::perms::owner_read | fs::perms::owner_exec);
        TContactList list;
        if (CodeOf(store.LoadContacts(list, stop), text) == 0)
            for (const auto& c : list) names.push_back(c->displayName);
        Toutlook elsewhere(progress, [&] {
            outlook::VcfAddressBookOptions o = Options();
            o.root = lockedParent / "addressbook";
            return outlook::ConnectVcfAddressBook(o);
        });
        TContactList none;
        missingRoot = CodeOf(elsewhere.LoadContacts(none, stop), missingText);
        fs::permissions(book.contacts / "secret.vcf", fs::perms::owner_all);
        fs::permissions(lockedParent, fs::perms::owner_all);
    });
    if (!enforced) GTEST_SKIP() << "cannot give up the capabilities of root here";
    EXPECT_EQ(names, std::vector<std::string>{"Open"});
    EXPECT_TRUE(log.Contains("ERR: OUTLOOK: Skipping card file " +
                             (book.contacts / "secret.vcf").string() +
                             ": cannot read: Permission denied"))
        << log.Text();
    EXPECT_EQ(missingRoot, -1);
    EXPECT_EQ(missingText, "Failed to load Outlook Contacts!");
    EXPECT_TRUE(log.Contains("cannot create the default contacts folder")) << log.Text();
}

}  // namespace
}  // namespace korvi
