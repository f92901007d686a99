#include "app/Texts.h"

#include <map>
#include <string>

#include <gtest/gtest.h>

#include "app/TextTable.h"

namespace korvi {
namespace {

TEST(TextTableTest, EnglishHoldsEveryIdExactlyOnce) {
    std::map<int, int> seen;
    for (std::size_t i = 0; i < kEnglishTexts.count; ++i) ++seen[kEnglishTexts.entries[i].id];
    EXPECT_EQ(kEnglishTexts.count, static_cast<std::size_t>(kTextCount));
    for (int id = 0; id < kTextCount; ++id) EXPECT_EQ(seen[id], 1) << "id " << id;
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kTextCount)) << "ids outside the table";
}

TEST(TextTableTest, WordingIsKeptByteForByte) {
    // Doubled blanks, line breaks and misspellings are part of the texts.
    EXPECT_EQ(Text(69), "Contacts deleted successfully in PBX for  [NAME]");
    EXPECT_EQ(Text(63),
              "Cannot run First time Sync automatically as user intervention is normally "
              "required\nPlease Sync manually first!");
    EXPECT_EQ(Text(131),
              "More that 10 errors occured when sending contacts to PBX - Operation was aborted!");
    EXPECT_EQ(Text(181), "Gmail Username must be of the format xxx@gmail.com");
    EXPECT_EQ(Text(186), "[NAME] must be an integer value greater than [NUMBER]");
    EXPECT_EQ(Text(0), "Version:");
}

struct GetTextCase {
    const char* name;
    int id;
    const char* partner;
    const char* person;
    const char* number1;
    const char* number2;
    int result;
    const char* text;
};

const GetTextCase kGetTextCases[] = {
    {"NoValues_PlainText", 5, "", "", "", "", 0, "Busy. Please wait...."},
    {"IdPastTable_Unk", kTextCount, "Gmail", "x", "1", "2", -1, "Unk"},
    {"MassDeletionHeldBack_CountsFilled", 188, "Outlook", "", "12", "20", 0,
     "Automatic Sync stopped: 12 contacts would be deleted from Outlook, which holds 20. Run Sync "
     "manually to confirm these deletions."},
    {"NegativeId_Unk", -1, "", "", "", "", -1, "Unk"},
    {"HugeId_Unk", 2147483647, "", "", "", "", -1, "Unk"},
    {"PartnerAndTwoNumbers_FilledInOrder", 58, "Gmail", "", "3", "4", 0,
     "Successfully Sync'd - 3 contacts updated in PBX. 4 contacts updated in Gmail."},
    {"PartnerWithoutPlaceholder_Unchanged", 29, "Outlook", "", "", "", -1, "Central Store"},
    {"NameOnly_NumberLeftInText", 70, "", "Ext 21", "", "", 0,
     "Saved [NUMBER] contacts to file for  Ext 21"},
    {"SecondNumberWithoutPlaceholder_FirstFilled", 75, "", "", "7", "8", -1,
     "Warning: The selected Outlook folder already contains 7 contacts."},
    {"BracketedPartner_KeepsOuterBrackets", 53, "Contacts", "Ext 21", "", "", 0,
     "Warning: This is the first time syncing Outlook folder [Contacts] with PBX contacts for "
     "Ext 21"},
    {"ValueHoldingPlaceholder_FilledByLaterStep", 163, "[NAME]", "Ben", "", "", 0,
     "No Contacts Exist in Ben for [NAME]"},
    {"OnlySecondNumber_FillsFirstPlaceholder", 176, "", "", "", "9", 0,
     "Applying update 9 of [NUMBER]"},
    {"AllFour_AllFilled", 168, "Outlook", "Korvi", "12", "", 0,
     "Warning: Korvi has detected that 12 contacts have\nbeen deleted from Outlook since the "
     "last Sync.\n\nThese contacts will be deleted from the PBX."},
};

void PrintTo(const GetTextCase& c, std::ostream* os) { *os << c.name; }

class GetTextTest : public testing::TestWithParam<GetTextCase> {};

TEST_P(GetTextTest, FillsPlaceholders) {
    const auto& c = GetParam();
    std::string out = "previous";
    EXPECT_EQ(GetText(c.id, c.partner, c.person, c.number1, c.number2, out), c.result);
    EXPECT_EQ(out, c.text);
}

INSTANTIATE_TEST_SUITE_P(Texts, GetTextTest, testing::ValuesIn(kGetTextCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GetTextTest, ValuesWithNulAndNonUtf8BytesAreInsertedVerbatim) {
    const std::string odd("a\0\xff\xfe", 4);
    std::string out;
    EXPECT_EQ(GetText(116, "", odd, "", "", out), 0);
    EXPECT_EQ(out, "Could not find " + odd + " in Outlook");
}

TEST(GetTextTest, LanguageWithoutTableGivesUnk) {
    for (unsigned language : {1u, 4u, 5u, 4000000000u}) {
        SetLanguageIndex(language);
        std::string out;
        EXPECT_EQ(GetText(0, "", "", "", "", out), -1) << language;
        EXPECT_EQ(out, "Unk") << language;
    }
    SetLanguageIndex(0);
    EXPECT_EQ(Text(0), "Version:");
}

}  // namespace
}  // namespace korvi
