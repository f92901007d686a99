#include "app/AppPaths.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "common/TestEnv.h"

namespace korvi {
namespace {

namespace fs = std::filesystem;

TEST(AppPathsTest, FoldersFollowTheEnvironmentAtEachCall) {
    const fs::path root = test::MakeTempDir("paths");
    ::setenv("XDG_DATA_HOME", (root / "xdg").c_str(), 1);
    ::setenv("HOME", (root / "home").c_str(), 1);
    EXPECT_EQ(DataFolder(), root / "xdg" / "KorviCommunicator");
    EXPECT_EQ(LogsFolderDefault(), root / "xdg" / "KorviCommunicator" / "logs");
    EXPECT_EQ(BackupsFolder(), root / "xdg" / "KorviCommunicator" / "backups");
    for (const char* ignored : {"", "relative/data"}) {
        ::setenv("XDG_DATA_HOME", ignored, 1);
        EXPECT_EQ(DataFolder(), root / "home" / ".local" / "share" / "KorviCommunicator");
    }
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(DataFolder(), root / "home" / ".local" / "share" / "KorviCommunicator");
}

TEST(AppPathsTest, EnsureDataFoldersCreatesPrivateFoldersOnce) {
    const fs::path root = test::MakeTempDir("ensure");
    ::setenv("XDG_DATA_HOME", (root / "deep" / "share").c_str(), 1);
    std::string error;
    ASSERT_TRUE(EnsureDataFolders(error)) << error;
    EXPECT_TRUE(error.empty());
    for (const fs::path& folder : {DataFolder(), LogsFolderDefault()}) {
        struct stat st {};
        ASSERT_EQ(::stat(folder.c_str(), &st), 0) << folder;
        EXPECT_EQ(st.st_mode & 0777, 0700u) << folder;
    }
    EXPECT_TRUE(EnsureDataFolders(error)) << error;
}

TEST(AppPathsTest, EnsureDataFoldersNamesTheFolderThatFailed) {
    const fs::path root = test::MakeTempDir("blocked");
    // A file where the folder should be cannot be replaced by one.
    ::setenv("XDG_DATA_HOME", root.c_str(), 1);
    test::WriteFile(root / "KorviCommunicator", "not a folder");
    std::string error;
    EXPECT_FALSE(EnsureDataFolders(error));
    EXPECT_EQ(error.rfind("Warning: Could not create folder for Sync data. ", 0), 0u) << error;

    fs::remove(root / "KorviCommunicator");
    fs::create_directory(root / "KorviCommunicator");
    test::WriteFile(root / "KorviCommunicator" / "logs", "not a folder");
    EXPECT_FALSE(EnsureDataFolders(error));
    EXPECT_EQ(error.rfind("Warning: Could not create folder for Logfiles ", 0), 0u) << error;
}

}  // namespace
}  // namespace korvi
