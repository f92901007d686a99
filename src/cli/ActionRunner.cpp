#include "cli/ActionRunner.h"

#include <chrono>
#include <memory>
#include <optional>

#include "app/Log.h"
#include "cli/CliIo.h"
#include "cli/CliProgress.h"
#include "cli/Command.h"
#include "cli/InterruptGuard.h"
#include "services/Services.h"

namespace korvi::cli {

namespace {

// How often the progress line is redrawn and Ctrl-C looked at; the end of the action itself
// wakes the wait at once.
constexpr std::chrono::milliseconds kPollInterval{100};

}  // namespace

ActionRunner::ActionRunner(CliIo& io) : m_io(io) {}

int ActionRunner::Run(int action, int silent) {
    m_cancelled = false;
    Services& services = m_io.services();
    Tctrl& ctrl = services.ctrl;

    WriteLog("LOG: CarryOutAction: %s (Silent: %d)", ActionName(action), silent);

    if (Result check = services.RunPreStartChecks(action); !check.ok()) {
        if (action == kActSyncContacts) {
            WriteHistory("Sync Failed: %s ErrCode %d", check.text, check.code);
        }
        const int code = check.code;
        ctrl.SetResult(std::move(check));
        return code;
    }

    std::optional<InterruptGuard> interrupt;
    if (m_io.catchInterrupt()) interrupt.emplace();

    ctrl.silent = silent;
    ctrl.action = action;
    ctrl.SetBusy(1);
    ctrl.StartAction();

    CliProgress progress(m_io);
    while (!ctrl.WaitUntilIdle(kPollInterval)) {
        if (!m_cancelled && (InterruptGuard::Interrupted() || m_io.CancelCheckSaysStop())) {
            m_cancelled = true;
            ctrl.CancelAction();
            progress.Finish();
            m_io.Note("Cancelling...");
        }
        if (silent == 0 && !m_cancelled) progress.Update(ctrl.ReadProgress());
    }
    progress.Finish();
    // Unlike the window, which returns at once on Cancel, the tool waits for the worker
    // above: the body leaves its files and the PBX in a known state before the process ends.
    return ctrl.resultCode();
}

std::string ActionRunner::FailureLine(int code, const std::string& text) {
    if (code == kResultCancelled) return text;
    return text + " (Error Code " + std::to_string(code) + ")";
}

int ActionRunner::ReportFailure() const {
    const Tctrl& ctrl = m_io.services().ctrl;
    const int code = ctrl.resultCode();
    if (code == 0) return kExitOk;
    m_io.ClearStatus();
    m_io.err() << FailureLine(code, ctrl.resultText()) << '\n';
    m_io.err().flush();
    return kExitFailure;
}

}  // namespace korvi::cli
