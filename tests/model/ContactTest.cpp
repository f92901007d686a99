#include "model/Contact.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace korvi {
namespace {

TContact Numbered(std::initializer_list<TContactNumber> numbers) {
    TContact c;
    c.contactId = 7;
    c.contactType = kContactTypeCentral;
    c.firstName = "Ann";
    c.lastName = "Lee";
    c.displayName = "Ann Lee";
    c.entryId = "E1";
    c.numbers = TNumberList(numbers);
    return c;
}

struct CleanCase {
    const char* name;
    std::string in;
    std::string out;
};

void PrintTo(const CleanCase& c, std::ostream* os) { *os << c.name; }

class CleanNameTest : public testing::TestWithParam<CleanCase> {};

TEST_P(CleanNameTest, Cleans) {
    std::string text = GetParam().in;
    CleanName(text);
    EXPECT_EQ(text, GetParam().out);
}

const CleanCase kCleanCases[] = {
    {"UpperNull_BecomesEmpty", "NULL", ""},
    {"LowerNull_BecomesEmpty", "null", ""},
    {"MixedNull_BecomesEmpty", "nULl", ""},
    {"NullPrefix_Kept", "Nullah", "Nullah"},
    {"NullWithSpace_Kept", " Null", " Null"},
    {"Empty_StaysEmpty", "", ""},
    {"Apostrophe_BecomesBacktick", "O'Brien", "O`Brien"},
    {"LineBreaks_Removed", "first\r\nsecond\nthird\r", "firstsecondthird"},
    {"DoubleQuotes_Removed", "say \"hi\"", "say hi"},
    {"OnlyRemovedBytes_BecomeEmpty", "\"\r\n\"", ""},
    {"Utf8AndTabs_Kept", "Zo\xC3\xAB\tM\xC3\xBCller", "Zo\xC3\xAB\tM\xC3\xBCller"},
    {"EmbeddedNul_Kept", std::string("a\0b'", 4), std::string("a\0b`", 4)},
    {"VeryLong_CleanedWhole", std::string(5000, 'x') + "'\n" + std::string(5000, 'y'),
     std::string(5000, 'x') + "`" + std::string(5000, 'y')},
};

INSTANTIATE_TEST_SUITE_P(Contact, CleanNameTest, testing::ValuesIn(kCleanCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ContactNamesTest, NumberTypeAndStateNames) {
    const std::pair<int32_t, const char*> types[] = {
        {0, "Home1"}, {1, "Home2"},    {2, "Bus1"},    {3, "Bus2"},        {4, "Mob"},
        {5, "Other"}, {6, "Fax_Home"}, {7, "Fax_Bus"}, {8, "Unk"},         {16, "Int"},
        {17, "Unk"},  {-1, "Unk"},     {65534, "Unk"}, {65535, "Invalid"}, {65536, "Unk"},
    };
    for (const auto& [code, name] : types) EXPECT_STREQ(NumberTypeName(code), name) << code;
    const std::pair<int32_t, const char*> states[] = {
        {0, "No Change"}, {1, "Added"}, {2, "Deleted"}, {3, "Amended"}, {4, "Unk"}, {-1, "Unk"},
    };
    for (const auto& [code, name] : states) EXPECT_STREQ(NumberStateName(code), name) << code;
}

TEST(AddNumberTest, EmptyTextCreatesNoList) {
    TContact c;
    AddNumber("", kMob, c);
    EXPECT_FALSE(c.numbers.has_value());
}

TEST(AddNumberTest, AppendsPartnerAttributesInOrder) {
    TContact c;
    AddNumber("+1 555", kMob, c);
    AddNumber("", kHome1, c);
    AddNumber("0800", kBus1, c);
    const TNumberList expected = {
        {.ref = 0,
         .number = "+1 555",
         .numberType = kMob,
         .barring = 1,
         .lineAccess = 0,
         .cli = 1,
         .state = kNoChange},
        {.ref = 0,
         .number = "0800",
         .numberType = kBus1,
         .barring = 1,
         .lineAccess = 0,
         .cli = 1,
         .state = kNoChange},
    };
    ASSERT_TRUE(c.numbers.has_value());
    EXPECT_EQ(*c.numbers, expected);
}

TEST(CopyContactTest, CopiesAllButAction) {
    TContact src = Numbered({{.ref = 3,
                              .number = "1",
                              .numberType = kInt,
                              .barring = 1,
                              .lineAccess = 2,
                              .cli = 1,
                              .state = kDeleted},
                             {.ref = 4, .number = "2", .numberType = kMob, .state = kAmended}});
    src.action = 6;
    const auto copy = CopyContact(&src);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->action, 0);
    src.action = 0;
    EXPECT_EQ(*copy, src);

    EXPECT_EQ(CopyContact(nullptr), nullptr);
}

TEST(CopyContactTest, KeepsMissingAndEmptyListsApart) {
    TContact noList;
    EXPECT_FALSE(CopyContact(&noList)->numbers.has_value());
    TContact emptyList;
    emptyList.numbers.emplace();
    const auto copy = CopyContact(&emptyList);
    ASSERT_TRUE(copy->numbers.has_value());
    EXPECT_TRUE(copy->numbers->empty());
}

TEST(AssignContactTest, ReplacesNumbersAndKeepsAction) {
    TContact dst = Numbered({{.number = "1"}, {.number = "2"}, {.number = "3"}});
    dst.action = 3;
    TContact src;
    src.contactId = 9;
    src.firstName = "Bo";
    src.entryId = "E9";
    AssignContact(&dst, &src);
    EXPECT_FALSE(dst.numbers.has_value());
    EXPECT_EQ(dst.action, 3);
    dst.action = 0;
    EXPECT_EQ(dst, src);

    const TContact before = dst;
    AssignContact(&dst, nullptr);
    AssignContact(nullptr, &src);
    AssignContact(&dst, &dst);
    EXPECT_EQ(dst, before);
}

TEST(CopyNumberTest, CopiesAllSevenMembers) {
    const TContactNumber n{.ref = 5,
                           .number = "0 1",
                           .numberType = kFaxBus,
                           .barring = 1,
                           .lineAccess = 4,
                           .cli = 1,
                           .state = kAdded};
    EXPECT_EQ(CopyNumber(&n), n);
    EXPECT_FALSE(CopyNumber(nullptr).has_value());
}

TEST(BarringTest, SetsEveryNumberAndSkipsGaps) {
    TContactList list;
    list.push_back(std::make_unique<TContact>(Numbered({{.number = "1"}, {.number = "2"}})));
    list.push_back(nullptr);
    list.push_back(std::make_unique<TContact>());
    SetListBarring(list, 1);
    for (const auto& n : *list[0]->numbers) EXPECT_EQ(n.barring, 1);
    SetContactBarring(*list[0], 0);
    for (const auto& n : *list[0]->numbers) EXPECT_EQ(n.barring, 0);
    EXPECT_FALSE(list[2]->numbers.has_value());

    ClearContactList(list);
    EXPECT_TRUE(list.empty());
}

}  // namespace
}  // namespace korvi
