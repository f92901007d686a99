// CarryOutAction, the one way every flow runs a numbered action: the connection values and
// their checks before any request, the contact type check of the actions that work on one
// phonebook, the sync's history line when those checks fail, the PBX's own failures, and a
// cancel in the progress.
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "FlowWorld.h"
#include "flows/CarryOutAction.h"
#include "sync/Tctrl.h"

namespace korvi {
namespace {

using test::FlowWorld;

struct CarryOutCase {
    const char* name;
    int action;
    std::function<void(FlowWorld&)> arrange;
    int code;
    std::string text;     // the start of the result text
    std::string history;  // a line the history must hold ("" for none of the check's)
    int requests;  // 0: none, 1: at least one, -1: either (a cancel may come before the first)
};

void PrintTo(const CarryOutCase& c, std::ostream* os) { *os << c.name; }

void Pbx(FlowWorld& w) {
    w.services().pbx.contactType = test::kDesk;
    w.services().pbx.contactTypeName = test::kDeskName;
}

const CarryOutCase kCases[] = {
    {"UrlWithoutScheme_RefusedBeforeAnyRequest", kActExportContactsToXMLFile,
     [](FlowWorld& w) { w.settings().pbxUrl = "127.0.0.1"; }, -3,
     "Url must begin with http:// or https://", "", 0},
    {"TimeoutAboveSixty_RefusedBeforeAnyRequest", kActCheckService,
     [](FlowWorld& w) { w.settings().connTimeout = "61"; }, -1,
     "Connection Timeout must be an integer value between 2 and 60", "", 0},
    {"UserNameWithQuote_RefusedBeforeAnyRequest", kActGetExtnInfo,
     [](FlowWorld& w) { w.settings().userName = "al'ice"; }, -4, "", "", 0},
    {"ShortPin_RefusedBeforeAnyRequest", kActCheckService,
     [](FlowWorld& w) { w.settings().pin = "12"; }, -5, "", "", 0},
    {"SyncRefused_WritesTheSyncFailedLine", kActSyncContacts,
     [](FlowWorld& w) { w.settings().pbxUrl = "ftp://127.0.0.1"; }, -3,
     "Url must begin with http:// or https://",
     "Sync Failed: Url must begin with http:// or https:// ErrCode -3", 0},
    {"NoExtensionName_ContactTypeRefused", kActDeleteContacts,
     [](FlowWorld& w) { w.services().pbx.contactTypeName.clear(); }, -1, "Invalid ContactType", "",
     0},
    {"NumberAboveTheExtensions_ContactTypeRefused", kActExportContactsToCSVFile,
     [](FlowWorld& w) { w.services().pbx.contactType = 5000; }, -1, "Invalid ContactType - 5000",
     "", 0},
    {"CheckServiceIgnoresTheContactType", kActCheckService,
     [](FlowWorld& w) { w.services().pbx.contactTypeName.clear(); }, 0, "", "", 1},
    {"WrongPin_ThePbxsCodeAndText", kActCheckService,
     [](FlowWorld& w) { w.settings().pin = "0000"; }, 1, "[SoapError] Invalid user name or PIN", "",
     1},
    {"CancelInTheProgress_MinusSevenAndTheCancelLine", kActGetExtnInfo,
     [](FlowWorld& w) {
         w.sim().SetDelayMs(60000);
         w.front().cancelAction = true;
     },
     -7, "Action Cancelled!", "Fail: Action cancelled", -1},
};

class CarryOutActionTest : public testing::TestWithParam<CarryOutCase> {};

TEST_P(CarryOutActionTest, ChecksRunsAndLeavesTheResult) {
    const CarryOutCase& c = GetParam();
    FlowWorld w;
    Pbx(w);
    c.arrange(w);

    const int code = flows::CarryOutAction(w.ctx(), c.action);
    const Result result = flows::LastResult(w.ctx());
    w.EndPbx();

    EXPECT_EQ(code, c.code) << result.text;
    EXPECT_EQ(result.code, c.code);
    EXPECT_EQ(result.text.rfind(c.text, 0), 0u) << result.text;
    if (c.requests >= 0) {
        EXPECT_EQ(w.sim().RequestCount() > 0, c.requests == 1);
    }
    EXPECT_NE(FlowWorld::Log().find("LOG: CarryOutAction: " + std::string(ActionName(c.action)) +
                                    " (Silent: 0)"),
              std::string::npos);
    const std::string history = FlowWorld::History();
    if (!c.history.empty()) {
        EXPECT_NE(history.find(c.history + "\n"), std::string::npos) << history;
    } else {
        EXPECT_EQ(history.find("Sync Failed"), std::string::npos) << history;
    }
    // CarryOutAction shows nothing itself: the flow that called it reports.
    EXPECT_TRUE(w.front().shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Flows, CarryOutActionTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvi
