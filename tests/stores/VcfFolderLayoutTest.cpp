// Address book folders as other programs keep them: "AddressBookDir" naming a collection
// (the folder of .vcf files khard reads), a storage folder of collections (vdirsyncer's), or
// an empty folder; how they show in folder paths; that nothing but cards is ever made in them;
// folder ids kept in the data folder (stable, never shared by a copy); symbolic link loops.
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "StoreTestSupport.h"
#include "common/TestEnv.h"
#include "stores/outlook/FolderIds.h"
#include "stores/outlook/VcfAddressBook.h"

namespace korvi {
namespace {

namespace fs = std::filesystem;
using namespace outlook;
using test::ReadFile;
using test::WriteFile;

std::string Card(const std::string& name, const std::string& number) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + name + "\r\nFN:" + name +
           "\r\nTEL;TYPE=cell:" + number + "\r\nEND:VCARD\r\n";
}

// Every entry below dir (hidden ones too, links not followed): its kind, or a file's bytes.
std::map<std::string, std::string> Snapshot(const fs::path& dir) {
    std::map<std::string, std::string> out;
    for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator();
         ++it) {
        const std::string rel = fs::relative(it->path(), dir).string();
        if (it->is_symlink()) {
            out[rel] = "link to " + fs::read_symlink(it->path()).string();
        } else if (it->is_directory()) {
            out[rel] = "folder";
        } else {
            out[rel] = ReadFile(it->path());
        }
    }
    return out;
}

struct Node {
    std::string path;
    int type = 0;
    int count = 0;
    std::string id;
};

void Walk(OlFolders& folders, std::vector<Node>& out) {
    for (int i = 1; i <= folders.Count(); ++i) {
        auto f = folders.Item(i);
        Node n{f->FolderPath(), f->DefaultItemType(), 0, f->EntryID()};
        if (n.type == olContactItem) n.count = f->Items().Count();
        out.push_back(n);
        Walk(f->Folders(), out);
    }
}

// The tree as the folder chooser shows it: "path (count)" for contacts folders.
std::vector<std::string> Paths(const std::vector<Node>& nodes) {
    std::vector<std::string> out;
    for (const auto& n : nodes)
        out.push_back(n.type == olContactItem ? n.path + " (" + std::to_string(n.count) + ")"
                                              : n.path);
    return out;
}

class VcfFolderLayoutTest : public testing::Test {
protected:
    VcfFolderLayoutTest() : base(test::MakeTempDir("layout")) {}

    std::unique_ptr<OlApplication> Connect(const fs::path& root) {
        VcfAddressBookOptions o;
        o.root = root;
        o.backupsRoot = base / "backups";
        return ConnectVcfAddressBook(o);
    }
    std::vector<Node> Tree(const fs::path& root) {
        auto app = Connect(root);
        std::vector<Node> nodes;
        Walk(app->GetNamespace("MAPI").Folders(), nodes);
        return nodes;
    }
    // A vdirsyncer storage folder with two collections.
    fs::path MakeStorage() {
        const fs::path storage = base / "contacts";
        fs::create_directories(storage / "family");
        fs::create_directories(storage / "work");
        WriteFile(storage / "family" / "anna.vcf", Card("anna", "0170111"));
        WriteFile(storage / "family" / "ben.vcf", Card("ben", "0170222"));
        WriteFile(storage / "family" / "displayname", "Family");
        WriteFile(storage / "work" / "carl.vcf", Card("carl", "0170333"));
        return storage;
    }

    test::LogCapture log;
    fs::path base;
};

