// AtomicFile: a file is replaced whole or not at all, and nothing is left beside it.
#include "app/AtomicFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/TestEnv.h"

namespace korvi::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t Mode(const fs::path& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// Bigger than the writer's 64 KiB buffer, so that a failure can hit a later flush.
std::string Payload() {
    std::string s;
    for (int i = 0; s.size() < 150000; ++i) s += "line " + std::to_string(i) + "\n";
    return s;
}

struct FailCase {
    const char* name;
    std::size_t failAfter;
    bool oneWrite;  // the payload in one call, else in 1000-byte pieces
};

// Test names in ctest show the case by its name, not as raw bytes.
void PrintTo(const FailCase& c, std::ostream* os) { *os << c.name; }

class AtomicFileFailTest : public testing::TestWithParam<FailCase> {};

TEST_P(AtomicFileFailTest, FailedWriteLeavesTheOldFileAndNoTemporary) {
    const fs::path folder = MakeTempDir("atomic");
    const fs::path target = folder / "target.xml";
    WriteFile(target, "old bytes");
    const std::string payload = Payload();

    AtomicFile file(target);
    file.FailAfterBytes(GetParam().failAfter);
    ASSERT_TRUE(file.Open()) << file.Error();
    bool ok = true;
    if (GetParam().oneWrite) {
        ok = file.Write(payload);
    } else {
        for (std::size_t i = 0; ok && i < payload.size(); i += 1000) {
            ok = file.Write(std::string_view(payload).substr(i, 1000));
        }
    }
    ok = ok && file.Commit();

    EXPECT_FALSE(ok);
    EXPECT_EQ(file.Error(), target.string() + ": write failed: No space left on device");
    EXPECT_EQ(ReadFile(target), "old bytes");
    EXPECT_EQ(Names(folder), std::vector<std::string>{"target.xml"});
    // Once failed, the file stays failed: nothing more reaches the disk.
    EXPECT_FALSE(file.Write("more"));
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(ReadFile(target), "old bytes");
}

const FailCase kFailCases[] = {
    {"AtFirstByte", 0, false},
    {"InFirstBuffer", 1000, false},
    {"InLaterBuffer", 100000, false},
    {"OneByteShort", 150000 - 1, false},
    {"InsideOneLargeWrite", 70000, true},
};

INSTANTIATE_TEST_SUITE_P(Writes, AtomicFileFailTest, testing::ValuesIn(kFailCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AtomicFileTest, CommitReplacesTheFileAndKeepsItsMode) {
    const fs::path folder = MakeTempDir("atomic");
    const fs::path target = folder / "target";
    WriteFile(target, "old");
    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    const std::string payload = Payload();

    AtomicFile file(target);
    ASSERT_TRUE(file.Open());
    ASSERT_TRUE(file.Write(payload.substr(0, 10)));
    ASSERT_TRUE(file.Write(payload.substr(10)));
    ASSERT_TRUE(file.Commit()) << file.Error();
    EXPECT_EQ(ReadFile(target), payload);
    EXPECT_EQ(Mode(target), 0600u);
    EXPECT_EQ(Names(folder), std::vector<std::string>{"target"});

    // Exactly the allowed number of bytes is no failure.
    std::string error;
    const fs::path fresh = folder / "fresh";
    AtomicFile exact(fresh);
    exact.FailAfterBytes(5);
    ASSERT_TRUE(exact.Open());
    ASSERT_TRUE(exact.Write("12345"));
    ASSERT_TRUE(exact.Commit()) << exact.Error();
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(Mode(fresh), 0666u & ~mask);
}

TEST(AtomicFileTest, AbandonedOrRefusedFilesLeaveNothingBehind) {
    const fs::path folder = MakeTempDir("atomic");
    const fs::path target = folder / "target";
    WriteFile(target, "old");
    {
        AtomicFile file(target);
        ASSERT_TRUE(file.Open());
        ASSERT_TRUE(file.Write("never committed"));
    }
    {
        AtomicFile file(target);
        ASSERT_TRUE(file.Open());
        ASSERT_TRUE(file.Write("discarded"));
        file.Discard();
        EXPECT_FALSE(file.Commit());
    }
    EXPECT_EQ(ReadFile(target), "old");
    EXPECT_EQ(Names(folder), std::vector<std::string>{"target"});

    AtomicFile notOpen(target);
    EXPECT_FALSE(notOpen.Write("x"));
    EXPECT_EQ(notOpen.Error(), target.string() + ": file is not open");

    // A folder in the target's place cannot be replaced: the rename fails and the temporary
    // file goes.
    const fs::path dir = folder / "dir";
    fs::create_directory(dir);
    WriteFile(dir / "inside", "kept");
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(dir, "bytes", error));
    EXPECT_EQ(error.rfind(dir.string() + ": rename failed: ", 0), 0u) << error;
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"dir", "target"}));
    EXPECT_EQ(ReadFile(dir / "inside"), "kept");

    EXPECT_FALSE(WriteFileAtomically(folder / "missing" / "x", "bytes", error));
    EXPECT_EQ(error, (folder / "missing" / "x").string() +
                         ": cannot create temporary file: No such file or directory");
}

}  // namespace
}  // namespace korvi::test
