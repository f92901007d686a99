// The CSV line of one contact: quoting, column groups by number type, and padding.
#include "files/ContactCsv.h"

#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "FilesTestSupport.h"

namespace korvi::test {
namespace {

struct CsvCase {
    const char* name;
    TContact contact;
    std::string line;
};

// Test names in ctest show the case by its name, not as raw bytes.
void PrintTo(const CsvCase& c, std::ostream* os) { *os << c.name; }

class ContactCsvLineTest : public testing::TestWithParam<CsvCase> {};

TEST_P(ContactCsvLineTest, WritesTheLine) {
    std::string out;
    AppendContactCsvLine(GetParam().contact, out);
    EXPECT_EQ(out, GetParam().line);
}

std::string Groups(int full) { return std::string(5 * full, ',') + ",,,,"; }

TNumberList Numbers(int count, int32_t type) {
    TNumberList list;
    for (int i = 0; i < count; ++i) list.push_back(Num(std::to_string(i), type, i, 1, 0, 1));
    return list;
}

const CsvCase kCsvCases[] = {
    {"NoNumberList_NineGroupsAndAShortOne", MakeContact("A", "B", "C", 1, "e", std::nullopt),
     "\"A\",\"B\",\"C\",\"1\",\"e\"," + Groups(9) + "\r\n"},
    {"EmptyNumberList_PaddedLikeNoList", MakeContact("A", "", "", 1, "", TNumberList{}),
     "\"A\",,,\"1\",\"\"," + Groups(9) + "\r\n"},
    {"EmptyNames_AreBareCommas", MakeContact("", "", "", 0, "", std::nullopt),
     ",,,\"0\",\"\"," + Groups(9) + "\r\n"},
    {"QuotesInValues_AreDoubled",
     MakeContact("Carl \"Boss\"", "\"", "", 2, "id\"1", TNumberList{Num("1\"2", kMob, 0, 1, 0, 1)}),
     "\"Carl \"\"Boss\"\"\",\"\"\"\",,\"2\",\"id\"\"1\",\"1\"\"2\",\"1\",\"0\",\"1\"," + Groups(8) +
         "\r\n"},
    {"CommasAndApostrophes_KeptInsideQuotes", MakeContact("Smith, Anna", "O'Neil", "", 3, "", {}),
     "\"Smith, Anna\",\"O'Neil\",,\"3\",\"\"," + Groups(9) + "\r\n"},
    {"OneInternalNumber_NoColumnNineGroups",
     MakeContact("A", "", "", 1, "", TNumberList{Num("201", kInt, 1, 1, 1, 1)}),
     "\"A\",,,\"1\",\"\"," + Groups(8) + "\r\n"},
    {"UnknownTypes_NotWrittenButCounted",
     MakeContact("A", "", "", 1, "",
                 TNumberList{Num("x", kNumberTypeInvalid), Num("y", 8), Num("z", -1)}),
     "\"A\",,,\"1\",\"\"," + Groups(6) + "\r\n"},
    {"NumbersByTypeThenListOrder",
     MakeContact("A", "", "", 1, "",
                 TNumberList{Num("m1", kMob, 1, 1, 2, 3), Num("fb", kFaxBus, 2, 0, 0, 0),
                             Num("m2", kMob, 3, 0, 1, 0), Num("h1", kHome1, 4, 1, 1, 1)}),
     "\"A\",,,\"1\",\"\",\"h1\",\"1\",\"1\",\"1\",\"m1\",\"1\",\"2\",\"3\",\"m2\",\"0\",\"1\","
     "\"0\","
     "\"fb\",\"0\",\"0\",\"0\"," +
         Groups(5) + "\r\n"},
    {"DeletedMarker_NotWrittenButCounted",
     MakeContact("A", "", "", 1, "",
                 TNumberList{Num("old", kHome1, 1, 1, 0, 1, kDeleted), Num("new", kHome2)}),
     "\"A\",,,\"1\",\"\",\"new\",\"0\",\"0\",\"0\"," + Groups(7) + "\r\n"},
    {"NineNumbers_OneShortGroup", MakeContact("A", "", "", 1, "", Numbers(9, kOther)),
     [] {
         std::string s = "\"A\",,,\"1\",\"\",";
         for (int i = 0; i < 9; ++i) s += "\"" + std::to_string(i) + "\",\"1\",\"0\",\"1\",";
         return s + ",,,,\r\n";
     }()},
    {"TenNumbers_NoPadding", MakeContact("A", "", "", 1, "", Numbers(10, kBus2)),
     [] {
         std::string s = "\"A\",,,\"1\",\"\",";
         for (int i = 0; i < 10; ++i) s += "\"" + std::to_string(i) + "\",\"1\",\"0\",\"1\",";
         return s + "\r\n";
     }()},
    {"ElevenNumbers_NoPadding", MakeContact("A", "", "", 1, "", Numbers(11, kHome1)),
     [] {
         std::string s = "\"A\",,,\"1\",\"\",";
         for (int i = 0; i < 11; ++i) s += "\"" + std::to_string(i) + "\",\"1\",\"0\",\"1\",";
         return s + "\r\n";
     }()},
    {"NegativeIds_InDecimal",
     MakeContact("A", "", "", -5, "", TNumberList{Num("1", kHome1, 0, -1, -2, -3)}),
     "\"A\",,,\"-5\",\"\",\"1\",\"-1\",\"-2\",\"-3\"," + Groups(8) + "\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Contacts, ContactCsvLineTest, testing::ValuesIn(kCsvCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvi::test
