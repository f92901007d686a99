#include <signal.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Log.h"
#include "cli/ActionRunner.h"
#include "cli/ArgParser.h"
#include "cli/CliProgress.h"
#include "cli/CliPrompt.h"
#include "cli/CliTestSupport.h"
#include "cli/InterruptGuard.h"
#include "common/TestEnv.h"
#include "services/Services.h"

namespace korvi {
namespace {

using namespace std::chrono_literals;
using test::CliRun;

// A command like the real ones: fills an input, runs the action, reports.
class RunActionCommand final : public cli::Command {
public:
    std::string_view Name() const override { return "run-action"; }
    std::string_view Summary() const override { return "Run one action"; }
    std::string Usage() const override { return "korvi run-action --action N [--silent]"; }
    std::vector<cli::OptionSpec> Options() const override {
        return {{"action", "N", "action number"}, {"silent", "", "no progress"}};
    }
    int Run(const cli::ParsedArgs& args, cli::CliIo& io) override {
        int action = 0;
        if (!cli::ParseInt(args.ValueOr("action", ""), action)) {
            return cli::UsageError(io, *this, "--action needs a number");
        }
        io.services().ctrl.fileName = "input.xml";
        cli::ActionRunner runner(io);
        if (runner.Run(action, args.Has("silent") ? 1 : 0) != 0) return runner.ReportFailure();
        io.out() << "done: " << io.services().ctrl.resultText() << '\n';
        return cli::kExitOk;
    }
};

class CliActionTest : public testing::Test {
protected:
    void SetUp() override {
        SetLogsFolder(test::MakeTempDir("logs"));
        registry.Add<RunActionCommand>();
    }

    // Services whose controller runs the given bodies, without the lifecycle sleeps.
    void UseBodies(CliRun& run, std::vector<std::pair<int, Tctrl::ActionBody>> bodies) {
        run.io.SetServicesFactory([bodies = std::move(bodies)] {
            auto services = std::make_unique<Services>();
            services->ctrl.SetWorkerSleeps(0ms, 0ms);
            for (const auto& [action, body] : bodies) services->ctrl.SetActionBody(action, body);
            return services;
        });
    }

    std::string History() const { return test::ReadFile(HistoryFilePath()); }

