#include "sync/Tctrl.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <system_error>
#include <utility>

#include <fmt/printf.h>

#include "app/Log.h"
#include "app/Texts.h"

namespace korvi {

namespace {

constexpr const char* kActionNames[kActionCount] = {
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

constexpr const char* kLaterActionNames[kActLaterActionEnd - kActFirstLaterAction] = {
    "ExportContactsToCardDAV",
    "ImportContactsFromCardDAV",
};

constexpr char kInvalidActionText[] = "Invalid PBX Action!";

bool IsLaterAction(int action) {
    return action >= kActFirstLaterAction && action < kActLaterActionEnd;
}

bool IsValidAction(int action) {
    return (action >= 0 && action < kActionCount) || IsLaterAction(action);
}

// Where the body of a valid action number is kept.
int BodySlot(int action) {
    return IsLaterAction(action) ? kActionCount + (action - kActFirstLaterAction) : action;
}

// The worker yields to the window thread, as a desktop program's background job should.
void LowerThreadPriority() {
    const pid_t tid = ::gettid();
    errno = 0;
    const int current = ::getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
    if (current == -1 && errno != 0) return;
    if (::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), current + 1) != 0) {
        // Running at normal priority is harmless; the action itself is unaffected.
        WriteLog("LOG: CTRL: Worker priority unchanged (errno %d)", errno);
    }
}

}  // namespace

const char* ActionName(int action) {
    if (IsLaterAction(action)) return kLaterActionNames[action - kActFirstLaterAction];
    return IsValidAction(action) ? kActionNames[action] : "Unknown";
}

const char* PartnerName(int partner) {
    switch (partner) {
        case ePartner_Outlook:
            return "Outlook";
        case ePartner_Gmail:
            return "Gmail";
        case ePartner_CardDav:
            return "CardDAV";
        default:
            return "Unknown";
    }
}

std::string SyncDirectionLabel(int partner, int direction) {
    const std::string p = PartnerName(partner);
    switch (direction) {
        case eSyncDir_Both:
            return "PBX <-> " + p;
        case eSyncDir_PbxToPartner:
            return "PBX -> " + p;
        case eSyncDir_PartnerToPbx:
            return p + " -> PBX";
        case eSyncDir_ReplacePartner:
            return "Send PBX -> " + p;
        case eSyncDir_ReplacePbx:
            return "Send " + p + " -> PBX";
        default:
            return "Unknown";
    }
}

Tctrl::Tctrl() = default;

Tctrl::~Tctrl() { Shutdown(); }

void Tctrl::Shutdown() {
    if (!m_worker.joinable()) return;
    // Shutting down: the body stops at its next check instead of finishing its work.
    {
        std::lock_guard lock(m_stopMutex);
        m_stop.store(true);
    }
    m_stopChanged.notify_all();
    m_worker.join();
}

int Tctrl::resultCode() const {
    std::lock_guard lock(m_resultMutex);
    return m_resultCodeValue;
}

std::string Tctrl::resultText() const {
    std::lock_guard lock(m_resultMutex);
    return m_resultTextValue;
}

Result Tctrl::result() const {
    std::lock_guard lock(m_resultMutex);
    return {m_resultCodeValue, m_resultTextValue};
}

void Tctrl::StoreStep(Result step) {
    std::lock_guard lock(m_resultMutex);
    m_resultCodeValue = step.code;
    if (!step.text.empty()) m_resultTextValue = std::move(step.text);
}

void Tctrl::SetResult(int code, std::string text) {
    std::lock_guard lock(m_resultMutex);
    m_resultCodeValue = code;
    m_resultTextValue = std::move(text);
}

void Tctrl::SetResultCode(int code) {
    std::lock_guard lock(m_resultMutex);
    m_resultCodeValue = code;
}

void Tctrl::SetResultText(std::string text) {
    std::lock_guard lock(m_resultMutex);
    m_resultTextValue = std::move(text);
}

void Tctrl::SetProgress(int showBar, int position, int showCancel) {
    std::lock_guard lock(m_progressLock);
    m_progress.progressBarVisible = showBar;
    m_progress.progressBarEnabled = showBar;
    m_progress.progressPosition = position;
    m_progress.cancelVisible = showCancel;
    m_progress.cancelEnabled = showCancel;
}

void Tctrl::SetProgressText(const std::string& text, int position) {
    std::lock_guard lock(m_progressLock);
    m_progress.progressText = text;
    m_progress.progressPosition = position;
}

ProgressState Tctrl::ReadProgress() const {
    std::lock_guard lock(m_progressLock);
    return m_progress;
}

void Tctrl::WithProgressLock(const std::function<void(ProgressState&)>& f) {
    std::lock_guard lock(m_progressLock);
    f(m_progress);
}

int Tctrl::busy() const { return m_busy.load(std::memory_order_acquire); }

void Tctrl::SetBusy(int value) {
    {
        // Stored under the mutex so that a waiter cannot miss the change between its check
        // and its wait.
        std::lock_guard lock(m_busyMutex);
        m_busy.store(value, std::memory_order_release);
    }
    m_busyChanged.notify_all();
}

bool Tctrl::WaitUntilIdle(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_busyMutex);
    return m_busyChanged.wait_for(lock, timeout,
                                  [this] { return m_busy.load(std::memory_order_acquire) == 0; });
}

bool Tctrl::WaitForStop(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_stopMutex);
    return m_stopChanged.wait_for(lock, timeout, [this] { return m_stop.load(); });
}

void Tctrl::SetActionBody(int action, ActionBody body) {
    if (!IsValidAction(action)) return;
    m_bodies[BodySlot(action)] = std::move(body);
}

bool Tctrl::HasActionBody(int action) const {
    return IsValidAction(action) && static_cast<bool>(m_bodies[BodySlot(action)]);
}

Tctrl::ActionBody Tctrl::actionBody(int action) const {
    return IsValidAction(action) ? m_bodies[BodySlot(action)] : ActionBody{};
}

void Tctrl::SetWorkerSleeps(std::chrono::milliseconds before, std::chrono::milliseconds after) {
    m_sleepBefore = before;
    m_sleepAfter = after;
}

void Tctrl::SetSleepFunction(SleepFunction sleep) { m_sleep = std::move(sleep); }

void Tctrl::StartAction() {
    // The previous worker has cleared busy but may not have returned yet, or it was cancelled
    // and is still on its way to its next check: it must be gone before a new body runs.
    if (m_worker.joinable()) m_worker.join();

    SetBusy(1);
    const int number = action;
    if (!IsValidAction(number)) {
        SetResult(kResultInvalidAction, kInvalidActionText);
        SetBusy(0);
        return;
    }
    SetResult(kResultOk, {});
    {
        std::lock_guard lock(m_stopMutex);
        m_stop.store(false);
    }
    // The worker runs its own copy, so that registering bodies never races with a run.
    ActionBody body = m_bodies[BodySlot(number)];
    try {
        m_worker = std::thread(&Tctrl::RunWorker, this, number, std::move(body));
    } catch (const std::system_error& e) {
        WriteLog("ERR: CTRL: Could not start the worker for %s: %s", ActionName(number), e.what());
        SetResult(kResultActionException,
                  fmt::sprintf("Could not start the action %s: %s", ActionName(number), e.what()));
        SetBusy(0);
    }
}

void Tctrl::CancelAction() {
    WriteHistory("Fail: Action cancelled");
    WriteLog("LOG: CancelAction");
    SetResult(kResultCancelled, Text(kTextActionCancelled));
    {
        std::lock_guard lock(m_stopMutex);
        m_stop.store(true);
    }
    m_stopChanged.notify_all();
}

void Tctrl::RunWorker(int actionNumber, ActionBody body) {
    LowerThreadPriority();
    const auto sleep = [this](std::chrono::milliseconds d) {
        if (d.count() <= 0) return;
        if (m_sleep) {
            m_sleep(d);
        } else {
            std::this_thread::sleep_for(d);
        }
    };
    sleep(m_sleepBefore);
    RunBody(actionNumber, body);
    sleep(m_sleepAfter);
    // Last: whoever sees busy at 0 finds the result and the lists in place.
    SetBusy(0);
}

void Tctrl::RunBody(int actionNumber, const ActionBody& body) {
    const char* name = ActionName(actionNumber);
    if (!body) {
        WriteLog("ERR: CTRL: Action not available: %s", name);
        SetResult(kResultActionNotAvailable,
                  fmt::sprintf("The action %s is not available in this version.", name));
        return;
    }
    // The bodies catch their own exceptions; this is the last line before the thread's edge,
    // where an escaping exception would end the whole program.
    std::string message;
    try {
        body(*this, m_stop);
        return;
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "unknown exception";
    }
    if (message.empty()) message = "unknown exception";
    try {
        WriteLog("ERR: CTRL: Exception: %s: %s", name, message);
        SetResult(kResultActionException, message);
    } catch (const std::exception&) {
        // Out of memory while reporting: keep the code, which needs no allocation.
        SetResultCode(kResultActionException);
    }
}

}  // namespace korvi
