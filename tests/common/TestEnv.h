// Helpers shared by the tests: the per-process temporary home and fixture locations.
#pragma once

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace korvi::test {

// The temporary folder that XDG_CONFIG_HOME and XDG_DATA_HOME point into for this process.
const std::filesystem::path& TempRoot();
// A new empty folder below TempRoot().
std::filesystem::path MakeTempDir(const std::string& name);

inline std::filesystem::path TestDataDir() { return KORVI_TEST_DATA_DIR; }
inline std::filesystem::path FixturesDir() { return KORVI_FIXTURES_DIR; }
// The shared fixtures live beside the project, not in it: a clone of the project has none.
bool FixturesPresent();
inline std::filesystem::path BinDir() { return KORVI_BIN_DIR; }

std::string ReadFile(const std::filesystem::path& file);
void WriteFile(const std::filesystem::path& file, const std::string& bytes);

}  // namespace korvi::test

// Skips the current test, naming the folder it looked for, when the shared fixtures are absent.
#define KORVI_SKIP_WITHOUT_FIXTURES()                                         \
    do {                                                                      \
        if (!::korvi::test::FixturesPresent())                                \
            GTEST_SKIP() << "shared fixtures not found at "                   \
                         << ::korvi::test::FixturesDir().string()             \
                         << " (they are not part of a clone of the project)"; \
    } while (0)
