// The action controller: the one object through which a front end hands over a numbered
// action and its inputs, through which the running action reports progress, and in which the
// action leaves its result. One worker thread runs one action at a time.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "app/Progress.h"
#include "app/Prompt.h"
#include "app/Result.h"
#include "app/SilentSyncLimits.h"
#include "model/Contact.h"

namespace korvi {

// Action numbers.
enum ActionNumber : int {
    kActFindServersOnLan = 0,
    kActCheckService = 1,
    kActCheckServiceExt = 2,
    kActGetExtnInfo = 3,
    kActDeleteContacts = 4,
    kActExportContactsToXMLFile = 5,
    kActExportContactsToCSVFile = 6,
    kActExportContactsToOutlook = 7,
    kActExportContactsToGmail = 8,
    kActImportContactsFromXMLFile = 9,
    kActImportContactsFromCSVFile = 10,
    kActImportContactsFromOutlook = 11,
    kActImportContactsFromGmail = 12,
    kActLoginToGmail = 13,
    kActGetGmailFolderInfo = 14,
    kActCreateNewGmailFolder = 15,
    kActGetOutlookFolderInfo = 16,
    kActGetOutlookVersion = 17,
    kActSyncContacts = 18,
    kActionCount = 19,
    // The transfers of partners that came after the table above (the address book server).
    // They are numbered apart from it, so that the numbers right after the table stay invalid.
    kActFirstLaterAction = 100,
    kActExportContactsToCardDav = kActFirstLaterAction,
    kActImportContactsFromCardDav = 101,
    kActLaterActionEnd = 102,
};

// Action codes held in TContact::action while a contact sits in the action list.
enum ActionCode : int32_t {
    eAddInPBX = 1,
    eDelInPBX = 2,
    eAmendInPBX = 3,
    eAddInPartner = 4,
    eDelInPartner = 5,
    eAmendInPartner = 6,
};

enum PartnerCode : int { ePartner_Outlook = 0, ePartner_Gmail = 1, ePartner_CardDav = 2 };

enum SyncDirection : int {
    eSyncDir_Both = 0,
    eSyncDir_PbxToPartner = 1,
    eSyncDir_PartnerToPbx = 2,
    eSyncDir_ReplacePartner = 3,
    eSyncDir_ReplacePbx = 4,
};

enum ConflictResolution : int { eSync_PBX_wins = 0, eSync_PC_wins = 1 };

const char* ActionName(int action);
const char* PartnerName(int partner);
std::string SyncDirectionLabel(int partner, int direction);

struct ProgressState {
    std::string progressText;
    int progressBarVisible = 0;
    int progressBarEnabled = 0;
    int progressPosition = 0;
    int cancelVisible = 0;
    int cancelEnabled = 0;
};

class Tctrl final : public Progress {
public:
    // The body of one action. It stores its code and text with SetResult (or the two setters).
    using ActionBody = std::function<void(Tctrl& ctrl, const StopFlag& stop)>;

    Tctrl();
    ~Tctrl() override;  // waits for a running worker
    Tctrl(const Tctrl&) = delete;
    Tctrl& operator=(const Tctrl&) = delete;

    // ---- Inputs, set by the front end before StartAction and read by the worker. ----
    std::string partnerName;
    int action = 0;
    std::string fileName;
    int partner = 0;
    std::string outlookFolder;
    std::string gmailGroupId;
    std::string gmailGroupTitle;
    std::string gmailUser;
    std::string gmailPassword;
    int syncDirection = 0;
    int conflictResolution = 0;
    int silent = 0;
    // What a silent sync may delete on a side on its own (the "SilentDeleteMax" and
    // "SilentDeletePercent" settings).
    int silentDeleteMax = kSilentDeleteMaxDefault;
    int silentDeletePercent = kSilentDeletePercentDefault;

    // ---- Working lists, owned; each action clears the lists it fills. ----
    TContactList pbxContactList;
    TContactList partnerContactList;
    TContactList syncContactList;
    TContactList actionList;