    cli::CommandRegistry registry;
};

TEST_F(CliActionTest, Success_ExitsZeroWithTheBodysInputsAndResult) {
    CliRun run;
    UseBodies(run, {{kActExportContactsToXMLFile,
                     [](Tctrl& c, const StopFlag&) { c.SetResult(0, "exported " + c.fileName); }}});
    EXPECT_EQ(run.Run({"run-action", "--action", "5"}, registry), cli::kExitOk);
    EXPECT_EQ(run.out.str(), "done: exported input.xml\n");
    EXPECT_EQ(run.err.str(), "");
    EXPECT_EQ(run.io.services().ctrl.busy(), 0);
    EXPECT_EQ(run.io.services().ctrl.silent, 0);
    EXPECT_EQ(run.io.services().ctrl.action, kActExportContactsToXMLFile);
}

struct FailureCase {
    const char* name;
    int action;
    const char* stderrText;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

const FailureCase kFailureCases[] = {
    {"BodyFailure_TextAndCode", kActImportContactsFromXMLFile,
     "Cannot read input.xml (Error Code -1)\n"},
    {"NoBody_NotAvailable", kActGetOutlookFolderInfo,
     "The action GetOutlookFolderInfo is not available in this version. (Error Code -30)\n"},
    {"RefusedNumber_InvalidAction", 19, "Invalid PBX Action! (Error Code -6)\n"},
    {"EscapingException_Failure", kActDeleteContacts, "boom (Error Code -31)\n"},
};

class CliActionFailureTest : public CliActionTest,
                             public testing::WithParamInterface<FailureCase> {};

TEST_P(CliActionFailureTest, ExitsOneWithTextAndErrorCode) {
    CliRun run;
    UseBodies(
        run,
        {{kActImportContactsFromXMLFile,
          [](Tctrl& c, const StopFlag&) { c.SetResult(-1, "Cannot read " + c.fileName); }},
         {kActDeleteContacts, [](Tctrl&, const StopFlag&) { throw std::runtime_error("boom"); }}});
    const std::string action = std::to_string(GetParam().action);
    EXPECT_EQ(run.Run({"run-action", "--action", action, "--silent"}, registry), cli::kExitFailure);
    EXPECT_EQ(run.err.str(), GetParam().stderrText);
    EXPECT_EQ(run.out.str(), "");
}

INSTANTIATE_TEST_SUITE_P(Failures, CliActionFailureTest, testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CliActionTest, FailedPreStartCheck_StartsNoWorkerAndWritesSyncHistory) {
    CliRun run;
    std::atomic<bool> bodyRan{false};
    run.io.SetServicesFactory([&] {
        auto services = std::make_unique<Services>();
        services->ctrl.SetActionBody(kActSyncContacts,
                                     [&](Tctrl&, const StopFlag&) { bodyRan = true; });
        services->AddPreStartCheck([](int action) {
            if (action == kActFindServersOnLan) return Result();
            return Result(-3, "Invalid URL");
        });
        return services;
    });
    EXPECT_EQ(run.Run({"run-action", "--action", "18"}, registry), cli::kExitFailure);
    EXPECT_EQ(run.err.str(), "Invalid URL (Error Code -3)\n");
    EXPECT_FALSE(bodyRan);
    EXPECT_EQ(run.io.services().ctrl.busy(), 0);
    EXPECT_NE(History().find(" - Sync Failed: Invalid URL ErrCode -3\n"), std::string::npos)
        << History();
}

TEST_F(CliActionTest, CancelRequest_CancelsWaitsForTheWorkerAndReportsCancelled) {
    CliRun run;
    std::atomic<bool> bodyStarted{false};
    std::atomic<bool> bodyEnded{false};
    UseBodies(run, {{kActSyncContacts, [&](Tctrl& c, const StopFlag&) {
                         bodyStarted = true;
                         EXPECT_TRUE(c.WaitForStop(10s));
                         bodyEnded = true;
                     }}});
    // Ctrl-C, as the tool's wait sees it, once the body runs.
    run.io.SetCancelCheck([&] { return bodyStarted.load(); });
    EXPECT_EQ(run.Run({"run-action", "--action", "18"}, registry), cli::kExitFailure);
    EXPECT_TRUE(bodyEnded);
    EXPECT_EQ(run.err.str(), "Cancelling...\nAction Cancelled!\n");
    EXPECT_NE(History().find(" - Fail: Action cancelled\n"), std::string::npos);
}

TEST_F(CliActionTest, CtrlC_WhileTheActionRuns_CancelsIt) {
    CliRun run;
    run.io.SetCatchInterrupt(true);
    UseBodies(run, {{kActImportContactsFromOutlook, [](Tctrl& c, const StopFlag&) {
                         // The terminal's Ctrl-C, delivered while the load runs.
                         ASSERT_EQ(::raise(SIGINT), 0);
                         EXPECT_TRUE(c.WaitForStop(10s));
                     }}});
    EXPECT_EQ(run.Run({"run-action", "--action", "11"}, registry), cli::kExitFailure);
    EXPECT_EQ(run.err.str(), "Cancelling...\nAction Cancelled!\n");
}

TEST(InterruptGuardTest, CatchesOneCtrlCAndRestoresTheHandlerFoundBefore) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    struct sigaction before {};
    ASSERT_EQ(::sigaction(SIGINT, &ignore, &before), 0);
    {
        cli::InterruptGuard guard;
        EXPECT_FALSE(cli::InterruptGuard::Interrupted());
        ASSERT_EQ(::raise(SIGINT), 0);
        EXPECT_TRUE(cli::InterruptGuard::Interrupted());
        struct sigaction now {};
        ASSERT_EQ(::sigaction(SIGINT, nullptr, &now), 0);
        // A second Ctrl-C is no longer caught.
        EXPECT_EQ(now.sa_handler, SIG_DFL);
    }
    struct sigaction after {};
    ASSERT_EQ(::sigaction(SIGINT, &before, &after), 0);
    EXPECT_EQ(after.sa_handler, SIG_IGN);
    // A new guard starts without the old interrupt.
    cli::InterruptGuard fresh;
    EXPECT_FALSE(cli::InterruptGuard::Interrupted());
}

TEST_F(CliActionTest, WorkerQuestion_IsAnsweredFromTheTerminal) {
    CliRun run("y\n", /*inIsTerminal=*/true);
    UseBodies(run, {{kActDeleteContacts, [](Tctrl& c, const StopFlag&) {
                         Question q;
                         q.id = "confirm-delete";
                         q.caption = "Warning";
                         q.text = "Delete all contacts?";
                         c.SetResult(c.prompt()->Ask(q) == kOk ? 0 : -7, "asked");
                     }}});
    EXPECT_EQ(run.Run({"run-action", "--action", "4"}, registry), cli::kExitOk);
    EXPECT_EQ(run.err.str(), "\nWarning\nDelete all contacts?\nGo ahead? [y/N] ");
}

// ---- The prompt on its own. ----

struct PromptCase {
    const char* name;
    Question::Kind kind;
    bool yes;
    bool terminal;
    std::optional<int> similarAnswer;
    const char* input;
    int expected;
};

void PrintTo(const PromptCase& c, std::ostream* os) { *os << c.name; }

const auto kConfirm = Question::Kind::Confirm;
const auto kSimilar = Question::Kind::SimilarContact;

const PromptCase kPromptCases[] = {
    {"ConfirmYesOption_Ok", kConfirm, true, false, {}, "", kOk},
    {"ConfirmNoTerminal_Cancel", kConfirm, false, false, {}, "y\n", kCancel},
    {"ConfirmTypedYes_Ok", kConfirm, false, true, {}, "Yes\n", kOk},
    {"ConfirmTypedOk_Ok", kConfirm, false, true, {}, " ok \n", kOk},
    {"ConfirmTypedNo_Cancel", kConfirm, false, true, {}, "n\n", kCancel},
    {"ConfirmEmptyLine_Cancel", kConfirm, false, true, {}, "\n", kCancel},
    {"ConfirmEndOfInput_Cancel", kConfirm, false, true, {}, "", kCancel},
    {"ConfirmRetriesThenYes_Ok", kConfirm, false, true, {}, "maybe\nsure\ny\n", kOk},
    {"ConfirmGarbageThreeTimes_Cancel", kConfirm, false, true, {}, "a\nb\nc\ny\n", kCancel},
    {"SimilarSetAnswer_Used", kSimilar, false, false, kUsePartner, "", kUsePartner},
    {"SimilarSetAnswerBeatsTerminal", kSimilar, false, true, kRetainBoth, "1\n", kRetainBoth},
    {"SimilarYesOptionWithoutAnswer_Cancel", kSimilar, true, false, {}, "", kCancel},
    {"SimilarTypedChoice", kSimilar, false, true, {}, "2\n", kUsePartner},
    {"SimilarOutOfRangeThenChoice", kSimilar, false, true, {}, "4\n-1\n3\n", kRetainBoth},
    {"SimilarTypedZero_Cancel", kSimilar, false, true, {}, "0\n", kCancel},
    {"SimilarEndOfInput_Cancel", kSimilar, false, true, {}, "", kCancel},
};

class CliPromptTest : public testing::TestWithParam<PromptCase> {};

TEST_P(CliPromptTest, Answers) {
    const PromptCase& c = GetParam();
    CliRun run(c.input, c.terminal);
    run.io.globals().yes = c.yes;
    run.io.prompt().SetSimilarAnswer(c.similarAnswer);
    Question q;
    q.kind = c.kind;
    q.id = "q";
    q.caption = "Similar Contacts detected";
    q.text = "Proceed?";
    q.heading = "Similar Contacts have been detected in PBX and Outlook. Choose Action!";
    q.pbxCaption = "PBX Contact:";
    q.partnerCaption = "Outlook Contact:";
    q.pbxLines = {"First Name: Anna", "Number: 0171 234 [Mob]"};
    q.partnerLines = {"First Name: Ana"};
    q.buttons = {"Use PBX Contact", "Use Outlook Contact", "Retain Both", "Cancel"};
    EXPECT_EQ(run.io.prompt().Ask(q), c.expected);
    // The question is always shown, so that an unattended log says what was decided.
    const std::string shown = run.err.str();
    if (c.kind == kSimilar) {
        EXPECT_NE(shown.find("    Number: 0171 234 [Mob]\n"), std::string::npos) << shown;
        EXPECT_NE(shown.find("  Outlook Contact:\n    First Name: Ana\n"), std::string::npos);
    } else {
        EXPECT_NE(shown.find("Proceed?\n"), std::string::npos) << shown;
    }
    EXPECT_EQ(run.out.str(), "");
}

INSTANTIATE_TEST_SUITE_P(Answers, CliPromptTest, testing::ValuesIn(kPromptCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- The progress line. ----

TEST(CliProgressTest, FormatLine_ShowsPercentOnlyWithTheBarAndCutsWholeCharacters) {
    ProgressState s;
    s.progressText = "Loading contacts from PBX...\n";
    s.progressPosition = 42;
    EXPECT_EQ(cli::CliProgress::FormatLine(s), "Loading contacts from PBX... ");
    s.progressBarVisible = 1;
    EXPECT_EQ(cli::CliProgress::FormatLine(s), "Loading contacts from PBX...   42%");
    s.progressPosition = 250;
    EXPECT_EQ(cli::CliProgress::FormatLine(s), "Loading contacts from PBX...  100%");

    s.progressText = "J\xC3\xBCrgen";  // "Jürgen": the cut must not split the ü
    s.progressBarVisible = 0;
    EXPECT_EQ(cli::CliProgress::FormatLine(s, 2), "J");
    EXPECT_EQ(cli::CliProgress::FormatLine(s, 3), "J\xC3\xBC");
    s.progressBarVisible = 1;
    EXPECT_EQ(cli::CliProgress::FormatLine(s, 3), " 100%");  // no room left for the text
}

TEST(CliProgressTest, DrawsOnATerminalOnlyAndClearsAtTheEnd) {
    ProgressState s;
    s.progressText = "Saving";
    {
        CliRun pipe;
        cli::CliProgress progress(pipe.io);
        progress.Update(s);
        progress.Finish();
        EXPECT_EQ(pipe.err.str(), "");
    }
    CliRun terminal({}, false, /*errIsTerminal=*/true);
    {
        cli::CliProgress progress(terminal.io);
        progress.Update(s);
        progress.Update(s);  // unchanged: not drawn again
        terminal.io.BeginQuestion();
        terminal.io.EndQuestion();
        progress.Update(s);  // the question cleared it: drawn again
    }
    EXPECT_EQ(terminal.err.str(), "\rSaving\x1b[K\r\x1b[K\rSaving\x1b[K\r\x1b[K");
}

}  // namespace
}  // namespace korvi
