// Test entry point: isolates every test process in its own XDG folders, removed at exit.
#include <stdlib.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "common/TestEnv.h"

int main(int argc, char** argv) {
    const auto& root = korvi::test::TempRoot();
    std::filesystem::create_directories(root / "config");
    std::filesystem::create_directories(root / "data");
    ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    ::setenv("HOME", root.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    testing::InitGoogleTest(&argc, argv);
    int rc = RUN_ALL_TESTS();
    std::error_code ec;
    if (::getenv("KORVI_KEEP_TEST_DIRS") == nullptr) std::filesystem::remove_all(root, ec);
    return rc;
}
