#include "pbx/ProxySettings.h"

#include <ostream>
#include <string>

#include <gtest/gtest.h>

namespace korvi {
namespace {

TEST(ServiceAddressTest, DefaultOnlyWhenEmpty) {
    // Computed only: nothing is sent to the default address.
    EXPECT_EQ(ServiceAddress(""), "http://192.168.1.250:5002");
    EXPECT_EQ(ServiceAddress("http://127.0.0.1:5002"), "http://127.0.0.1:5002");
}

struct TimeoutCase {
    const char* name;
    const char* text;
    bool ok;
    long ms;
};

void PrintTo(const TimeoutCase& c, std::ostream* os) { *os << c.name; }

const TimeoutCase kTimeouts[] = {
    {"Empty_Is300s", "", true, 300000},
    {"Thirty_Is30000ms", "30", true, 30000},
    {"Two_Is2000ms", "2", true, 2000},
    {"Letters_Fail", "abc", false, 0},
    {"TrailingLetters_Fail", "30s", false, 0},
    {"Fraction_Fails", "2.5", false, 0},
    {"Zero_Fails", "0", false, 0},
    {"Negative_Fails", "-5", false, 0},
    {"Overflow_Fails", "99999999999999999999", false, 0},
};

class TimeoutTest : public testing::TestWithParam<TimeoutCase> {};

TEST_P(TimeoutTest, ConvertsSecondsText) {
    long ms = -1;
    std::string error;
    const bool ok = TimeoutMsFromText(GetParam().text, ms, error);
    EXPECT_EQ(ok, GetParam().ok);
    if (GetParam().ok) {
        EXPECT_EQ(ms, GetParam().ms);
    } else {
        EXPECT_NE(error.find("timeout"), std::string::npos) << error;
    }
}

INSTANTIATE_TEST_SUITE_P(Timeout, TimeoutTest, testing::ValuesIn(kTimeouts),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvi
