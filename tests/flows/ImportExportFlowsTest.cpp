// The import/export tab's operations with files and with the address book: each branch's
// history lines and what it shows (the failure box with its code, nothing more for a cancel
// in the progress or a dismissed dialog, the delete's cancel shown as its failure).
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FlowWorld.h"
#include "common/TestEnv.h"
#include "flows/ImportExportFlows.h"

namespace korvi {
namespace {

using flows::FileDialog;
using test::FlowWorld;

struct TransferCase {
    const char* name;
    std::function<void(FlowWorld&)> arrange;
    std::function<Result(FlowWorld&)> run;
    int code;
    std::vector<std::string> shown;    // the start of each message, in order
    std::vector<std::string> history;  // lines the history holds; {file}: the chosen file
    int pbxAfter = -1;                 // the desk's contacts afterwards (-1: not looked at)
    int cardsAfter = -1;               // the address book's cards afterwards
};

void PrintTo(const TransferCase& c, std::ostream* os) { *os << c.name; }

void ThreeOnTheDesk(FlowWorld& w) { ASSERT_EQ(w.sim().SeedContacts(3, test::kDesk), 3); }

void ToFile(FlowWorld& w, const char* name) {
    ThreeOnTheDesk(w);
    w.front().file = (test::MakeTempDir("files") / name).string();
}

void WrongPin(FlowWorld& w) { w.settings().pin = "0000"; }

void SlowPbxCancelled(FlowWorld& w) {
    w.sim().SetDelayMs(60000);
    w.front().cancelAction = true;
}

// An XML file of the desk's three contacts, written by the export.
void ExportedFile(FlowWorld& w) {
    ToFile(w, "desk.xml");
    ASSERT_TRUE(flows::ExportToFile(w.ctx(), FileDialog::kSaveXml).ok());
    w.front().shown.clear();
}

Result ExportXml(FlowWorld& w) { return flows::ExportToFile(w.ctx(), FileDialog::kSaveXml); }
Result ExportCsv(FlowWorld& w) { return flows::ExportToFile(w.ctx(), FileDialog::kSaveCsv); }
Result ImportXml(FlowWorld& w) { return flows::ImportFromFile(w.ctx()); }
Result Delete(FlowWorld& w) { return flows::DeleteContacts(w.ctx()); }
Result ToBook(FlowWorld& w) { return flows::ExportToOutlook(w.ctx()); }
Result FromBook(FlowWorld& w) { return flows::ImportFromOutlook(w.ctx()); }

const char kCancelLine[] = "Fail: Action cancelled";
const char kWrongPin[] = "error: [SoapError] Invalid user name or PIN (Error Code 1)";

const TransferCase kCases[] = {
    {"ExportXml_Ok",
     [](FlowWorld& w) { ToFile(w, "desk.xml"); },
     ExportXml,
     0,
     {"information: Saved 3 contacts to file for  Front Desk"},
     {"Export PBX Contacts to XML File",
      "Successfully exported 3 contacts from PBX for Front Desk to file [{file}]"},
     3},
    {"ExportCsv_DialogDismissed_CancelLinesOnly",
     ThreeOnTheDesk,
     ExportCsv,
     -7,
     {"cancelled: Action Cancelled!"},
     {"Export PBX Contacts to CSV File", kCancelLine},
     3},
    {"ExportXml_PbxFailure_HistoryAndBox",
     [](FlowWorld& w) {
         ToFile(w, "desk.xml");
         WrongPin(w);
     },
     ExportXml,
     1,
     {kWrongPin},
     {"Failed to export PBX contacts to file [[SoapError] Invalid user name or PIN]"},
     3},
    {"ImportXml_Ok_OverwritesThePhonebook",
     [](FlowWorld& w) {
         ExportedFile(w);
         w.front().answers.Expect("confirm-import", kOk);
     },
     ImportXml,
     0,
     {"information: Successfully imported 3 contacts to PBX for  Front Desk"},
     {"Import PBX Contacts From XML File",
      "Successfully imported 3 contacts to PBX for Front Desk from file [{file}]"},
     3},
    {"ImportXml_Declined_CancelLinesOnly",
     [](FlowWorld& w) {
         ExportedFile(w);
         w.front().answers.Expect("confirm-import", kCancel);
     },
     ImportXml,
     -7,
     {"cancelled: Action Cancelled!"},
     {kCancelLine},
     3},
    {"ImportXml_MissingFile_HistoryAndBox",
     [](FlowWorld& w) {
         ToFile(w, "missing.xml");
         w.front().answers.Expect("confirm-import", kOk);
     },
     ImportXml,
     -1,
     {"error: "},
     {"Failed to import PBX contacts from file ["},
     3},
    {"Delete_Ok",
     [](FlowWorld& w) {
         ThreeOnTheDesk(w);
         w.front().answers.Expect("confirm-delete", kOk);
     },
     Delete,
     0,
     {"information: Contacts deleted successfully in PBX for  Front Desk"},
     {"Delete Contacts in PBX", "Successfully deleted contacts in PBX for Front Desk"},
     0},
    {"Delete_Declined_CancelLinesOnly",
     [](FlowWorld& w) {
         ThreeOnTheDesk(w);
         w.front().answers.Expect("confirm-delete", kCancel);
     },
     Delete,
     -7,
     {"cancelled: Action Cancelled!"},
     {"Delete Contacts in PBX", kCancelLine},
     3},
    // Unlike the other operations, the delete reports a cancel in the progress as its failure.
    {"Delete_CancelledInTheProgress_ShownAsItsFailure",
     [](FlowWorld& w) {
         ThreeOnTheDesk(w);
         w.front().answers.Expect("confirm-delete", kOk);
         SlowPbxCancelled(w);
     },
     Delete,
     -7,
     {"error: Action Cancelled! (Error Code -7)"},
     {kCancelLine, "Failed to delete contacts in PBX for Front Desk [Action Cancelled!]"}},
    {"ToAddressBook_DefaultFolder",
     ThreeOnTheDesk,
     ToBook,
     0,
     {"information: Saved 3 contacts to Outlook folder for Front Desk"},
     {"Export PBX Contacts To Outlook (",
      "Successfully exported 3 contacts from PBX for Front Desk to Outlook folder ["},
     3,
     3},
    {"ToAddressBook_ChooserDismissed_CancelLinesOnly",
     [](FlowWorld& w) {
         ThreeOnTheDesk(w);
         w.front().folder.reset();
     },
     ToBook,
     -7,
     {"declined: Action Cancelled!"},
     {kCancelLine},
     3,
     0},
    {"ToAddressBook_FolderHoldsCards_DuplicatesDeclined",
     [](FlowWorld& w) {
         ThreeOnTheDesk(w);
         w.Card("anna.vcf", "Anna", "Berg", "TEL;TYPE=CELL:0171 111");
         w.front().answers.Expect("outlook-duplicates", kCancel);
     },
     ToBook,
     -7,
     {"declined: Action Cancelled!"},
     {kCancelLine},
     3,
     1},
    {"ToAddressBook_PbxFailure_HistoryAndBox",
     [](FlowWorld& w) {
         ThreeOnTheDesk(w);
         WrongPin(w);
     },
     ToBook,
     1,
     {kWrongPin},
     {"Failed to export PBX contacts to Outlook folder [[SoapError] Invalid user name or PIN]"},
     3,
     0},
    {"FromAddressBook_OneFolder_NoChooser",
     [](FlowWorld& w) {
         w.Card("anna.vcf", "Anna", "Berg", "TEL;TYPE=CELL:0171 111");
         w.Card("ben.vcf", "Ben", "Cole", "TEL;TYPE=WORK:030 222");
         w.front().folder.reset();  // a chooser would be dismissed
         w.front().answers.Expect("confirm-import", kOk);
     },
     FromBook,
     0,
     {"information: Successfully imported 2 contacts to PBX for  Front Desk"},
     {"Import PBX Contacts From Outlook (",
      "Successfully imported 2 contacts to PBX for Front Desk from Outlook folder [DEFAULT]"},
     2,
     2},
    {"FromAddressBook_Declined_NothingImported",
     [](FlowWorld& w) {
         ThreeOnTheDesk(w);
         w.Card("anna.vcf", "Anna", "Berg", "TEL;TYPE=CELL:0171 111");
         w.front().answers.Expect("confirm-import", kCancel);
     },
     FromBook,
     -7,
     {"declined: Action Cancelled!"},
     {},
     3,
     1},
};

class ImportExportFlowsTest : public testing::TestWithParam<TransferCase> {};

TEST_P(ImportExportFlowsTest, HistoryAndMessages) {
    const TransferCase& c = GetParam();
    FlowWorld w;
    c.arrange(w);
    // Only this run's lines: the arrangement may have exported before.
    const std::size_t before = FlowWorld::History().size();

    const Result result = c.run(w);
    w.EndPbx();

    EXPECT_EQ(result.code, c.code) << result.text;
    const std::vector<std::string>& shown = w.front().shown;
    ASSERT_EQ(shown.size(), c.shown.size()) << testing::PrintToString(shown);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i].rfind(c.shown[i], 0), 0u) << shown[i];
    }
    const std::string history = FlowWorld::History().substr(before);
    for (std::string line : c.history) {
        if (const auto at = line.find("{file}"); at != std::string::npos) {
            line.replace(at, 6, w.front().file.value_or(""));
        }
        EXPECT_NE(history.find(" - " + line), std::string::npos) << line << "\n---\n" << history;
    }
    if (c.code != 0) {
        EXPECT_EQ(history.find("Successfully"), std::string::npos) << history;
    }
    if (c.pbxAfter >= 0) {
        EXPECT_EQ(w.PbxCount(), static_cast<std::size_t>(c.pbxAfter));
    }
    if (c.cardsAfter >= 0) {
        EXPECT_EQ(w.CardCount(), c.cardsAfter);
    }
    EXPECT_EQ(w.front().answers.unusedAnswers(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Flows, ImportExportFlowsTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvi
