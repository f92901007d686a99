#include "model/ContactCompare.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

namespace korvi {
namespace {

TContactNumber Num(int32_t type, std::string text, int32_t state = kNoChange) {
    return TContactNumber{.ref = 0, .number = std::move(text), .numberType = type, .state = state};
}

TContact Person(std::string first, std::string last, std::optional<TNumberList> numbers = {}) {
    TContact c;
    c.firstName = std::move(first);
    c.lastName = std::move(last);
    c.numbers = std::move(numbers);
    return c;
}

// --- NameDistance ---------------------------------------------------------------------------

struct DistanceCase {
    const char* name;
    std::string s;
    std::string t;
    int distance;
};

void PrintTo(const DistanceCase& c, std::ostream* os) { *os << c.name; }

class NameDistanceTest : public testing::TestWithParam<DistanceCase> {};

TEST_P(NameDistanceTest, Distance) {
    EXPECT_EQ(NameDistance(GetParam().s, GetParam().t), GetParam().distance);
    EXPECT_EQ(NameDistance(GetParam().t, GetParam().s), GetParam().distance);
}

const DistanceCase kDistanceCases[] = {
    {"BothEmpty_Minus1", "", "", -1},
    {"OneEmpty_Minus1", "", "a", -1},
    {"Equal_0", "JohnSmith", "JohnSmith", 0},
    {"OneInsertion_1", "JonSmith", "JohnSmith", 1},
    {"Swapped_8", "SmithJohn", "JohnSmith", 8},
    {"CaseCounts_2", "AnnLee", "annlee", 2},
    {"Classic_3", "kitten", "sitting", 3},
    {"Utf8ByteWise_2", "Zo\xC3\xAB", "Zoe", 2},
    {"EmbeddedNul_1", std::string("a\0b", 3), "ab", 1},
    {"ThousandBytes_Allowed", std::string(1000, 'a'), std::string(999, 'a') + "b", 1},
    {"OverThousandBytes_Minus1", std::string(1001, 'a'), std::string(1001, 'a'), -1},
    {"OneOverThousand_Minus1", std::string(1001, 'a'), "a", -1},
};

INSTANTIATE_TEST_SUITE_P(Compare, NameDistanceTest, testing::ValuesIn(kDistanceCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- CompareNumbers ---------------------------------------------------------------------------

struct NumberCase {
    const char* name;
    TContactNumber n;
    TContactNumber m;
    int result;
};

void PrintTo(const NumberCase& c, std::ostream* os) { *os << c.name; }

class CompareNumbersTest : public testing::TestWithParam<NumberCase> {};

TEST_P(CompareNumbersTest, Result) {
    EXPECT_EQ(CompareNumbers(GetParam().n, GetParam().m), GetParam().result);
}

const std::string kLongNumber(5000, '7');

const NumberCase kNumberCases[] = {
    {"OtherType_Minus1", Num(kMob, "1"), Num(kBus1, "1"), -1},
    {"SpacesInside_Equal", Num(kMob, "+44 20 7946 0000"), Num(kMob, "+442079460000"), 0},
    {"LeadingTab_Equal", Num(kMob, "\t+442079460000"), Num(kMob, "+44 20 7946 0000"), 0},
    {"TrailingControl_Equal", Num(kMob, "123\r\n\x01"), Num(kMob, "123"), 0},
    {"InnerTab_Differs", Num(kMob, "1\t23"), Num(kMob, "123"), 1},
    {"CaseSensitive_Differs", Num(kMob, "ext A"), Num(kMob, "ext a"), 1},
    {"BlankAndEmpty_Equal", Num(kMob, " \t "), Num(kMob, ""), 0},
    {"LongEqual_Equal", Num(kMob, kLongNumber), Num(kMob, " " + kLongNumber), 0},
    {"LongDifferAtEnd_Differs", Num(kMob, kLongNumber + "1"), Num(kMob, kLongNumber + "2"), 1},
};

INSTANTIATE_TEST_SUITE_P(Compare, CompareNumbersTest, testing::ValuesIn(kNumberCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FindNumberTest, FirstOfTheSameTypeDecides) {
    const TNumberList list = {Num(kBus1, "1"), Num(kMob, "2"), Num(kMob, "3")};
    int at = 99;
    EXPECT_EQ(FindNumber(Num(kMob, "3"), list, at), 1);
    EXPECT_EQ(at, 1);
    EXPECT_EQ(FindNumber(Num(kMob, "2"), list, at), 0);
    EXPECT_EQ(at, 1);
    EXPECT_EQ(FindNumber(Num(kFaxBus, "1"), list, at), -1);
    EXPECT_EQ(at, -1);
    EXPECT_EQ(FindNumber(Num(kMob, "2"), TNumberList{}, at), -1);
    EXPECT_EQ(at, -1);
}

// --- CompareContacts --------------------------------------------------------------------------

struct CompareCase {
    const char* name;
    int matchKind;
    TContact a;
    TContact b;
    bool compareNumbers;
    int result;
    std::optional<TNumberList> aNumbersAfter;
};

void PrintTo(const CompareCase& c, std::ostream* os) { *os << c.name; }

class CompareContactsTest : public testing::TestWithParam<CompareCase> {};

TEST_P(CompareContactsTest, ResultAndMarks) {
    const CompareCase& c = GetParam();
    TContact a = c.a;
    const TContact bBefore = c.b;
    EXPECT_EQ(CompareContacts(c.matchKind, a, c.b, c.compareNumbers), c.result);
    EXPECT_EQ(a.numbers, c.aNumbersAfter);
    EXPECT_EQ(c.b, bBefore);
}

TContact WithIds(TContact c, int32_t contactId, std::string entryId) {
    c.contactId = contactId;
    c.entryId = std::move(entryId);
    return c;
}

TContact WithDisplay(TContact c, std::string display) {
    c.displayName = std::move(display);
    return c;
}

const CompareCase kCompareCases[] = {
    {"EmptyNames_NoNameMatch", eMatch_Name, Person("", ""), Person("", ""), true, -1, {}},
    {"OnlySpaceAndControlNames_NoNameMatch",
     eMatch_Name,
     Person(" \t", "\r\n\x7f"),
     Person(" ", "\x01"),
     true,
     -1,
     {}},
    {"JonAndJohnSmith_FirstNameDifferent",
     eMatch_Name,
     Person("Jon", "Smith"),
     Person("John", "Smith"),
     true,
     1,
     {}},
    {"SwappedNames_NoNameMatch",
     eMatch_Name,
     Person("Smith", "John"),
     Person("John", "Smith"),
     true,
     -1,
     {}},
    {"AnnLeeInOtherCase_FirstNameDifferent",
     eMatch_Name,
     Person("Ann", "Lee"),
     Person("ann", "lee"),
     true,
     1,
     {}},
    {"ThreeEdits_NoNameMatch",
     eMatch_Name,
     Person("Ann", "Lee"),
     Person("Anna", "Leigh"),
     true,
     -1,
     {}},
    {"SpaceAroundNames_MatchButUntrimmedDiffer",
     eMatch_Name,
     Person(" Ann\t", "Lee\n"),
     Person("Ann", "Lee"),
     true,
     1,
     {}},
    {"KeyOverThousandBytes_NoNameMatch",
     eMatch_Name,
     Person(std::string(995, 'q'), "Smith!"),
     Person(std::string(995, 'q'), "Smith!"),
     true,
     -1,
     {}},
    {"KeyOfThousandBytes_Identical",
     eMatch_Name,
     Person(std::string(995, 'q'), "Smith"),
     Person(std::string(995, 'q'), "Smith"),
     true,
     0,
     {}},
    {"LastNameDiffers_2", eMatch_Name, Person("Ann", "Lee"), Person("Ann", "Lea"), true, 2, {}},
    {"DisplayNameDiffers_3_NumbersUntouched", eMatch_Name,
     WithDisplay(Person("Ann", "Lee", TNumberList{Num(kMob, "1")}), "A"),
     Person("Ann", "Lee", TNumberList{Num(kBus1, "2")}), true, 3, TNumberList{Num(kMob, "1")}},
    {"NumbersIgnored_Identical", eMatch_Name, Person("Ann", "Lee", TNumberList{Num(kMob, "1")}),
     Person("Ann", "Lee", TNumberList{Num(kMob, "2")}), false, 0, TNumberList{Num(kMob, "1")}},
    {"NeitherHasList_Identical",
     eMatch_Name,
     Person("Ann", "Lee"),
     Person("Ann", "Lee"),
     true,
     0,
     {}},
    {"OnlyFirstHasList_4", eMatch_Name, Person("Ann", "Lee", TNumberList{}), Person("Ann", "Lee"),
     true, 4, TNumberList{}},
    {"OnlySecondHasList_5_NothingWritten",
     eMatch_Name,
     Person("Ann", "Lee"),
     Person("Ann", "Lee", TNumberList{Num(kMob, "1")}),
     true,
     5,
     {}},
    {"BothListsEmpty_Identical", eMatch_Name, Person("Ann", "Lee", TNumberList{}),
     Person("Ann", "Lee", TNumberList{}), true, 0, TNumberList{}},
    {"NumbersEqualAfterNormalising_Identical", eMatch_Name,
     Person("Ann", "Lee", TNumberList{Num(kMob, "+44 20 7946 0000"), Num(kBus1, "\t0800")}),
     Person("Ann", "Lee", TNumberList{Num(kBus1, "0800"), Num(kMob, "+442079460000")}), true, 0,
     TNumberList{Num(kMob, "+44 20 7946 0000"), Num(kBus1, "\t0800")}},
    {"MobileAgainstBusiness_AddedAndDeletedMarker", eMatch_Name,
     Person("Ann", "Lee", TNumberList{Num(kMob, "1")}),
     Person("Ann", "Lee", TNumberList{Num(kBus1, "2")}), true, 6,
     TNumberList{Num(kMob, "1", kAdded), Num(kBus1, "2", kDeleted)}},
    {"ChangedText_Amended", eMatch_Name, Person("Ann", "Lee", TNumberList{Num(kMob, "1")}),
     Person("Ann", "Lee", TNumberList{Num(kMob, "2")}), true, 6,
     TNumberList{Num(kMob, "1", kAmended)}},
    {"TwoMobilesInB_OnlyFirstCompared", eMatch_Name,
     Person("Ann", "Lee", TNumberList{Num(kMob, "2")}),
     Person("Ann", "Lee", TNumberList{Num(kMob, "1"), Num(kMob, "2")}), true, 6,
     TNumberList{Num(kMob, "2", kAmended)}},
    {"TwoOfAMissingType_OneMarker", eMatch_Name, Person("Ann", "Lee", TNumberList{}),
     Person("Ann", "Lee", TNumberList{Num(kHome1, "1"), Num(kHome1, "2")}), true, 6,
     TNumberList{Num(kHome1, "1", kDeleted)}},
    {"SameContactId_Matches",
     eMatch_ContactId,
     WithIds(Person("A", ""), 12, "x"),
     WithIds(Person("B", ""), 12, "y"),
     false,
     1,
     {}},
    {"OtherContactId_NoMatch",
     eMatch_ContactId,
     WithIds(Person("A", ""), 12, "x"),
     WithIds(Person("A", ""), 13, "x"),
     false,
     -1,
     {}},
    {"EmptyEntryIds_Match",
     eMatch_EntryId,
     WithIds(Person("", ""), 1, ""),
     WithIds(Person("", ""), 2, ""),
     true,
     0,
     {}},
    {"EntryIdOtherCase_NoMatch",
     eMatch_EntryId,
     WithIds(Person("A", ""), 1, "abc"),
     WithIds(Person("A", ""), 1, "ABC"),
     true,
     -1,
     {}},
    {"UnknownKind_NoMatch", 3, Person("Ann", "Lee"), Person("Ann", "Lee"), true, -1, {}},
    {"NegativeKind_NoMatch", -1, Person("Ann", "Lee"), Person("Ann", "Lee"), true, -1, {}},
};

INSTANTIATE_TEST_SUITE_P(Compare, CompareContactsTest, testing::ValuesIn(kCompareCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The marks are not reset between calls: a marker left by one call is a number of that type for
// the next, so a contact must be compared once, fresh from its load (as the sync does).
TEST(CompareContactsRepeatTest, SecondCallReadsTheFirstCallsMarker) {
    TContact a = Person("Ann", "Lee", TNumberList{Num(kMob, "1")});
    const TContact b = Person("Ann", "Lee", TNumberList{Num(kBus1, "2")});
    EXPECT_EQ(CompareContacts(eMatch_Name, a, b, true), 6);
    EXPECT_EQ(a.numbers, (TNumberList{Num(kMob, "1", kAdded), Num(kBus1, "2", kDeleted)}));
    EXPECT_EQ(CompareContacts(eMatch_Name, a, b, true), 6);
    EXPECT_EQ(a.numbers, (TNumberList{Num(kMob, "1", kAdded), Num(kBus1, "2", kNoChange)}));

    TContact c = Person("Ann", "Lee", TNumberList{});
    EXPECT_EQ(CompareContacts(eMatch_Name, c, b, true), 6);
    EXPECT_EQ(CompareContacts(eMatch_Name, c, b, true), 0);
}

TEST(CompareContactsRepeatTest, ContactAgainstItselfIsSafe) {
    TContact a = Person("Ann", "Lee", TNumberList{Num(kMob, "1"), Num(kMob, "2")});
    EXPECT_EQ(CompareContacts(eMatch_Name, a, a, true), 6);
    const TNumberList expected = {Num(kMob, "1"), Num(kMob, "2", kAmended)};
    EXPECT_EQ(a.numbers, expected);
}

// --- FindContact ------------------------------------------------------------------------------

TEST(FindContactTest, EmptyListAndNullContactFindNothing) {
    TContactList list;
    TContact a = Person("Ann", "Lee");
    int at = 5;
    EXPECT_EQ(FindContact(eMatch_Name, a, list, at, true), -1);
    EXPECT_EQ(at, -1);
    list.push_back(std::make_unique<TContact>(a));
    at = 5;
    EXPECT_EQ(FindContact(eMatch_Name, nullptr, list, at, true), -1);
    EXPECT_EQ(at, -1);
}

TEST(FindContactTest, FirstMatchInListOrderSkippingGaps) {
    TContactList list;
    list.push_back(nullptr);
    list.push_back(std::make_unique<TContact>(Person("Bob", "Stone")));
    list.push_back(std::make_unique<TContact>(Person("Jon", "Smith", TNumberList{Num(kMob, "1")})));
    list.push_back(std::make_unique<TContact>(Person("John", "Smith")));
    TContact a = Person("John", "Smith", TNumberList{Num(kMob, "2")});
    int at = -1;
    EXPECT_EQ(FindContact(eMatch_Name, a, list, at, true), 1);
    EXPECT_EQ(at, 2);
    EXPECT_EQ(a.numbers, (TNumberList{Num(kMob, "2")})) << "a name difference writes no marks";

    TContact far = Person("Zed", "Zulu");
    EXPECT_EQ(FindContact(eMatch_Name, far, list, at, true), -1);
    EXPECT_EQ(at, -1);
}

TEST(CompareResultNameTest, Names) {
    const std::pair<int, const char*> names[] = {
        {-1, "Unk"},
        {0, "Identical"},
        {1, "First Name Different"},
        {2, "Last Name Different"},
        {3, "Display Name Different"},
        {4, "Empty Number List"},
        {5, "Empty Number List"},
        {6, "Number Change"},
        {7, "Unk"},
    };
    for (const auto& [code, name] : names) EXPECT_STREQ(CompareResultName(code), name) << code;
}

TEST(ContactNameKeyTest, TrimsEachPartAndKeepsInnerAndHighBytes) {
    TContact c = Person(
        "\t Mar\xC3\xAD"
        "a  \x7f",
        "\x01"
        "de la O\r\n");
    EXPECT_EQ(ContactNameKey(c),
              "Mar\xC3\xAD"
              "ade la O");
    c.firstName =
        "\xC2\xA0"
        "Ann";  // a no-break space is not trimmed: its bytes are UTF-8
    c.lastName = std::string("\0Lee\0", 5);
    EXPECT_EQ(ContactNameKey(c),
              "\xC2\xA0"
              "AnnLee");
}

}  // namespace
}  // namespace korvi
