// Which failures of an update end the action list: a failure of the folder (gone, not
// writable) is -9 with its reason, since every update after it would fail the same way; a
// failure of one card (unreadable, vanished) is -1 for that card, and the next update works.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "StoreTestSupport.h"
#include "common/ResultTesting.h"
#include "common/TestEnv.h"
#include "stores/outlook/Toutlook.h"

namespace korvi {
namespace {

namespace fs = std::filesystem;
using test::WriteFile;

class VcfFolderFailureTest : public testing::Test {
protected:
    VcfFolderFailureTest()
        : store(progress, [this] { return outlook::ConnectVcfAddressBook(book.Options()); }) {
        store.versionCode = 8;
        WriteFile(book.contacts / "anna.vcf",
                  "BEGIN:VCARD\nVERSION:3.0\nUID:anna\nFN:Anna\nTEL;TYPE=home:1\nEND:VCARD\n");
        WriteFile(book.contacts / "ben.vcf",
                  "BEGIN:VCARD\nVERSION:3.0\nUID:ben\nFN:Ben\nTEL;TYPE=home:2\nEND:VCARD\n");
    }
    static TContact Card(const std::string& uid, const std::string& number) {
        TContact c = test::MakeContact(uid, "", uid, {{kHome1, number}});
        c.entryId = uid;
        return c;
    }
    int Update(int kind, TContact contact, std::string& text) {
        return CodeOf(store.UpdateContact(kind, contact), text);
    }

    test::LogCapture log;
    test::TempBook book{"failures"};
    test::RecordingProgress progress;
    Toutlook store;
    std::string text;
};

TEST_F(VcfFolderFailureTest, AFolderThatIsGoneEndsTheRun) {
    ASSERT_EQ(CodeOf(store.BeginUpdates(), text), 0) << text;
    fs::remove_all(book.contacts);
    EXPECT_EQ(Update(PartnerStore::kUpdateAmend, Card("anna", "9"), text), -9);
    EXPECT_EQ(text, book.contacts.string() + ": cannot list the folder: No such file or directory");
    EXPECT_EQ(Update(PartnerStore::kUpdateAdd, Card("carl", "3"), text), -9);
    store.EndUpdates();
    EXPECT_FALSE(fs::exists(book.contacts)) << "nothing is made again";
}

TEST_F(VcfFolderFailureTest, AFolderGoneAfterItWasReadEndsTheRun) {
    ASSERT_EQ(CodeOf(store.BeginUpdates(), text), 0) << text;
    ASSERT_EQ(Update(PartnerStore::kUpdateAmend, Card("ben", "8"), text), 0) << text;
    fs::remove_all(book.contacts);
    EXPECT_EQ(Update(PartnerStore::kUpdateAmend, Card("anna", "9"), text), -9);
    EXPECT_EQ(text, book.contacts.string() + ": the address book folder is gone");
    EXPECT_EQ(Update(PartnerStore::kUpdateAdd, Card("carl", "3"), text), -9);
    EXPECT_NE(text.find("No such file or directory"), std::string::npos) << text;
    store.EndUpdates();
}

TEST_F(VcfFolderFailureTest, ACardThatFailsFailsAlone) {
    ASSERT_EQ(CodeOf(store.BeginUpdates(), text), 0) << text;
    ASSERT_EQ(Update(PartnerStore::kUpdateAmend, Card("ben", "8"), text), 0) << text;
    // Gone since the folder was read: the delete finds nothing to read.
    fs::remove(book.contacts / "anna.vcf");
    EXPECT_EQ(Update(PartnerStore::kUpdateDelete, Card("anna", "1"), text), -1);
    EXPECT_EQ(text,
              (book.contacts / "anna.vcf").string() + ": cannot read: No such file or directory");
    EXPECT_EQ(Update(PartnerStore::kUpdateAmend, Card("ben", "7"), text), 0) << text;
    store.EndUpdates();

    int unreadable = 0;
    bool enforced = test::RunWithFileModesEnforced([&] {
        fs::permissions(book.contacts / "ben.vcf", fs::perms::none);
        if (CodeOf(store.BeginUpdates(), text) == 0) {
            unreadable = Update(PartnerStore::kUpdateAmend, Card("ben", "6"), text);
            store.EndUpdates();
        }
        fs::permissions(book.contacts / "ben.vcf", fs::perms::owner_read | fs::perms::owner_write);
    });
    if (!enforced) GTEST_SKIP() << "cannot give up the capabilities of root here";
    // A card the folder listing could not read is not there to amend: text 116, -1.
    EXPECT_EQ(unreadable, -1);
    EXPECT_EQ(text, "Could not find ben  in Outlook");
}

}  // namespace
}  // namespace korvi
