// Sync Now with the address book as partner: the first-time warning, the history lines of
// each outcome, and what is shown (the result, the failure box, nothing more for a cancel).
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FlowWorld.h"
#include "flows/SyncFlows.h"
#include "sync/Tctrl.h"

namespace korvi {
namespace {

using test::FlowWorld;

struct SyncCase {
    const char* name;
    std::function<void(FlowWorld&)> arrange;
    int code;
    bool firstTime;
    bool syncRan;
    std::vector<std::string> shown;       // the start of each message, in order
    std::vector<std::string> history;     // the start of lines the history holds
    std::vector<std::string> notHistory;  // nor any line starting so
};

void PrintTo(const SyncCase& c, std::ostream* os) { *os << c.name; }

// Two contacts on the desk, one card in the address book.
void TwoAndOne(FlowWorld& w) {
    ASSERT_EQ(w.sim().SeedContacts(2, test::kDesk), 2);
    w.Card("anna.vcf", "Anna", "Berg", "TEL;TYPE=CELL:0171 111");
}

void FirstTimeAnswer(FlowWorld& w, int answer) {
    TwoAndOne(w);
    w.front().answers.Expect("first-time-sync", answer);
}

const char kStarted[] = "Sync started [Manually] - Direction [";
const char kFolderAndDevice[] =
    "] - Outlook Folder [\\\\Personal Folders\\Contacts] - Device "
    "[Front Desk]";

const SyncCase kCases[] = {
    {"FirstTime_Declined_NothingStarts",
     [](FlowWorld& w) { FirstTimeAnswer(w, kCancel); },
     -7,
     true,
     false,
     {"declined: Action Cancelled!"},
     {kStarted},
     {"Successful", "Sync Fail"}},
    {"FirstTime_Accepted_CountsOfBothSides",
     [](FlowWorld& w) { FirstTimeAnswer(w, kOk); },
     0,
     true,
     true,
     {"information: "},
     {kStarted, "Successful Sync - [PBX: 1 added 0 deleted 0 amended] [",
      "] [Outlook: 2 added 0 deleted 0 amended]"},
     {"Sync Fail"}},
    {"Again_NoUpdates",
     [](FlowWorld& w) {
         FirstTimeAnswer(w, kOk);
         ASSERT_TRUE(flows::SyncNow(w.ctx()).result.ok());
         w.front().shown.clear();
     },
     0,
     false,
     true,
     {"information: "},
     {"No updates since last Sync."},
     {"Sync Fail"}},
    {"NoExtensionName_CannotSync",
     [](FlowWorld& w) {
         TwoAndOne(w);
         w.settings().syncContactTypeName.clear();
     },
     -1,
     false,
     false,
     {"error: "},
     {},
     {"Sync started"}},
    {"PbxFailure_HistoryAndBox",
     [](FlowWorld& w) {
         FirstTimeAnswer(w, kOk);
         w.settings().pin = "0000";
     },
     1,
     true,
     true,
     {"error: [SoapError] Invalid user name or PIN (Error Code 1)"},
     {kStarted, "Sync Fail - [SoapError] Invalid user name or PIN (Error Code 1)"},
     {"Successful"}},
    // The cancel's own line is the only one: no "Sync Fail" line, no box.
    {"CancelledInTheProgress_TheCancelLineOnly",
     [](FlowWorld& w) {
         FirstTimeAnswer(w, kOk);
         w.sim().SetDelayMs(60000);
         w.front().cancelAction = true;
         w.front().cancelOnly = kActSyncContacts;
     },
     -7,
     true,
     true,
     {"cancelled: Action Cancelled!"},
     {kStarted, "Fail: Action cancelled"},
     {"Sync Fail", "Successful"}},
};

class SyncFlowsTest : public testing::TestWithParam<SyncCase> {};

TEST_P(SyncFlowsTest, HistoryAndMessages) {
    const SyncCase& c = GetParam();
    FlowWorld w;
    c.arrange(w);
    // Only this run's lines: the arrangement may have synced before.
    const std::size_t before = FlowWorld::History().size();

    const flows::SyncOutcome outcome = flows::SyncNow(w.ctx());
    w.EndPbx();

    EXPECT_EQ(outcome.result.code, c.code) << outcome.result.text;
    EXPECT_EQ(outcome.firstTime, c.firstTime);
    EXPECT_EQ(outcome.syncRan, c.syncRan);
    const std::vector<std::string>& shown = w.front().shown;
    ASSERT_EQ(shown.size(), c.shown.size()) << testing::PrintToString(shown);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i].rfind(c.shown[i], 0), 0u) << shown[i];
    }
    const std::string history = FlowWorld::History().substr(before);
    for (const std::string& line : c.history) {
        EXPECT_NE(history.find(line.front() == ']' ? line : " - " + line), std::string::npos)
            << line << "\n---\n"
            << history;
    }
    if (!c.history.empty() && c.history.front() == kStarted) {
        EXPECT_NE(history.find(kFolderAndDevice), std::string::npos) << history;
    }
    for (const std::string& line : c.notHistory) {
        EXPECT_EQ(history.find(" - " + line), std::string::npos) << line << "\n---\n" << history;
    }
    EXPECT_EQ(w.front().answers.unusedAnswers(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Flows, SyncFlowsTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvi
