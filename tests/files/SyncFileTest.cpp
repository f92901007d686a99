// Sync list files: their names in the data folder, the key length rule, rewriting only what
// changed, and deletion by contact type.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FilesTestSupport.h"
#include "common/ResultTesting.h"
#include "common/TestEnv.h"
#include "files/ContactFile.h"

namespace korvi::test {
namespace {

namespace fs = std::filesystem;

const std::string kGmailKey = "0123456789abcdef0123456789abcdef";  // 32 hex digits
const std::string kKeyTail = "cdef0123456789abcdef";               // its last 20

class SyncFileTest : public FilesTest {
protected:
    void SetUp() override {
        FilesTest::SetUp();
        m_file.setDataFolder(m_folder);
    }

    TContactList Sample() const {
        return ListOf({MakeContact("Anna", "A", "B", 17, "entry-1",
                                   TNumberList{Num("123", kMob, 1, 0, 0, 1)}),
                       MakeContact("Ben", "", "", 18, "entry-2", std::nullopt)});
    }
    NullProgress m_progress;
    TcontactFile m_file{m_progress};
    std::string m_text;
};

TEST_F(SyncFileTest, LongKeyNamesTheFileByItsLastTwentyCharacters) {
    const fs::path expected = m_folder / ("Sync_201_" + kKeyTail + ".xml");
    EXPECT_EQ(m_file.SyncFilePath(201, kGmailKey), expected);

    EXPECT_EQ(CodeOf(m_file.CheckIfSyncFileExists(201, kGmailKey), m_text), -9);
    ASSERT_EQ(CodeOf(m_file.WriteSyncFile(201, kGmailKey, Sample()), m_text), 0) << m_text;
    EXPECT_EQ(FolderNames(m_folder), std::vector<std::string>{expected.filename().string()});
    EXPECT_EQ(CodeOf(m_file.CheckIfSyncFileExists(201, kGmailKey), m_text), 0);
    // Only the tail takes part: another key ending alike finds the same file.
    EXPECT_EQ(CodeOf(m_file.CheckIfSyncFileExists(201, "zz" + kKeyTail), m_text), 0);
    EXPECT_EQ(CodeOf(m_file.CheckIfSyncFileExists(202, kGmailKey), m_text), -9);

    TContactList loaded;
    ASSERT_EQ(CodeOf(m_file.LoadSyncFile(201, kGmailKey, loaded), m_text), 0) << m_text;
    EXPECT_EQ(Dump(loaded), Dump(Sample()));
    EXPECT_EQ(m_text, "");

    const std::string name = expected.string();
    EXPECT_EQ(LogMessages(),
              (std::vector<std::string>{
                  "LOG: CheckIfSyncFileExists (Fail): " + name,
                  "LOG: contactFile: SaveContacts OK: Saved 2 contacts to XML file: " + name,
                  "LOG: CheckIfSyncFileExists (Success): " + name,
                  "LOG: CheckIfSyncFileExists (Success): " + name,
                  "LOG: CheckIfSyncFileExists (Fail): " +
                      (m_folder / ("Sync_202_" + kKeyTail + ".xml")).string(),
                  "LOG: contactFile: LoadContacts: Loaded 2 Contacts from " + name}));
}

TEST_F(SyncFileTest, KeyOfNineteenCharactersIsLookedForButNeverWritten) {
    const std::string key = kKeyTail.substr(1);  // 19 characters
    const std::string name = (m_folder / ("Sync_7_" + key + ".xml")).string();

    const Result missing = m_file.CheckIfSyncFileExists(7, key);
    EXPECT_EQ(missing.code, -9);
    EXPECT_EQ(missing.text, "");
    EXPECT_EQ(CodeOf(m_file.WriteSyncFile(7, key, Sample()), m_text), -1);
    EXPECT_EQ(m_text, "Failed to write Sync file - invalid contactStoreID");
    TContactList loaded;
    EXPECT_EQ(CodeOf(m_file.LoadSyncFile(7, key, loaded), m_text), -1);
    EXPECT_EQ(m_text, "Failed to load Sync file - invalid StoreID");

    EXPECT_TRUE(FolderNames(m_folder).empty());
    EXPECT_EQ(LogMessages(), (std::vector<std::string>{
                                 "LOG: CheckIfSyncFileExists (Fail): " + name,
                                 "ERR: WriteSyncFile Fail: Invalid contactStoreID",
                                 "ERR: LoadSyncFile Fail: Invalid StoreID",
                             }));
}

TEST_F(SyncFileTest, ExtensionsKeepTheirOwnFiles) {
    ASSERT_EQ(CodeOf(m_file.WriteSyncFile(201, kGmailKey, Sample()), m_text), 0);
    ASSERT_EQ(CodeOf(m_file.WriteSyncFile(202, kGmailKey, TContactList{}), m_text), 0);
    EXPECT_EQ(FolderNames(m_folder), (std::vector<std::string>{"Sync_201_" + kKeyTail + ".xml",
                                                               "Sync_202_" + kKeyTail + ".xml"}));
    TContactList loaded;
    ASSERT_EQ(CodeOf(m_file.LoadSyncFile(201, kGmailKey, loaded), m_text), 0);
    EXPECT_EQ(loaded.size(), 2u);
}

TEST_F(SyncFileTest, KeyWithASlashStaysInTheDataFolder) {
    const std::string key = "../../../../tmp/evil";  // 20 characters
    EXPECT_EQ(m_file.SyncFilePath(3, key), m_folder / "Sync_3_.._.._.._.._tmp_evil.xml");
    ASSERT_EQ(CodeOf(m_file.WriteSyncFile(3, key, Sample()), m_text), 0) << m_text;
    EXPECT_EQ(FolderNames(m_folder), std::vector<std::string>{"Sync_3_.._.._.._.._tmp_evil.xml"});
}

TEST_F(SyncFileTest, FailedWriteKeepsThePreviousSyncList) {
    ASSERT_EQ(CodeOf(m_file.WriteSyncFile(201, kGmailKey, Sample()), m_text), 0);
    const fs::path file = m_file.SyncFilePath(201, kGmailKey);
    const std::string before = ReadFile(file);

    m_file.SetWriteFailAfterBytes(200);
    TContactList other = ListOf({MakeContact("Other", "", "", 99, "", std::nullopt)});
    EXPECT_EQ(CodeOf(m_file.WriteSyncFile(201, kGmailKey, other), m_text), -1);
    EXPECT_EQ(m_text, file.string() + ": write failed: No space left on device");
    EXPECT_EQ(LogMessages().back(), "ERR: WriteSyncFile Fail: " + file.string());

    EXPECT_EQ(ReadFile(file), before);
    EXPECT_EQ(FolderNames(m_folder), std::vector<std::string>{file.filename().string()});
    TContactList loaded;
    ASSERT_EQ(CodeOf(m_file.LoadSyncFile(201, kGmailKey, loaded), m_text), 0);
    EXPECT_EQ(Dump(loaded), Dump(Sample()));
}

TEST_F(SyncFileTest, SameListAgainLeavesTheFileAloneAnyOtherRewritesIt) {
    ASSERT_EQ(CodeOf(m_file.WriteSyncFile(201, kGmailKey, Sample()), m_text), 0) << m_text;
    const fs::path file = m_file.SyncFilePath(201, kGmailKey);
    const std::string written = ReadFile(file);
    const auto longAgo = fs::file_time_type::clock::now() - std::chrono::hours(24);
    fs::last_write_time(file, longAgo);

    // What a sync without changes writes: nothing touches the file.
    ASSERT_EQ(CodeOf(m_file.WriteSyncFile(201, kGmailKey, Sample()), m_text), 0) << m_text;
    EXPECT_EQ(fs::last_write_time(file), longAgo);
    EXPECT_EQ(ReadFile(file), written);
    EXPECT_EQ(LogMessages().back(),
              "LOG: contactFile: SaveContacts OK: Saved 2 contacts to XML file: " + file.string());

    // A file that differs, even by one byte of the same length, is written anew.
    std::string edited = written;
    edited[edited.find("Anna")] = 'E';
    WriteFile(file, edited);
    fs::last_write_time(file, longAgo);
    ASSERT_EQ(CodeOf(m_file.WriteSyncFile(201, kGmailKey, Sample()), m_text), 0) << m_text;
    EXPECT_EQ(ReadFile(file), written);
    EXPECT_NE(fs::last_write_time(file), longAgo);

    TContactList other = ListOf({MakeContact("Other", "", "", 99, "", std::nullopt)});
    ASSERT_EQ(CodeOf(m_file.WriteSyncFile(201, kGmailKey, other), m_text), 0) << m_text;
    TContactList loaded;
    ASSERT_EQ(CodeOf(m_file.LoadSyncFile(201, kGmailKey, loaded), m_text), 0) << m_text;
    EXPECT_EQ(Dump(loaded), Dump(other));
}

TEST_F(SyncFileTest, MissingDataFolderFailsEveryFileOperation) {
    m_file.setDataFolder(m_folder / "gone");
    const fs::path file = m_file.SyncFilePath(201, kGmailKey);
    EXPECT_EQ(CodeOf(m_file.WriteSyncFile(201, kGmailKey, Sample()), m_text), -1);
    EXPECT_EQ(m_text, file.string() + ": cannot create temporary file: No such file or directory");
    EXPECT_EQ(LogMessages().back(), "ERR: WriteSyncFile Fail: " + file.string());

    TContactList loaded;
    EXPECT_EQ(CodeOf(m_file.LoadSyncFile(201, kGmailKey, loaded), m_text), -1);
    EXPECT_EQ(m_text, file.string() + ": Could not open file");
    EXPECT_EQ(LogMessages().back(), "ERR: LoadSyncFile Fail: " + file.string());
    EXPECT_EQ(m_file.DeleteSyncFiles(201), 0);
    EXPECT_FALSE(fs::exists(m_folder / "gone"));
}

TEST_F(SyncFileTest, DeleteSyncFilesTakesOnlyItsContactType) {
    const std::vector<std::string> gone = {"Sync_12_" + kKeyTail + ".xml", "Sync_12_.xml",
                                           "Sync_12_x_y.xml"};
    const std::vector<std::string> kept = {"Sync_120_" + kKeyTail + ".xml",
                                           "Sync_1200_" + kKeyTail + ".xml",
                                           "Sync_12_a.txt",
                                           "Sync_12.xml",
                                           "sync_12_a.xml",
                                           "Sync_12_a.xml.bak",
                                           "Sync_History.txt",
                                           "XSync_12_a.xml"};
    for (const auto& name : gone) WriteFile(m_folder / name, "x");
    for (const auto& name : kept) WriteFile(m_folder / name, "x");
    fs::create_directory(m_folder / "Sync_12_folder.xml");

    EXPECT_EQ(m_file.DeleteSyncFiles(12), 0);

    std::vector<std::string> expected = kept;
    expected.push_back("Sync_12_folder.xml");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderNames(m_folder), expected);
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"LOG: Deleting Sync Files: " +
                                                      (m_folder / "Sync_12_*.xml").string()});
}

TEST(SyncFileFolderTest, NoFolderGivenMeansTheUserDataFolder) {
    NullProgress progress;
    TcontactFile contactFile(progress);
    const fs::path expected = fs::path(::getenv("XDG_DATA_HOME")) / "KorviCommunicator";
    EXPECT_EQ(contactFile.dataFolder(), expected);
    EXPECT_EQ(TcontactFile::DefaultDataFolder(), expected);
    EXPECT_TRUE(fs::is_directory(expected / "logs"));
}

}  // namespace
}  // namespace korvi::test
