#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "app/Log.h"
#include "app/ScriptedPrompt.h"
#include "app/Texts.h"
#include "common/TestEnv.h"
#include "sync/Tctrl.h"

namespace korvi {
namespace {

using namespace std::chrono_literals;

// Bound for every wait in these tests; a correct controller needs milliseconds.
constexpr auto kDeadline = 10s;

// A one-shot signal between the test thread and the worker.
class Latch {
public:
    void Open() {
        {
            std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_changed.notify_all();
    }
    bool Wait(std::chrono::milliseconds timeout = kDeadline) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [this] { return m_open; });
    }
    bool IsOpen() {
        std::lock_guard lock(m_mutex);
        return m_open;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};

class ControllerTest : public testing::Test {
protected:
    void SetUp() override {
        m_logs = test::MakeTempDir("logs");
        SetLogsFolder(m_logs);
        SetDetailedLogging(true);
        // The lifecycle sleeps are tested on their own; elsewhere they only slow the tests.
        ctrl.SetWorkerSleeps(0ms, 0ms);
    }
    void TearDown() override { SetDetailedLogging(false); }

    void Start(int action) {
        ctrl.action = action;
        ctrl.SetBusy(1);
        ctrl.StartAction();
    }

    std::string History() const { return test::ReadFile(HistoryFilePath()); }
    std::string DetailedLog() const { return test::ReadFile(DetailedLogFilePath()); }

    std::filesystem::path m_logs;
    Tctrl ctrl;
};

TEST_F(ControllerTest, CancelDuringLongBody_LeavesCancelledResultAndHistoryLine) {
    Latch started;
    std::atomic<bool> sawStop{false};
    ctrl.SetActionBody(kActSyncContacts, [&](Tctrl& c, const StopFlag& stop) {
        started.Open();
        // A long load that checks the flag between contacts; it stops without a result of
        // its own, so the cancel's result stands.
        sawStop = c.WaitForStop(kDeadline) && stop.load();
    });
    Start(kActSyncContacts);
    ASSERT_TRUE(started.Wait());
    EXPECT_EQ(ctrl.busy(), 1);

    ctrl.CancelAction();
    ASSERT_TRUE(ctrl.WaitUntilIdle(kDeadline));

    EXPECT_TRUE(sawStop);
    EXPECT_EQ(ctrl.resultCode(), kResultCancelled);
    EXPECT_EQ(ctrl.resultText(), "Action Cancelled!");
    EXPECT_EQ(ctrl.resultText(), Text(kTextActionCancelled));
    EXPECT_NE(History().find(" - Fail: Action cancelled\n"), std::string::npos) << History();
    EXPECT_NE(DetailedLog().find(" - LOG: CancelAction\n"), std::string::npos);
}

TEST_F(ControllerTest, BodyFinishingAfterCancel_MayOverwriteTheResult) {
    Latch started;
    ctrl.SetActionBody(kActCheckService, [&](Tctrl& c, const StopFlag&) {
        started.Open();
        if (c.WaitForStop(kDeadline)) c.SetResult(-2, "[Exception] stopped");
    });
    Start(kActCheckService);
    ASSERT_TRUE(started.Wait());
    ctrl.CancelAction();
    ASSERT_TRUE(ctrl.WaitUntilIdle(kDeadline));
    EXPECT_EQ(ctrl.resultCode(), -2);
    EXPECT_EQ(ctrl.resultText(), "[Exception] stopped");
}

// The later partners' transfers are numbered apart from the table and run like the others.
TEST_F(ControllerTest, LaterActionsRunTheirOwnBodies) {
    std::vector<int> ran;
    for (int a : {kActExportContactsToCardDav, kActImportContactsFromCardDav, kActSyncContacts}) {
        ctrl.SetActionBody(a, [&ran, a](Tctrl&, const StopFlag&) { ran.push_back(a); });
    }
    for (int a : {kActImportContactsFromCardDav, kActExportContactsToCardDav}) {
        Start(a);
        ASSERT_TRUE(ctrl.WaitUntilIdle(kDeadline));
        EXPECT_EQ(ctrl.resultCode(), kResultOk);
    }
    EXPECT_EQ(ran, (std::vector<int>{kActImportContactsFromCardDav, kActExportContactsToCardDav}));
}

class InvalidActionTest : public ControllerTest, public testing::WithParamInterface<int> {};

TEST_P(InvalidActionTest, IsRefusedWithoutWorker) {
    std::atomic<int> bodiesRun{0};
    for (int a = 0; a < kActionCount; ++a) {
        ctrl.SetActionBody(a, [&](Tctrl&, const StopFlag&) { ++bodiesRun; });
    }
    Start(GetParam());
    // Refused synchronously: busy is already back to 0 when StartAction returns.
    EXPECT_EQ(ctrl.busy(), 0);
    EXPECT_EQ(ctrl.resultCode(), kResultInvalidAction);
    EXPECT_EQ(ctrl.resultText(), "Invalid PBX Action!");
    EXPECT_EQ(bodiesRun.load(), 0);

    // The controller is still usable afterwards.
    Start(kActGetExtnInfo);
    ASSERT_TRUE(ctrl.WaitUntilIdle(kDeadline));
    EXPECT_EQ(bodiesRun.load(), 1);
    EXPECT_EQ(ctrl.resultCode(), kResultOk);
}

INSTANTIATE_TEST_SUITE_P(Numbers, InvalidActionTest,
                         testing::Values(19, 20, 99, 102, 1000, -1, INT32_MIN),
                         [](const auto& info) {
                             return info.param < 0 ? "Negative" + std::to_string(info.index)
                                                   : "Number" + std::to_string(info.param);
                         });

TEST_F(ControllerTest, BusyDropsOnlyAfterBodyResultAndClosingSleep) {
    std::mutex mutex;
    std::vector<std::chrono::milliseconds> sleeps;
    Latch inClosingSleep;
    Latch releaseClosingSleep;
    std::atomic<bool> bodyReturned{false};

    ctrl.SetWorkerSleeps(10ms, 100ms);
    ctrl.SetSleepFunction([&](std::chrono::milliseconds d) {
        bool closing = false;
        {
            std::lock_guard lock(mutex);
            sleeps.push_back(d);
            closing = sleeps.size() == 2;
        }
        if (closing) {
            inClosingSleep.Open();
            ASSERT_TRUE(releaseClosingSleep.Wait());
        }
    });
    ctrl.SetActionBody(kActExportContactsToXMLFile, [&](Tctrl& c, const StopFlag&) {
        EXPECT_EQ(c.busy(), 1);
        c.SetResult(-1, "disk full");
        bodyReturned = true;
    });

    Start(kActExportContactsToXMLFile);
    ASSERT_TRUE(inClosingSleep.Wait());
    EXPECT_TRUE(bodyReturned);
    EXPECT_EQ(ctrl.busy(), 1);
    EXPECT_FALSE(ctrl.WaitUntilIdle(0ms));
    // The result is in place before busy drops.
    EXPECT_EQ(ctrl.resultCode(), -1);

    releaseClosingSleep.Open();
    ASSERT_TRUE(ctrl.WaitUntilIdle(kDeadline));
    EXPECT_EQ(ctrl.busy(), 0);
    EXPECT_EQ(ctrl.resultText(), "disk full");
    std::lock_guard lock(mutex);
    EXPECT_EQ(sleeps, (std::vector<std::chrono::milliseconds>{10ms, 100ms}));
}

TEST_F(ControllerTest, BusyReadsOneAtLeast100msAfterBodyReturned) {
    ctrl.SetWorkerSleeps(10ms, 100ms);  // the real sleeps
    std::chrono::steady_clock::time_point returned;
    ctrl.SetActionBody(kActCheckService, [&](Tctrl&, const StopFlag&) {
        returned = std::chrono::steady_clock::now();
    });
    Start(kActCheckService);
    ASSERT_TRUE(ctrl.WaitUntilIdle(kDeadline));
    // Only a lower bound: sleep_for never wakes early, however loaded the machine is.
    EXPECT_GE(std::chrono::steady_clock::now() - returned, 100ms);
}

TEST_F(ControllerTest, UnregisteredAction_FailsAsNotAvailable) {
    Start(kActGetOutlookVersion);
    ASSERT_TRUE(ctrl.WaitUntilIdle(kDeadline));
    EXPECT_EQ(ctrl.resultCode(), kResultActionNotAvailable);
    EXPECT_NE(ctrl.resultText().find("GetOutlookVersion"), std::string::npos) << ctrl.resultText();
    EXPECT_NE(ctrl.resultText().find("not available"), std::string::npos);
    EXPECT_NE(DetailedLog().find("ERR: CTRL: Action not available: GetOutlookVersion"),
              std::string::npos);
}

TEST_F(ControllerTest, EscapingExceptions_BecomeFailedResults) {
    ctrl.SetActionBody(kActImportContactsFromXMLFile,
                       [](Tctrl&, const StopFlag&) { throw std::runtime_error("bad file"); });
    ctrl.SetActionBody(kActDeleteContacts, [](Tctrl&, const StopFlag&) { throw 42; });

    Start(kActImportContactsFromXMLFile);
    ASSERT_TRUE(ctrl.WaitUntilIdle(kDeadline));
    EXPECT_EQ(ctrl.resultCode(), kResultActionException);
    EXPECT_EQ(ctrl.resultText(), "bad file");
    EXPECT_NE(DetailedLog().find("ERR: CTRL: Exception: ImportContactsFromXMLFile: bad file"),
              std::string::npos);

    Start(kActDeleteContacts);
    ASSERT_TRUE(ctrl.WaitUntilIdle(kDeadline));
    EXPECT_EQ(ctrl.resultCode(), kResultActionException);
    EXPECT_EQ(ctrl.resultText(), "unknown exception");
}

TEST_F(ControllerTest, NextStart_ResetsStopFlagAndResult) {
    ctrl.SetActionBody(kActCheckService, [](Tctrl& c, const StopFlag& stop) {
        c.SetResult(stop.load() ? -99 : 0, stop.load() ? "stale stop flag" : "");
    });
    ctrl.CancelAction();  // a cancel with nothing running leaves the flag set
    EXPECT_EQ(ctrl.resultCode(), kResultCancelled);
    Start(kActCheckService);
    ASSERT_TRUE(ctrl.WaitUntilIdle(kDeadline));
    EXPECT_EQ(ctrl.resultCode(), kResultOk);
    EXPECT_EQ(ctrl.resultText(), "");
}

TEST_F(ControllerTest, StartWhileCancelledWorkerWindsDown_RunsBodiesOneAfterTheOther) {
    Latch firstStarted;
    std::atomic<bool> firstEnded{false};
    std::atomic<bool> overlapped{false};
    ctrl.SetActionBody(kActSyncContacts, [&](Tctrl& c, const StopFlag&) {
        firstStarted.Open();
        ASSERT_TRUE(c.WaitForStop(kDeadline));
        c.pbxContactList.clear();
        firstEnded = true;
    });
    ctrl.SetActionBody(kActExportContactsToCSVFile, [&](Tctrl& c, const StopFlag&) {
        overlapped = !firstEnded.load();
        c.pbxContactList.push_back(std::make_unique<TContact>());
    });
    Start(kActSyncContacts);
    ASSERT_TRUE(firstStarted.Wait());
    // The window returns at once on Cancel; the user may start the next action right away.
    ctrl.CancelAction();
    Start(kActExportContactsToCSVFile);
    ASSERT_TRUE(ctrl.WaitUntilIdle(kDeadline));
    EXPECT_TRUE(firstEnded);
    EXPECT_FALSE(overlapped);
    EXPECT_EQ(ctrl.pbxContactList.size(), 1u);
}

TEST_F(ControllerTest, ProgressReaderAlwaysSeesOneConsistentState) {
    constexpr int kSteps = 2000;
    ctrl.SetActionBody(kActImportContactsFromOutlook, [](Tctrl& c, const StopFlag&) {
        c.SetProgress(1, 0, 1);
        for (int i = 0; i < kSteps; ++i) {
            const int pos = LoopPosition(i, kSteps);
            c.SetProgressText(std::to_string(pos), pos);
        }
        c.WithProgressLock([](ProgressState& s) {
            s.progressText = "done";
            s.progressPosition = -1;
            s.cancelEnabled = 0;
        });
    });
    Start(kActImportContactsFromOutlook);
    int reads = 0;
    bool consistent = true;
    while (!ctrl.WaitUntilIdle(0ms)) {
        const ProgressState s = ctrl.ReadProgress();
        ++reads;
        if (s.progressText.empty() || s.progressText == "done") continue;
        consistent = consistent && s.progressText == std::to_string(s.progressPosition) &&
                     s.progressBarVisible == 1 && s.progressBarEnabled == 1 &&
                     s.cancelVisible == 1 && s.cancelEnabled == 1;
        if (reads > 10'000'000) break;  // bound; the body ends long before
    }
    ASSERT_TRUE(ctrl.WaitUntilIdle(kDeadline));
    EXPECT_TRUE(consistent);
    const ProgressState end = ctrl.ReadProgress();
    EXPECT_EQ(end.progressText, "done");
    EXPECT_EQ(end.progressPosition, -1);
    EXPECT_EQ(end.cancelVisible, 1);
    EXPECT_EQ(end.cancelEnabled, 0);
}

TEST_F(ControllerTest, SetProgress_SetsVisibleAndEnabledTogether) {
    ctrl.SetProgressText("Loading", 40);
    ctrl.SetProgress(1, 7, 0);
    ProgressState s = ctrl.ReadProgress();
    EXPECT_EQ(s.progressText, "Loading");
    EXPECT_EQ(s.progressBarVisible, 1);
    EXPECT_EQ(s.progressBarEnabled, 1);
    EXPECT_EQ(s.progressPosition, 7);
    EXPECT_EQ(s.cancelVisible, 0);
    EXPECT_EQ(s.cancelEnabled, 0);
    ctrl.SetProgress(0, 0, 1);
    s = ctrl.ReadProgress();
    EXPECT_EQ(s.progressBarVisible, 0);
    EXPECT_EQ(s.progressBarEnabled, 0);
    EXPECT_EQ(s.cancelVisible, 1);
    EXPECT_EQ(s.cancelEnabled, 1);
}

TEST_F(ControllerTest, BodyQuestion_BlocksWorkerUntilAnswered) {
    test::ScriptedPrompt prompt;
    prompt.Expect("pbx-deletes", kOk);
    prompt.Expect("similar-contact", kRetainBoth);
    ctrl.SetPrompt(&prompt);
    ctrl.SetActionBody(kActSyncContacts, [](Tctrl& c, const StopFlag&) {
        Question confirm;
        confirm.id = "pbx-deletes";
        Question similar;
        similar.kind = Question::Kind::SimilarContact;
        similar.id = "similar-contact";
        const int first = c.prompt()->Ask(confirm);
        const int second = c.prompt()->Ask(similar);
        c.SetResultCode(first * 10 + second);
    });
    Start(kActSyncContacts);
    ASSERT_TRUE(ctrl.WaitUntilIdle(kDeadline));
    EXPECT_EQ(ctrl.resultCode(), kOk * 10 + kRetainBoth);
    EXPECT_EQ(prompt.askedIds(), (std::vector<std::string>{"pbx-deletes", "similar-contact"}));
    EXPECT_EQ(prompt.unusedAnswers(), 0u);
}

TEST(ScriptedPromptTest, UnexpectedQuestion_FailsTheTestAndAnswersCancel) {
    test::ScriptedPrompt prompt;
    prompt.Expect("confirm-import", kOk);
    Question q;
    q.id = "confirm-delete";
    q.text = "Delete all?";
    int answer = -1;
    EXPECT_NONFATAL_FAILURE(answer = prompt.Ask(q), "unexpected question 'confirm-delete'");
    EXPECT_EQ(answer, kCancel);
    EXPECT_EQ(prompt.unusedAnswers(), 1u);
    q.id = "confirm-import";
    EXPECT_EQ(prompt.Ask(q), kOk);
    // Its queue is used up: asking again is unexpected too.
    EXPECT_NONFATAL_FAILURE(answer = prompt.Ask(q), "unexpected question 'confirm-import'");
    EXPECT_EQ(prompt.askedIds().size(), 3u);
}

TEST(ControllerLifetimeTest, DestructorStopsAndJoinsRunningWorker) {
    std::atomic<bool> bodyEnded{false};
    Latch started;
    {
        Tctrl ctrl;
        ctrl.SetWorkerSleeps(0ms, 0ms);
        ctrl.SetActionBody(kActLoginToGmail, [&](Tctrl& c, const StopFlag&) {
            started.Open();
            EXPECT_TRUE(c.WaitForStop(kDeadline));
            bodyEnded = true;
        });
        ctrl.action = kActLoginToGmail;
        ctrl.SetBusy(1);
        ctrl.StartAction();
        ASSERT_TRUE(started.Wait());
        EXPECT_FALSE(ctrl.WaitUntilIdle(0ms));
    }
    EXPECT_TRUE(bodyEnded);
}

TEST(ControllerStateTest, StartsEmpty) {
    Tctrl ctrl;
    EXPECT_EQ(ctrl.resultCode(), 0);
    EXPECT_EQ(ctrl.resultText(), "");
    EXPECT_EQ(ctrl.busy(), 0);
    EXPECT_TRUE(ctrl.WaitUntilIdle(0ms));
    EXPECT_FALSE(ctrl.WaitForStop(0ms));
    EXPECT_TRUE(ctrl.pbxContactList.empty());
    EXPECT_EQ(ctrl.action, 0);
    EXPECT_EQ(ctrl.prompt(), nullptr);
    for (int a = 0; a < kActionCount; ++a) EXPECT_FALSE(ctrl.HasActionBody(a)) << a;
    EXPECT_FALSE(ctrl.HasActionBody(kActionCount));
}

}  // namespace
}  // namespace korvi
