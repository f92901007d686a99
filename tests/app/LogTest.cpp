#include "app/Log.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/Clock.h"
#include "common/TestEnv.h"
#include "model/Contact.h"

namespace korvi {
namespace {

namespace fs = std::filesystem;

class FakeClock final : public Clock {
public:
    std::time_t Now() const override { return 0; }
    LocalTime Local() const override { return m_time; }
    void Set(LocalTime t) { m_time = t; }

private:
    LocalTime m_time{2026, 12, 8, 14, 5, 9};
};

class LogTest : public testing::Test {
protected:
    void SetUp() override {
        m_folder = test::MakeTempDir("logs");
        SetLogsFolder(m_folder);
        SetLogClock(&m_clock);
        SetDetailedLogging(true);
    }
    void TearDown() override {
        SetLogClock(nullptr);
        SetDetailedLogging(false);
        SetLogsFolder({});
    }
    std::string History() const { return test::ReadFile(m_folder / "Sync_History.txt"); }

    // The history without stamps, one message per line.
    std::vector<std::string> HistoryMessages() const {
        std::vector<std::string> out;
        std::istringstream in(History());
        for (std::string line; std::getline(in, line);) out.push_back(line.substr(18));
        return out;
    }

    fs::path m_folder;
    FakeClock m_clock;
};

TEST_F(LogTest, LineIsStampMessageAndLf) {
    WriteHistory("Sync Fail - %s (Error Code %d)", "Timeout", -3);
    WriteHistory("");
    EXPECT_EQ(History(),
              "14:05:09(08/12) - Sync Fail - Timeout (Error Code -3)\n"
              "14:05:09(08/12) - \n");
}

TEST_F(LogTest, DetailedLogGoesToFileOfTheDay) {
    WriteLog("LOG: CTRL: %s", "start");
    EXPECT_EQ(test::ReadFile(m_folder / "log@20261208.txt"),
              "14:05:09(08/12) - LOG: CTRL: start\n");
    EXPECT_EQ(DetailedLogFilePath(), m_folder / "log@20261208.txt");
    EXPECT_EQ(HistoryFilePath(), m_folder / "Sync_History.txt");
}

TEST_F(LogTest, LoggingOffCreatesNoDetailedFileButHistoryStillWrites) {
    SetDetailedLogging(false);
    WriteLog("LOG: %s", "nothing");
    WriteHistory("Communicator Shutdown");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()), 1);
    EXPECT_EQ(HistoryMessages(), std::vector<std::string>{"Communicator Shutdown"});
}

TEST_F(LogTest, LinesEitherSideOfMidnightLandInTwoFiles) {
    m_clock.Set({2025, 12, 31, 23, 59, 59});
    WriteLog("LOG: before");
    m_clock.Set({2026, 1, 1, 0, 0, 0});
    WriteLog("LOG: after");
    EXPECT_EQ(test::ReadFile(m_folder / "log@20251231.txt"), "23:59:59(31/12) - LOG: before\n");
    EXPECT_EQ(test::ReadFile(m_folder / "log@20260101.txt"), "00:00:00(01/01) - LOG: after\n");
}