TEST_F(VcfFolderLayoutTest, ACollectionShowsBelowItsStorageFolder) {
    const fs::path storage = MakeStorage();
    EXPECT_EQ(Paths(Tree(storage / "family")),
              (std::vector<std::string>{"\\\\contacts", "\\\\contacts\\family (2)"}));
    EXPECT_EQ(Paths(Tree(storage.string() + "/family/")), Paths(Tree(storage / "family")));
    EXPECT_EQ(Paths(Tree(storage)),
              (std::vector<std::string>{"\\\\contacts", "\\\\contacts\\family (2)",
                                        "\\\\contacts\\work (1)"}));
    // The same folder has the same id whichever way it is reached.
    EXPECT_EQ(Tree(storage / "family")[1].id, Tree(storage)[1].id);
    fs::create_symlink(storage, base / "link-to-contacts");
    EXPECT_EQ(Tree(base / "link-to-contacts")[1].id, Tree(storage)[1].id);
}

TEST_F(VcfFolderLayoutTest, TheDefaultFolderIsTheCollectionOrTheOnlyOneOfTheStorage) {
    const fs::path storage = MakeStorage();
    {
        auto app = Connect(storage / "work");
        EXPECT_EQ(app->GetNamespace("MAPI").GetDefaultFolder(olFolderContacts)->FolderPath(),
                  "\\\\contacts\\work");
    }
    try {
        auto app = Connect(storage);
        app->GetNamespace("MAPI").GetDefaultFolder(olFolderContacts);
        ADD_FAILURE() << "two collections, no default";
    } catch (const OlError& e) {
        EXPECT_EQ(std::string(e.what()),
                  storage.string() + " holds 2 address books (family, work): choose one of them");
    }
    fs::remove_all(storage / "work");
    auto app = Connect(storage);
    EXPECT_EQ(app->GetNamespace("MAPI").GetDefaultFolder(olFolderContacts)->FolderPath(),
              "\\\\contacts\\family");
}

TEST_F(VcfFolderLayoutTest, AnEmptyFolderIsACollectionAndAMissingOneIsNotMade) {
    const fs::path empty = base / "new-book";
    fs::create_directories(empty);
    EXPECT_EQ(Paths(Tree(empty)),
              (std::vector<std::string>{"\\\\" + base.filename().string(),
                                        "\\\\" + base.filename().string() + "\\new-book (0)"}));
    try {
        Connect(base / "missing");
        ADD_FAILURE() << "connected to a missing folder";
    } catch (const OlError& e) {
        EXPECT_EQ(std::string(e.what()),
                  (base / "missing").string() + ": the address book folder does not exist");
    }
    EXPECT_FALSE(fs::exists(base / "missing"));
}

// Connecting, listing with ids, loading, adding, amending and deleting make nothing in a tree
// that is not the program's own but the cards themselves.
TEST_F(VcfFolderLayoutTest, NothingButCardsIsMadeInAForeignTree) {
    const fs::path storage = MakeStorage();
    const auto before = Snapshot(storage);
    std::string added;
    {
        auto app = Connect(storage);
        OlNameSpace& ns = app->GetNamespace("MAPI");
        std::vector<Node> nodes;
        Walk(ns.Folders(), nodes);
        auto family = ns.GetFolderFromID(nodes[1].id);
        ASSERT_EQ(family->FolderPath(), "\\\\contacts\\family");
        OlItems& items = family->Items();
        ASSERT_EQ(items.Count(), 2);
        auto anna = items.Item(1);
        anna->QueryContactItem()->Set(ContactProperty::MobileTelephoneNumber, "0170999");
        anna->QueryContactItem()->Save();
        items.Item(2)->QueryContactItem()->Delete();
        auto item = items.Add();
        item->QueryContactItem()->SetFileAs("Dora");
        item->QueryContactItem()->Set(ContactProperty::HomeTelephoneNumber, "0304444");
        item->QueryContactItem()->Save();
        added = item->QueryContactItem()->EntryID() + ".vcf";
    }
    auto after = Snapshot(storage);
    EXPECT_NE(after["family/anna.vcf"], before.at("family/anna.vcf"));
    EXPECT_EQ(after.count("family/ben.vcf"), 0u);
    EXPECT_EQ(after.count("family/" + added), 1u);
    after.erase("family/" + added);
    after["family/anna.vcf"] = before.at("family/anna.vcf");
    after["family/ben.vcf"] = before.at("family/ben.vcf");
    EXPECT_EQ(after, before);
}

