// The one UTF-8 decoder: which sequences are well-formed, and where a text may be cut.
#include "app/Utf8.h"

#include <string>

#include <gtest/gtest.h>

namespace korvi {
namespace {

struct SequenceCase {
    const char* name;
    std::string bytes;
    std::size_t length;
    char32_t cp;
};

void PrintTo(const SequenceCase& c, std::ostream* os) { *os << c.name; }

const SequenceCase kSequences[] = {
    {"Ascii", "A", 1, U'A'},
    {"TwoBytes", "\xC3\xA4", 2, U'\u00E4'},
    {"ThreeBytes", "\xE2\x82\xAC", 3, U'\u20AC'},
    {"FourBytes", "\xF0\x9F\x98\x80", 4, U'\U0001F600'},
    {"OverlongTwo_Refused", "\xC0\xAF", 0, 0},
    {"OverlongThree_Refused", "\xE0\x80\xAF", 0, 0},
    {"Surrogate_Refused", "\xED\xA0\x80", 0, 0},
    {"AboveMax_Refused", "\xF4\x90\x80\x80", 0, 0},
    {"Truncated_Refused", "\xE2\x82", 0, 0},
    {"LoneContinuation_Refused", "\x80", 0, 0},
};

class Utf8SequenceTest : public testing::TestWithParam<SequenceCase> {};

TEST_P(Utf8SequenceTest, DecodesOnlyWellFormedSequences) {
    const SequenceCase& c = GetParam();
    char32_t cp = 0;
    EXPECT_EQ(Utf8SequenceLength(c.bytes, cp), c.length);
    if (c.length != 0) {
        EXPECT_EQ(cp, c.cp);
    }
    EXPECT_EQ(FindInvalidUtf8("ok " + c.bytes), c.length == 0 ? 3 : -1);
}

INSTANTIATE_TEST_SUITE_P(Sequences, Utf8SequenceTest, testing::ValuesIn(kSequences),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Utf8Test, CutsBeforeACharacterNeverInsideOne) {
    const std::string text =
        "ab\xE2\x82\xAC"
        "cd";  // a b EURO c d
    EXPECT_EQ(Utf8PrefixLength(text, 10), text.size());
    EXPECT_EQ(Utf8PrefixLength(text, 2), 2u);
    EXPECT_EQ(Utf8PrefixLength(text, 3), 2u);
    EXPECT_EQ(Utf8PrefixLength(text, 4), 2u);
    EXPECT_EQ(Utf8PrefixLength(text, 5), 5u);
    // Bytes that are no UTF-8 are cut where the limit says.
    EXPECT_EQ(Utf8PrefixLength(std::string(8, '\x80'), 5), 5u);
    EXPECT_EQ(Utf8CharacterCount(text), 5u);
}

TEST(Utf8Test, FindsTheFirstBadByteAfterAnyRunOfAscii) {
    // Long ASCII runs are stepped over eight bytes at a time: a bad byte or a sequence at any
    // position of such a run, and one that straddles the step, must be judged as byte by byte.
    for (std::size_t at = 0; at < 40; ++at) {
        SCOPED_TRACE(at);
        const std::string ascii(at, 'a');
        EXPECT_EQ(FindInvalidUtf8(ascii + "\xfc" + std::string(20, 'b')),
                  static_cast<std::ptrdiff_t>(at));
        EXPECT_EQ(FindInvalidUtf8(ascii + "\xe2\x82\xac" + std::string(20, 'b')), -1);
        EXPECT_EQ(FindInvalidUtf8(ascii + "\xe2\x82" + std::string(20, 'b')),
                  static_cast<std::ptrdiff_t>(at));
        EXPECT_EQ(FindInvalidUtf8(ascii + "\xf0\x9f\x98\x80" + ascii + "\x80"),
                  static_cast<std::ptrdiff_t>(2 * at + 4));
        EXPECT_EQ(FindInvalidUtf8(ascii), -1);
    }
}

}  // namespace
}  // namespace korvi
