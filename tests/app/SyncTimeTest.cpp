#include "app/SyncTime.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "app/Log.h"
#include "common/TestEnv.h"

namespace korvi {
namespace {

struct SyncTimeCase {
    const char* name;
    std::string text;
    bool converts;
    bool logged;
};

void PrintTo(const SyncTimeCase& c, std::ostream* os) { *os << c.name; }

const SyncTimeCase kCases[] = {
    {"Plain_Converts", "2026-03-14 15:09:26", true, false},
    {"LeapDay_Converts", "2024-02-29 00:00:00", true, false},
    {"EighteenChars_RejectedSilently", "2026-03-14 15:09:2", false, false},
    {"TwentyChars_RejectedSilently", "2026-03-14 15:09:260", false, false},
    {"Empty_RejectedSilently", "", false, false},
    {"NoLeapDay_Logged", "2025-02-29 00:00:00", false, true},
    {"Hour24_Logged", "2026-03-14 24:00:00", false, true},
    {"Letters_Logged", "2026-03-14 15:o9:26", false, true},
    {"OtherSeparators_Logged", "14.03.2026 15:09:26", false, true},
    {"SignedField_Logged", "2026-+3-14 15:09:26", false, true},
    {"NulInside_Logged",
     std::string("2026-03-14\0"
                 "15:09:26",
                 19),
     false, true},
};

class SyncTimeTest : public testing::TestWithParam<SyncTimeCase> {};

TEST_P(SyncTimeTest, Converts) {
    const auto& c = GetParam();
    const auto logs = test::MakeTempDir("logs");
    SetLogsFolder(logs);
    SetDetailedLogging(true);
    std::time_t t = 12345;
    EXPECT_EQ(ConvertStrToDateTime(c.text, &t), c.converts ? 0 : -1);
    EXPECT_EQ(ConvertStrToDateTime(c.text, nullptr), -1);
    if (c.converts) {
        EXPECT_EQ(FormatSyncTime(ToLocalTime(t)), c.text);
    } else {
        EXPECT_EQ(t, 12345);
    }
    const auto log = logs / DetailedLogFilePath().filename();
    if (c.logged) {
        EXPECT_NE(test::ReadFile(log).find(" - Exception: ConvertStrToDateTime: - "),
                  std::string::npos);
    } else {
        EXPECT_FALSE(std::filesystem::exists(log));
    }
    SetDetailedLogging(false);
    SetLogsFolder({});
}

INSTANTIATE_TEST_SUITE_P(SyncTime, SyncTimeTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SyncTimeFormatTest, NowRoundTrips) {
    const std::time_t now = std::time(nullptr);
    const std::string text = FormatSyncTime(ToLocalTime(now));
    ASSERT_EQ(text.size(), kSyncTimeLength);
    std::time_t back = 0;
    ASSERT_EQ(ConvertStrToDateTime(text, &back), 0);
    EXPECT_EQ(back, now);
}

}  // namespace
}  // namespace korvi