TEST_F(VcfFolderLayoutTest, OnlyTheProgramsOwnTreeGetsItsDefaultFolderMade) {
    VcfAddressBookOptions own;
    own.root = base / "own";
    own.backupsRoot = base / "backups";
    own.ownTree = true;
    {
        auto app = ConnectVcfAddressBook(own);
        EXPECT_EQ(app->GetNamespace("MAPI").GetDefaultFolder(olFolderContacts)->FolderPath(),
                  "\\\\Personal Folders\\Contacts");
    }
    EXPECT_TRUE(fs::is_directory(base / "own" / "Personal Folders" / "Contacts"));
    // A tree made earlier keeps its layout when the setting names it.
    EXPECT_EQ(
        Paths(Tree(base / "own")),
        (std::vector<std::string>{"\\\\Personal Folders", "\\\\Personal Folders\\Contacts (0)"}));
}

// A copy of a folder (with the hidden id file of an earlier version inside it) never shares
// the id, and with it the sync list, of the folder it was copied from; the folder that claims
// the old id first keeps it.
TEST_F(VcfFolderLayoutTest, ACopiedFolderGetsAnIdOfItsOwn) {
    const fs::path storage = MakeStorage();
    const std::string legacy = "0123456789ABCDEF0123456789ABCDEF";
    WriteFile(storage / "family" / kLegacyFolderIdFileName, legacy + "\n");
    fs::copy(storage / "family", storage / "family copy", fs::copy_options::recursive);
    fs::copy(storage / "family", storage / "an old family", fs::copy_options::recursive);
    const auto nodes = Tree(storage);
    ASSERT_EQ(Paths(nodes),
              (std::vector<std::string>{"\\\\contacts", "\\\\contacts\\an old family (2)",
                                        "\\\\contacts\\family (2)", "\\\\contacts\\family copy (2)",
                                        "\\\\contacts\\work (1)"}));
    EXPECT_EQ(nodes[1].id, legacy);  // listed first
    for (std::size_t i = 0; i < nodes.size(); ++i)
        for (std::size_t j = i + 1; j < nodes.size(); ++j)
            EXPECT_NE(nodes[i].id, nodes[j].id) << nodes[i].path << " " << nodes[j].path;
    // Stable from one connection to the next, also from another program's record of them.
    const auto again = Tree(storage);
    for (std::size_t i = 0; i < nodes.size(); ++i) EXPECT_EQ(again[i].id, nodes[i].id);
    EXPECT_EQ(FolderIds(DefaultFolderIdsFile()).IdOf(storage / "work"), nodes[4].id);
    // A folder made again at the same place is another folder (when the file system gives it
    // another inode, as it does while the old one's is taken).
    fs::rename(storage / "work", base / "work-old");
    fs::create_directories(storage / "work");
    EXPECT_NE(Tree(storage)[4].id, nodes[4].id);
}

TEST_F(VcfFolderLayoutTest, SymbolicLinkLoopsAreNotFollowed) {
    const fs::path storage = MakeStorage();
    fs::create_directory_symlink("..", storage / "family" / "up");
    fs::create_directory_symlink(".", storage / "work" / "self");
    fs::create_directory_symlink(storage / "family", storage / "work" / "family-link");
    EXPECT_EQ(Paths(Tree(storage)),
              (std::vector<std::string>{"\\\\contacts", "\\\\contacts\\family (2)",
                                        "\\\\contacts\\work (1)",
                                        "\\\\contacts\\work\\family-link (2)"}));
    EXPECT_TRUE(log.Contains("LOG: OUTLOOK: " + (storage / "family" / "up").string() +
                             " leads back to a folder above it - not listed"))
        << log.Text();
    EXPECT_EQ(Paths(Tree(storage / "work")),
              (std::vector<std::string>{"\\\\contacts", "\\\\contacts\\work (1)",
                                        "\\\\contacts\\work\\family-link (2)"}));
}

}  // namespace
}  // namespace korvi