TEST_F(LogTest, HistoryComesBackAfterDeletionAndIsPrivate) {
    WriteHistory("one");
    fs::remove(m_folder / "Sync_History.txt");
    WriteHistory("two");
    EXPECT_EQ(HistoryMessages(), std::vector<std::string>{"two"});
    struct stat st {};
    ASSERT_EQ(::stat((m_folder / "Sync_History.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(LogTest, MissingFolderDropsLineSilently) {
    SetLogsFolder(m_folder / "gone");
    WriteHistory("lost");
    WriteLog("lost");
    EXPECT_FALSE(fs::exists(m_folder / "gone"));
}

TEST_F(LogTest, UserDataIsAnArgumentAndBadFormatsAreMarked) {
    WriteHistory("%s", "100% sure %d %n");
    WriteHistory("Count %d", "text");  // a mismatch must not throw out of the writer
    WriteHistory("50%");
    EXPECT_EQ(HistoryMessages(),
              (std::vector<std::string>{"100% sure %d %n", "Count %d [log format error]",
                                        "50% [log format error]"}));
}

// Cut points that land on every byte of a multi-byte sequence.
class LogCutTest : public LogTest, public testing::WithParamInterface<int> {};

TEST_P(LogCutTest, LongLineIsCutAtCharacterBoundary) {
    const std::string lead(GetParam(), 'a');
    std::string message = lead;
    while (message.size() < 60000) message += "\xF0\x9F\x98\x80";  // a 4-byte character
    WriteHistory("%s", message);
    const std::string file = History();
    ASSERT_EQ(file.back(), '\n');
    const std::string body = file.substr(18, file.size() - 19);
    EXPECT_LE(body.size(), 49981u);
    EXPECT_GE(body.size(), 49978u);
    EXPECT_EQ((body.size() - lead.size()) % 4, 0u) << "a character was cut in half";
    EXPECT_EQ(body, message.substr(0, body.size()));
}

INSTANTIATE_TEST_SUITE_P(Log, LogCutTest, testing::Values(0, 1, 2, 3));

TEST_F(LogTest, LongAsciiLineKeepsExactlyTheBufferSize) {
    WriteLog("%s", std::string(70000, 'x'));
    const std::string file = test::ReadFile(m_folder / "log@20261208.txt");
    EXPECT_EQ(file.size(), 49999u + 1u);
    EXPECT_EQ(file.substr(18, 49981), std::string(49981, 'x'));
}

TEST_F(LogTest, TwoThreadsNeverTearALine) {
    constexpr int kLines = 400;
    auto writer = [](char letter, std::size_t length) {
        const std::string text(length, letter);
        for (int i = 0; i < kLines; ++i) {
            WriteHistory("%s", text);
            WriteLog("%s", text);
        }
    };
    std::thread a(writer, 'A', 3000);
    std::thread b(writer, 'B', 7000);
    a.join();
    b.join();
    for (const fs::path& file : {m_folder / "Sync_History.txt", m_folder / "log@20261208.txt"}) {
        std::istringstream in(test::ReadFile(file));
        int countA = 0, countB = 0;
        for (std::string line; std::getline(in, line);) {
            ASSERT_GT(line.size(), 18u);
            const std::string body = line.substr(18);
            if (body == std::string(3000, 'A')) {
                ++countA;
            } else if (body == std::string(7000, 'B')) {
                ++countB;
            } else {
                FAIL() << "torn line in " << file << " of " << line.size() << " bytes";
            }
        }
        EXPECT_EQ(countA, kLines);
        EXPECT_EQ(countB, kLines);
    }
}

TContact MakeContact(std::optional<TNumberList> numbers) {
    TContact c;
    c.firstName = "Anna";
    c.lastName = "Berg";
    c.displayName = "";
    c.numbers = std::move(numbers);
    return c;
}

TContactNumber Number(const char* text, int32_t type, int32_t state) {
    TContactNumber n;
    n.number = text;
    n.numberType = type;
    n.state = state;
    return n;
}

struct DumpCase {
    const char* name;
    std::optional<TNumberList> numbers;
    bool withStates;
    std::vector<std::string> lines;
};

const DumpCase kDumpCases[] = {
    {"NoList_ZeroNumbersForm", std::nullopt, false, {"    Name [Anna] [Berg] [] - 0 Numbers"}},
    {"EmptyList_CountForm", TNumberList{}, true, {"    Name [Anna] [Berg] [] - 0 Number(s)"}},
    {"WithoutStates_NumberAndType",
     TNumberList{Number("0301", kHome1, kAdded), Number("77", kInt, kNoChange)},
     false,
     {"    Name [Anna] [Berg] [] - 2 Number(s)", "    [0301] [Home1]", "    [77] [Int]"}},
    {"WithStates_UnknownCodesAreUnk",
     TNumberList{Number("0301", kFaxBus, kAmended), Number("9", 8, 4),
                 Number("5", kNumberTypeInvalid, kDeleted)},
     true,
     {"    Name [Anna] [Berg] [] - 3 Number(s)", "    [0301] [Fax_Bus] - [Amended]",
      "    [9] [Unk] - [Unk]", "    [5] [Invalid] - [Deleted]"}},
};

void PrintTo(const DumpCase& c, std::ostream* os) { *os << c.name; }

class ContactDumpTest : public LogTest, public testing::WithParamInterface<DumpCase> {};

TEST_P(ContactDumpTest, WritesDump) {
    const TContact contact = MakeContact(GetParam().numbers);
    WriteContactToHistory(&contact, GetParam().withStates);
    WriteContactToHistory(nullptr, true);
    EXPECT_EQ(HistoryMessages(), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Log, ContactDumpTest, testing::ValuesIn(kDumpCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LogTest, DeleteDetailedLogsKeepsEverythingElse) {
    for (const char* name : {"log@20260101.txt", "log@.txt", "log@old copy.txt", "Sync_History.txt",
                             "log@20260101.txt.bak", "mylog@1.txt", "notes.txt", "log@x.TXT"}) {
        test::WriteFile(m_folder / name, "x");
    }
    fs::create_directory(m_folder / "log@folder.txt");
    EXPECT_EQ(DeleteDetailedLogs(m_folder), 0);
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(m_folder)) left.push_back(e.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"Sync_History.txt", "log@20260101.txt.bak",
                                              "log@folder.txt", "log@x.TXT", "mylog@1.txt",
                                              "notes.txt"}));
    EXPECT_EQ(DeleteDetailedLogs(m_folder / "missing"), 0);
}

}  // namespace
}  // namespace korvi
