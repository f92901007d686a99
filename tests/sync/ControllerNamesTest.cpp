#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "sync/Tctrl.h"

namespace korvi {
namespace {

struct LabelCase {
    const char* name;
    int partner;
    int direction;
    const char* label;
};

const LabelCase kLabelCases[] = {
    {"OutlookBoth", ePartner_Outlook, eSyncDir_Both, "PBX <-> Outlook"},
    {"OutlookPbxToPartner", ePartner_Outlook, eSyncDir_PbxToPartner, "PBX -> Outlook"},
    {"OutlookPartnerToPbx", ePartner_Outlook, eSyncDir_PartnerToPbx, "Outlook -> PBX"},
    {"OutlookReplacePartner", ePartner_Outlook, eSyncDir_ReplacePartner, "Send PBX -> Outlook"},
    {"OutlookReplacePbx", ePartner_Outlook, eSyncDir_ReplacePbx, "Send Outlook -> PBX"},
    {"GmailReplacePbx", ePartner_Gmail, eSyncDir_ReplacePbx, "Send Gmail -> PBX"},
    {"GmailBoth", ePartner_Gmail, eSyncDir_Both, "PBX <-> Gmail"},
    {"UnknownDirection_IsUnknown", ePartner_Outlook, 7, "Unknown"},
    {"NegativeDirection_IsUnknown", ePartner_Gmail, -1, "Unknown"},
    {"UnknownPartner_NamedUnknown", 5, eSyncDir_PbxToPartner, "PBX -> Unknown"},
    {"NegativePartner_NamedUnknown", -3, eSyncDir_PartnerToPbx, "Unknown -> PBX"},
};

void PrintTo(const LabelCase& c, std::ostream* os) { *os << c.name; }

class SyncDirectionLabelTest : public testing::TestWithParam<LabelCase> {};

TEST_P(SyncDirectionLabelTest, Label) {
    EXPECT_EQ(SyncDirectionLabel(GetParam().partner, GetParam().direction), GetParam().label);
}

INSTANTIATE_TEST_SUITE_P(Labels, SyncDirectionLabelTest, testing::ValuesIn(kLabelCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ControllerNamesTest, ActionNamesCoverEveryNumberAndNothingElse) {
    const char* expected[kActionCount] = {
        "FindServersOnLan",
        "CheckService",
        "CheckServiceExt",
        "GetExtnInfo",
        "DeleteContacts",
        "ExportContactsToXMLFile",
        "ExportContactsToCSVFile",
        "ExportContactsToOutlook",
        "ExportContactsToGmail",
        "ImportContactsFromXMLFile",
        "ImportContactsFromCSVFile",
        "ImportContactsFromOutlook",
        "ImportContactsFromGmail",
        "LoginToGmail",
        "GetGmailFolderInfo",
        "CreateNewGmailFolder",
        "GetOutlookFolderInfo",
        "GetOutlookVersion",
        "SyncContacts",
    };
    for (int a = 0; a < kActionCount; ++a) EXPECT_STREQ(ActionName(a), expected[a]) << a;
    EXPECT_STREQ(ActionName(19), "Unknown");
    EXPECT_STREQ(ActionName(kActExportContactsToCardDav), "ExportContactsToCardDAV");
    EXPECT_STREQ(ActionName(kActImportContactsFromCardDav), "ImportContactsFromCardDAV");
    EXPECT_STREQ(ActionName(kActFirstLaterAction - 1), "Unknown");
    EXPECT_STREQ(ActionName(kActLaterActionEnd), "Unknown");
    EXPECT_STREQ(ActionName(-1), "Unknown");
    EXPECT_STREQ(ActionName(INT32_MAX), "Unknown");
}

TEST(ControllerNamesTest, PartnerNames) {
    EXPECT_STREQ(PartnerName(ePartner_Outlook), "Outlook");
    EXPECT_STREQ(PartnerName(ePartner_Gmail), "Gmail");
    EXPECT_STREQ(PartnerName(ePartner_CardDav), "CardDAV");
    EXPECT_STREQ(PartnerName(3), "Unknown");
    EXPECT_STREQ(PartnerName(-1), "Unknown");
}

}  // namespace
}  // namespace korvi
