#include "app/SettingsRegistry.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "app/AppPaths.h"
#include "app/Log.h"
#include "app/SettingsFile.h"
#include "common/ResultTesting.h"
#include "common/TestEnv.h"

namespace korvi {
namespace {

namespace fs = std::filesystem;

class SettingsTest : public testing::Test {
protected:
    void SetUp() override {
        m_config = test::MakeTempDir("config");
        ::setenv("XDG_CONFIG_HOME", m_config.c_str(), 1);
        m_logs = test::MakeTempDir("logs");
        SetLogsFolder(m_logs);
        SetDetailedLogging(false);
    }
    void TearDown() override {
        SetDetailedLogging(false);
        SetLogsFolder({});
    }
    fs::path File() const { return m_config / "QVX" / "KorviCommunicator.conf"; }
    void WriteConf(const std::string& text) {
        fs::create_directories(File().parent_path());
        fs::permissions(File().parent_path(), fs::perms::owner_all);
        test::WriteFile(File(), text);
    }
    static unsigned Mode(const fs::path& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 07777;
    }

    fs::path m_config;
    fs::path m_logs;
};

KorviSettings Unusual() {
    KorviSettings s;
    s.pbxUrl = "https://pbx.test";
    s.pbxPort = "8443";
    s.userName = "Anna Berg, \"Sales\"";
    s.pin = "4711=0815";
    s.connTimeout = "45";
    s.autoStart = 1;
    s.runInTray = 1;
    s.syncPartner = 1;
    s.syncOutlookFolder = "\\\\Store\\Kunden; #1 = \xC3\xA4";
    s.syncDir = 4;
    s.conflictRes = 1;
    s.syncGmailFolderTitle = "@Variant(not one)";
    s.syncGmailFolderID = "http://gmail.test/m8/feeds/groups/default/base/7";
    s.autoSync = 1;
    s.autoSyncInterval = 0;
    s.syncContactType = 65533;
    s.syncContactTypeName = "  Central Store  ";
    s.logging = 1;
    s.gmailAccName = "anna@gmail.com";
    s.gmailAccPwd = "p\xC3\xA4ssw\xC3\xB6rd long enough";
    s.addressBookDir = "/tmp/book with blanks";
    s.cardDavUrl = "https://dav.test/remote.php/dav/addressbooks/users/anna/kontakte%20alt/";
    s.cardDavUser = "anna@dav.test";
    s.cardDavPwd = "dav p\xC3\xA4ss; = word";
    s.cardDavCaFile = "/etc/ssl/private ca.pem";
    s.pbxConnections = 7;
    return s;
}

void ExpectSame(const KorviSettings& a, const KorviSettings& b) {
    for (const SettingInfo& info : SettingsCatalog()) {
        EXPECT_EQ(SettingAsText(a, info), SettingAsText(b, info)) << info.name;
    }
}

TEST_F(SettingsTest, FreshConfigGivesDefaultsAndAPrivateEmptyFile) {
    KorviSettings s = Unusual();
    GetFormSettingsFromRegistry(s);
    EXPECT_EQ(s.pbxUrl, "http://192.168.1.250");  // read only, nothing is contacted
    EXPECT_EQ(s.pbxPort, "5002");
    EXPECT_EQ(s.userName, "");
    EXPECT_EQ(s.pin, "");
    EXPECT_EQ(s.connTimeout, "30");
    EXPECT_EQ(s.autoSyncInterval, 1);
    EXPECT_EQ(s.syncOutlookFolder, "\\\\Personal Folders\\Contacts");
    EXPECT_EQ(s.syncGmailFolderTitle, "System Group: My Contacts");
    EXPECT_EQ(s.syncGmailFolderID, "http://www.google.com/m8/feeds/groups/default/base/6");
    EXPECT_EQ(s.gmailAccName, "@gmail.com");
    EXPECT_EQ(s.gmailAccPwd, "");
    EXPECT_EQ(s.addressBookDir, (DataFolder() / "addressbook").string());
    EXPECT_EQ(s.pbxConnections, 4);
    EXPECT_EQ(s.logging, 0);
    ExpectSame(s, KorviSettings{});
    EXPECT_EQ(GetSyncTimeFromRegistry(), "");
    EXPECT_EQ(Mode(File()), 0600u);
    EXPECT_EQ(Mode(File().parent_path()), 0700u);
}

TEST_F(SettingsTest, EveryValueSurvivesASaveAndTheFileStaysPrivate) {
    const KorviSettings saved = Unusual();
    std::string error;
    ASSERT_EQ(CodeOf(SaveSettingsToRegistry(saved), error), 0) << error;
    EXPECT_EQ(Mode(File()), 0600u);

    const StartupFlags flags = GetStartupFlagsFromRegistry();
    EXPECT_EQ(flags.runInTray, 1);
    EXPECT_EQ(flags.detailedLogging, 1);
    EXPECT_TRUE(DetailedLogging());
    KorviSettings loaded;
    GetFormSettingsFromRegistry(loaded);
    ExpectSame(loaded, saved);

    ASSERT_EQ(CodeOf(SaveSettingsToRegistry(loaded), error), 0) << error;
    EXPECT_EQ(Mode(File()), 0600u);
    EXPECT_FALSE(fs::exists(m_logs / "Sync_History.txt"));
}

TEST_F(SettingsTest, LoggingIsReadOnlyByTheStartupFlags) {
    KorviSettings s;
    s.logging = 1;
    std::string error;
    ASSERT_EQ(CodeOf(SaveSettingsToRegistry(s), error), 0) << error;
    KorviSettings loaded;
    GetFormSettingsFromRegistry(loaded);
    EXPECT_EQ(loaded.logging, 0) << "the switch is still off until the start-up flags are read";
    static_cast<void>(GetStartupFlagsFromRegistry());
    GetFormSettingsFromRegistry(loaded);
    EXPECT_EQ(loaded.logging, 1);
}

TEST_F(SettingsTest, SecretsAreStoredAsHexOnly) {
    KorviSettings s;
    s.pin = "98765";
    s.gmailAccPwd = "correct horse";
    s.cardDavPwd = "battery staple";
    std::string error;
    ASSERT_EQ(CodeOf(SaveSettingsToRegistry(s), error), 0) << error;
    const std::string text = test::ReadFile(File());
    EXPECT_EQ(text.find("98765"), std::string::npos);
    EXPECT_EQ(text.find("correct horse"), std::string::npos);
    EXPECT_EQ(text.find("battery staple"), std::string::npos);
    EXPECT_TRUE(std::regex_search(text, std::regex("\nCardDavPwd=[0-9A-F]{32}\n"))) << text;
    EXPECT_TRUE(std::regex_search(text, std::regex("\nPin=[0-9A-F]{16}\n"))) << text;
    EXPECT_TRUE(std::regex_search(text, std::regex("\nGmailAccPwd=[0-9A-F]{32}\n"))) << text;
    EXPECT_TRUE(std::regex_search(text, std::regex("^\\[settings\\]\n"))) << text;
}

TEST_F(SettingsTest, EmptyWrongKindAndDamagedValuesReadAsDefaults) {
    WriteConf(
        "[settings]\n"
        "PbxUrl=\n"
        "UserName=\n"
        "PbxPort=5002, 5003\n"
        "ConnTimeout=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x1)\n"
        "AutoSyncInterval=often\n"
        "SyncDir=3\n"
        "SyncContactType=99999999999\n"
        "Pin=ABCDEF\n"
        "GmailAccPwd=not hex at all!!\n"
        "syncOutlookFolder=\\\\\\\\Store\\\\Folder\n");
    KorviSettings s;
    GetFormSettingsFromRegistry(s);
    EXPECT_EQ(s.pbxUrl, KorviSettings{}.pbxUrl);
    EXPECT_EQ(s.userName, "");
    EXPECT_EQ(s.pbxPort, "5002");
    EXPECT_EQ(s.connTimeout, "30");
    EXPECT_EQ(s.autoSyncInterval, 1);
    EXPECT_EQ(s.syncDir, 3);
    EXPECT_EQ(s.syncContactType, 0);
    EXPECT_EQ(s.pin, "");
    EXPECT_EQ(s.gmailAccPwd, "");
    EXPECT_EQ(s.syncOutlookFolder, "\\\\Store\\Folder");
}

TEST_F(SettingsTest, UnparseableFileReadsAsDefaultsAndIsSetAsideOnSave) {
    const std::string damaged = "[settings\nUserName=anna\n\x01\x02 ===\n[[[\n";
    WriteConf(damaged);
    fs::permissions(File(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                fs::perms::others_read);
    KorviSettings s;
    GetFormSettingsFromRegistry(s);
    ExpectSame(s, KorviSettings{});
    EXPECT_EQ(test::ReadFile(File()), damaged) << "a read changes nothing";
    EXPECT_EQ(Mode(File()), 0600u) << "but the file is made private";

    s.userName = "ben";
    std::string error;
    ASSERT_EQ(CodeOf(SaveSettingsToRegistry(s), error), 0) << error;
    EXPECT_EQ(test::ReadFile(fs::path(File().string() + ".damaged")), damaged);
    KorviSettings loaded;
    GetFormSettingsFromRegistry(loaded);
    EXPECT_EQ(loaded.userName, "ben");
    EXPECT_EQ(Mode(File()), 0600u);
}

TEST_F(SettingsTest, UnsafeFolderOrFileIsRefused) {
    fs::create_directories(File().parent_path());
    fs::permissions(File().parent_path(), fs::perms::all);  // writable by everyone
    std::string error;
    EXPECT_EQ(CodeOf(SaveSettingsToRegistry(Unusual()), error), -1);
    EXPECT_NE(error.find("writable by other users"), std::string::npos) << error;
    EXPECT_NE(error.find(File().string()), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(File()));

    fs::permissions(File().parent_path(), fs::perms::owner_all);
    const fs::path elsewhere = m_config / "elsewhere.conf";
    test::WriteFile(elsewhere, "[settings]\nUserName=mallory\n");
    fs::create_symlink(elsewhere, File());
    KorviSettings s;
    GetFormSettingsFromRegistry(s);
    EXPECT_EQ(s.userName, "");
    EXPECT_EQ(CodeOf(SaveSettingsToRegistry(Unusual()), error), -1);
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
}

TEST_F(SettingsTest, FolderOfAnotherUserIsRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give the folder away";
    fs::create_directories(File().parent_path());
    ASSERT_EQ(::chown(File().parent_path().c_str(), 65534, 65534), 0);
    std::string error;
    EXPECT_EQ(CodeOf(SaveSettingsToRegistry(Unusual()), error), -1);
    EXPECT_NE(error.find("belongs to another user"), std::string::npos) << error;
}

TEST_F(SettingsTest, FailedSaveIsLoggedWithTheOperationName) {
    SetDetailedLogging(true);
    test::WriteFile(m_config / "QVX", "a file where the folder should be");
    std::string error;
    EXPECT_EQ(CodeOf(SaveSyncTimeToRegistry("2026-01-02 03:04:05"), error), -1);
    EXPECT_NE(error.find("KorviCommunicator.conf"), std::string::npos) << error;
    const std::string log = test::ReadFile(DetailedLogFilePath());
    EXPECT_NE(log.find(" - Exception: SaveSyncTimeToRegistry: "), std::string::npos) << log;
}

TEST_F(SettingsTest, SyncTimeIsStoredOnItsOwn) {
    std::string error;
    ASSERT_EQ(CodeOf(SaveSyncTimeToRegistry("2026-01-02 03:04:05"), error), 0) << error;
    EXPECT_EQ(GetSyncTimeFromRegistry(), "2026-01-02 03:04:05");
    KorviSettings s;
    ASSERT_EQ(CodeOf(SaveSettingsToRegistry(s), error), 0) << error;
    EXPECT_EQ(GetSyncTimeFromRegistry(), "2026-01-02 03:04:05") << "a save keeps the sync time";
}

}  // namespace
}  // namespace korvi