    // ---- Counters of the last sync (written by the worker, read after busy drops). ----
    int pbxUpdates = 0;
    int pbxAdds = 0;
    int pbxAmends = 0;
    int pbxDeletes = 0;
    int partnerUpdates = 0;
    int partnerAdds = 0;
    int partnerAmends = 0;
    int partnerDeletes = 0;

    // ---- Result: written by the worker and by CancelAction on the front-end thread. ----
    int resultCode() const;
    std::string resultText() const;
    Result result() const;
    void SetResult(int code, std::string text);
    void SetResult(Result result) { SetResult(result.code, std::move(result.text)); }
    // One step of a pipeline: its code always, its text when it has one (see Chained).
    void StoreStep(Result step);
    void SetResultCode(int code);
    void SetResultText(std::string text);

    // ---- Progress, under the progress lock. ----
    void SetProgress(int showBar, int position, int showCancel) override;
    void SetProgressText(const std::string& text, int position) override;
    ProgressState ReadProgress() const;
    // Runs f(state) with the progress lock held, for blocks that set several values at once.
    void WithProgressLock(const std::function<void(ProgressState&)>& f);

    // ---- Lifecycle. ----
    // 1 from the caller's start until the worker has finished; drops last, after the result.
    int busy() const;
    void SetBusy(int value);
    // Starts the worker for `action`; refuses numbers of 19 and more (and negative ones) with
    // -6, except the later actions (kActFirstLaterAction on). A worker that has not ended yet (a
    // cancelled one still on its way out) is waited for first, so that two bodies never share the
    // lists. Resets the stop flag and the result.
    void StartAction();
    // History "Fail: Action cancelled", log "LOG: CancelAction", -7 with text 161, and asks
    // the worker to stop at its next check.
    void CancelAction();
    // Asks a running body to stop and waits for the worker to end (the destructor does the
    // same). An owner whose other members the bodies use calls it before those go.
    void Shutdown();
    // Blocks until busy is 0 or the timeout passes; true when idle.
    bool WaitUntilIdle(std::chrono::milliseconds timeout = std::chrono::hours(24)) const;
    // For a body that has nothing to do but wait: blocks until a cancel arrives or the timeout
    // passes; true when stopped.
    bool WaitForStop(std::chrono::milliseconds timeout) const;

    // The bodies are registered by the modules that build them; an action with no body ends
    // with a "not available" failure.
    void SetActionBody(int action, ActionBody body);
    bool HasActionBody(int action) const;
    // The registered body (empty when none), for a module that wraps it.
    ActionBody actionBody(int action) const;

    // Where the running action asks its questions. Must be set before an action that asks.
    void SetPrompt(Prompt* prompt) { m_prompt = prompt; }
    Prompt* prompt() const { return m_prompt; }

    const StopFlag& stopFlag() const { return m_stop; }

    // Test seam: the sleeps of the worker's lifecycle (10 ms before, 100 ms after the body).
    void SetWorkerSleeps(std::chrono::milliseconds before, std::chrono::milliseconds after);
    // Test seam: how the worker sleeps (default std::this_thread::sleep_for). Called on the
    // worker thread with the durations above; set it only while no action runs.
    using SleepFunction = std::function<void(std::chrono::milliseconds)>;
    void SetSleepFunction(SleepFunction sleep);

private:
    void RunWorker(int actionNumber, ActionBody body);
    void RunBody(int actionNumber, const ActionBody& body);

    mutable std::mutex m_resultMutex;
    int m_resultCodeValue = 0;
    std::string m_resultTextValue;

    mutable std::mutex m_progressLock;
    ProgressState m_progress;

    std::atomic<int> m_busy{0};
    mutable std::mutex m_busyMutex;
    mutable std::condition_variable m_busyChanged;

    StopFlag m_stop{false};
    mutable std::mutex m_stopMutex;
    mutable std::condition_variable m_stopChanged;
    std::thread m_worker;
    ActionBody m_bodies[kActionCount + (kActLaterActionEnd - kActFirstLaterAction)];
    Prompt* m_prompt = nullptr;
    std::chrono::milliseconds m_sleepBefore{10};
    std::chrono::milliseconds m_sleepAfter{100};
    SleepFunction m_sleep;
};

}  // namespace korvi
