#include "flows/SyncFlows.h"

#include <cstdlib>
#include <ctime>
#include <string>
#include <system_error>

#include <fmt/printf.h>

#include "app/Clock.h"
#include "app/Log.h"
#include "app/SettingsRegistry.h"
#include "app/SyncTime.h"
#include "app/Texts.h"
#include "app/Validation.h"
#include "flows/CarryOutAction.h"
#include "flows/Confirm.h"
#include "flows/FlowContext.h"
#include "flows/FrontEnd.h"
#include "net/UrlText.h"
#include "services/OutlookPartner.h"
#include "services/Services.h"

namespace korvi::flows {

namespace {

bool ReplaceDirection(int direction) {
    return direction == eSyncDir_ReplacePartner || direction == eSyncDir_ReplacePbx;
}

// Auto-sync intervals by "AutoSyncInterval": an hour is 300 seconds, as the timer always had it.
long IntervalSeconds(int index) {
    switch (index) {
        case 0:
            return 300;
        case 2:
            return 604800;
        default:
            return 86400;
    }
}

void Report(FlowContext& ctx, const Result& failed) { ReportFailure(ctx.frontEnd, failed); }

class SyncRunFlow {
public:
    SyncRunFlow(FlowContext& ctx, const SyncRequest& request)
        : m_ctx(ctx),
          m_request(request),
          m_settings(ctx.settings),
          m_services(ctx.services),
          m_pbx(ctx.services.pbx),
          m_partnerName(PartnerName(m_settings.syncPartner)),
          m_label(SyncDirectionLabel(m_settings.syncPartner, m_settings.syncDir)),
          m_how(request.automatic ? "Automatically" : "Manually") {
        if (const Partner* p = ctx.services.partners.Find(m_settings.syncPartner)) {
            m_partnerName = p->name;
        }
    }

    SyncOutcome Run() {
        SyncOutcome outcome;
        // ApplySyncContactType.
        m_pbx.contactType = m_settings.syncContactType;
        m_pbx.contactTypeName = m_settings.syncContactTypeName;
        if (m_pbx.contactTypeName.empty()) {
            m_ctx.frontEnd.Error(Text(kTextCannotSync));
            WriteLog("ERR: Cannot Sync. Invalid ContactType Name");
            outcome.result = {kResultLocalFailure, Text(kTextCannotSync)};
            return outcome;
        }
        WriteLog("");
        History("");
        if (Result started = Preamble(); !started.ok()) {
            outcome.result = started;
            return outcome;
        }

        m_ctx.frontEnd.EnterBusyState();
        FillControllerInputs();
        if (!ReplaceDirection(m_settings.syncDir)) {
            if (Result checked = CheckFirstTime(outcome.firstTime); !checked.ok()) {
                m_ctx.frontEnd.LeaveBusyState();
                outcome.result = checked;
                return outcome;
            }
        }
        if (m_request.saveSyncTimeFrom != nullptr) {
            // Before the run, so that a sync that fails is not started again at every tick.
            static_cast<void>(
                SaveSyncTimeToRegistry(FormatSyncTime(m_request.saveSyncTimeFrom->Local())));
        }
        CarryOutAction(m_ctx, kActSyncContacts, m_request.automatic ? 1 : 0);
        outcome.syncRan = true;
        m_ctx.frontEnd.LeaveBusyState();
        outcome.result = LastResult(m_ctx);
        ReportOutcome(outcome.result);
        return outcome;
    }

private:
    void History(const std::string& line) {
        // A dry run changes nothing, so it leaves no trace in the sync history either.
        if (!m_request.dryRun) WriteHistory("%s", line);
    }

    // The partner's checks before the run, with the "Sync started" history line.
    Result Preamble() {
        switch (m_settings.syncPartner) {
            case ePartner_Outlook:
                return OutlookPreamble();
            case ePartner_Gmail:
                return GmailPreamble();
            case ePartner_CardDav:
                WriteLog(Heading(), m_label);
                History(fmt::sprintf(
                    "Sync started [%s] - Direction [%s] - CardDAV Address Book [%s] - Device [%s]",
                    m_how, m_label, net::UrlForMessages(m_settings.cardDavUrl),
                    m_pbx.contactTypeName));
                return {};
            default:
                WriteLog(Heading(), m_label);
                History(fmt::sprintf("Sync started [%s] - Direction [%s] - %s - Device [%s]", m_how,
                                     m_label, m_partnerName, m_pbx.contactTypeName));
                return {};
        }
    }

    const char* Heading() const {
        return m_request.automatic ? "LOG: -----> AutoSync: %s" : "LOG: -----> Synchronize: %s";
    }

    Result OutlookPreamble() {
        Toutlook& outlook = OutlookStore(m_services);
        if (CarryOutAction(m_ctx, kActGetOutlookVersion, m_request.automatic ? 1 : 0) != 0) {
            const Result failed = LastResult(m_ctx);
            Report(m_ctx, failed);
            return failed;
        }
        WriteLog(m_request.automatic ? "LOG: -----> AutoSync: %s (%d - %s)"
                                     : "LOG: -----> Synchronize: %s (%d - %s)",
                 m_label, outlook.versionCode, outlook.versionName);
        if (outlook.versionCode < 3) {
            WriteLog("ERR: Outlook Version (%d) not supported!", outlook.versionCode);
            History(fmt::sprintf("Sync started [%s] - Fail: Outlook Version (%d) not supported!",
                                 m_how, outlook.versionCode));
            const Result unsupported{kResultLocalFailure, Text(kTextOutlookTooOld, {}, kAppName)};
            m_ctx.frontEnd.Error(unsupported.text);
            return unsupported;
        }
        History(
            fmt::sprintf("Sync started [%s] - Direction [%s] - Outlook Folder [%s] - Device [%s]",
                         m_how, m_label, m_settings.syncOutlookFolder, m_pbx.contactTypeName));
        return {};
    }

    Result GmailPreamble() {
        WriteLog(Heading(), m_label);
        if (!ValidateGmailAccount(m_settings.gmailAccName).ok() ||
            !ValidateGmailPassword(m_settings.gmailAccPwd).ok()) {
            // The account's values are logged as they are: they are what the user typed.
            WriteLog("ERR: Invalid gmail username / password (%s/%s)!", m_settings.gmailAccName,
                     std::string("********"));
            History(
                fmt::sprintf("Sync started [%s] - Fail - Invalid Gmail Account details", m_how));
            m_ctx.frontEnd.Unshown(Text(kTextGmailAccountForm));
            return {kResultLocalFailure, Text(kTextGmailAccountForm)};
        }
        if (m_settings.syncGmailFolderID.empty() || m_settings.syncGmailFolderTitle.empty()) {
            WriteLog("ERR: Invalid gmail folder title / ID!");
            History(fmt::sprintf("Sync started [%s] - Fail - Invalid Gmail Folder details", m_how));
            m_ctx.frontEnd.Unshown("Invalid Gmail Folder details");
            return {kResultLocalFailure, "Invalid Gmail Folder details"};
        }
        History(fmt::sprintf(
            "Sync started [%s] - Direction [%s] - Gmail Account / Folder [%s / %s] - Device [%s]",
            m_how, m_label, m_settings.gmailAccName, m_settings.syncGmailFolderTitle,
            m_pbx.contactTypeName));
        return {};
    }

    void FillControllerInputs() {
        Tctrl& ctrl = m_services.ctrl;
        ctrl.partner = m_settings.syncPartner;
        ctrl.outlookFolder = m_settings.syncOutlookFolder;
        ctrl.gmailGroupTitle = m_settings.syncGmailFolderTitle;
        ctrl.gmailGroupId = m_settings.syncGmailFolderID;
        ctrl.gmailUser = m_settings.gmailAccName;
        ctrl.gmailPassword = m_settings.gmailAccPwd;
        ctrl.syncDirection = m_settings.syncDir;
        ctrl.conflictResolution = m_settings.conflictRes;
        ctrl.silentDeleteMax = m_settings.silentDeleteMax;
        ctrl.silentDeletePercent = m_settings.silentDeletePercent;
    }

    // The first-time check: the pair's sync list, and the question before a first-time sync.
    Result CheckFirstTime(bool& firstTime) {
        const Partner* partner = m_services.partners.Find(m_settings.syncPartner);
        if (partner == nullptr || partner->store == nullptr) return {};
        if (partner->locate) {
            if (Result located = partner->locate(m_settings); !located.ok()) {
                History(fmt::sprintf("Sync Fail - %s (Error Code %d)", located.text, located.code));
                m_ctx.frontEnd.Failure(located);
                return located;
            }
        }
        firstTime = !m_services.contactFile
                         .CheckIfSyncFileExists(m_pbx.contactType, partner->store->contactStoreID())
                         .ok();
        if (!firstTime || m_request.automatic || m_request.dryRun) return {};
        const std::string warning = FirstTimeWarning() + "\n\n" + Text(kTextFirstSyncDuplicates) +
                                    "\n\n" + Text(kTextFirstSyncBackup, m_partnerName) + "\n" +
                                    Text(kTextDoYouWantToContinue) + "\n";
        if (Confirm(m_ctx, "first-time-sync", warning)) return {};
        WriteLog("LOG: Cancelled");
        m_ctx.frontEnd.Declined(Text(kTextActionCancelled));
        return {kResultCancelled, Text(kTextActionCancelled)};
    }

    std::string FirstTimeWarning() const {
        switch (m_settings.syncPartner) {
            case ePartner_Gmail:
                return Text(kTextFirstSyncGmail, m_settings.gmailAccName, m_pbx.contactTypeName);
            case ePartner_CardDav:
                return "Warning: This is the first time syncing CardDAV address book [" +
                       net::UrlForMessages(m_settings.cardDavUrl) + "] with PBX contacts for " +
                       m_pbx.contactTypeName;
            default:
                return Text(kTextFirstSyncOutlook, m_settings.syncOutlookFolder,
                            m_pbx.contactTypeName);
        }
    }

    void ReportOutcome(const Result& result) {
        if (m_request.dryRun) {
            if (!result.ok()) Report(m_ctx, result);
            return;
        }
        const Tctrl& ctrl = m_services.ctrl;
        if (result.ok() || result.code == kResultGmailNumbersSkipped) {
            const bool ok = result.ok();
            if (ctrl.pbxUpdates != 0 || ctrl.partnerUpdates != 0) {
                if (ReplaceDirection(m_settings.syncDir)) {
                    WriteHistory("Successful Sync.");
                } else {
                    WriteHistory(
                        "Successful Sync - [PBX: %d added %d deleted %d amended] [%s: %d added %d "
                        "deleted %d amended]",
                        ctrl.pbxAdds, ctrl.pbxDeletes, ctrl.pbxAmends, m_partnerName,
                        ctrl.partnerAdds, ctrl.partnerDeletes, ctrl.partnerAmends);
                }
                m_ctx.frontEnd.Information(ok ? Text(kTextSyncDone, m_partnerName, {},
                                                     std::to_string(ctrl.pbxUpdates),
                                                     std::to_string(ctrl.partnerUpdates))
                                              : Text(kTextSyncGmailNumbersSkipped));
            } else {
                WriteHistory("No updates since last Sync.");
                m_ctx.frontEnd.Information(ok ? Text(kTextSyncNoUpdates)
                                              : Text(kTextSyncGmailNumbersSkipped));
            }
            return;
        }
        // A cancel has its history line already ("Fail: Action cancelled"); an automatic sync
        // records it once more as a failure, as the timer does.
        if (!result.cancelled() || m_request.automatic) {
            WriteHistory("Sync Fail - %s (Error Code %d)", result.text, result.code);
        }
        Report(m_ctx, result);
    }

    FlowContext& m_ctx;
    const SyncRequest& m_request;
    const KorviSettings& m_settings;
    Services& m_services;
    Tpbx& m_pbx;
    std::string m_partnerName;
    const std::string m_label;
    const char* m_how;
};

}  // namespace

Result CheckSyncPartner(FlowContext& ctx) {
    const int code = ctx.settings.syncPartner;
    const Partner* partner = ctx.services.partners.Find(code);
    if (partner != nullptr && partner->store != nullptr) return {};
    const Result notAvailable{kResultActionNotAvailable, PartnerNotAvailableText(code)};
    WriteLog("ERR: %s", notAvailable.text);
    ctx.frontEnd.Failure(notAvailable);
    return notAvailable;
}

SyncOutcome SyncNow(FlowContext& ctx, const SyncRequest& request) {
    if (Result available = CheckSyncPartner(ctx); !available.ok()) return {available};
    return SyncRunFlow(ctx, request).Run();
}

TickOutcome AutoSyncTick(FlowContext& ctx, const Clock& clock) {
    const long interval = IntervalSeconds(ctx.settings.autoSyncInterval);
    const std::string last = GetSyncTimeFromRegistry();
    bool due = true;
    if (last.size() == kSyncTimeLength) {
        // A stored time that does not convert counts as the start of the date scale.
        std::time_t then = 0;
        static_cast<void>(ConvertStrToDateTime(last, &then));
        const long long elapsed = std::llabs(static_cast<long long>(clock.Now()) - then);
        due = elapsed > interval;
    }
    if (!due) return {false, true};

    SyncRequest request;
    request.automatic = true;
    request.saveSyncTimeFrom = &clock;
    // A run that stopped before the sync action leaves the timer off.
    return {true, SyncNow(ctx, request).syncRan};
}

bool TurnAutoSyncOn(FlowContext& ctx) {
    WriteLog("");
    const KorviSettings& settings = ctx.settings;
    const Partner* partner = ctx.services.partners.Find(settings.syncPartner);
    if (partner != nullptr && partner->store != nullptr) {
        if (partner->locate) {
            if (Result located = partner->locate(settings); !located.ok()) {
                ctx.frontEnd.Warning(
                    partner->code == ePartner_Outlook
                        ? Text(kTextOutlookFolderNotOpened, {}, settings.syncOutlookFolder)
                        : located.text);
                return false;
            }
        }
        const bool hasList = ctx.services.contactFile
                                 .CheckIfSyncFileExists(ctx.services.pbx.contactType,
                                                        partner->store->contactStoreID())
                                 .ok();
        if (settings.syncDir == eSyncDir_Both && !hasList) {
            ctx.frontEnd.Warning(Text(kTextCannotAutoSyncFirstTime));
            return false;
        }
    }
    WriteLog("LOG: AutoSync Enabled.");
    return true;
}

void TurnAutoSyncOff() {
    WriteLog("");
    WriteLog("LOG: AutoSync Disabled.");
}

ResetOutcome ResetSyncList(FlowContext& ctx) {
    ResetOutcome outcome;
    const KorviSettings& settings = ctx.settings;
    Services& services = ctx.services;
    const Partner* partner = services.partners.Find(settings.syncPartner);
    if (partner == nullptr || partner->store == nullptr) {
        outcome.result = {kResultActionNotAvailable, PartnerNotAvailableText(settings.syncPartner)};
        ctx.frontEnd.Failure(outcome.result);
        return outcome;
    }
    if (partner->locate) {
        if (Result located = partner->locate(settings); !located.ok()) {
            outcome.result = located;
            ctx.frontEnd.Failure(located);
            return outcome;
        }
    }
    outcome.file = services.contactFile.SyncFilePath(settings.syncContactType,
                                                     partner->store->contactStoreID());
    std::error_code ec;
    if (!std::filesystem::exists(outcome.file, ec)) {
        outcome.kind = ResetOutcome::Kind::kNoList;
        return outcome;
    }
    const std::string place =
        partner->code == ePartner_CardDav
            ? " address book [" + net::UrlForMessages(settings.cardDavUrl) + "]"
            : " folder [" + settings.syncOutlookFolder + "]";
    const std::string question = "The sync list " + outcome.file.string() + " of " +
                                 settings.syncContactTypeName + " and " + partner->name + place +
                                 " will be deleted; the next sync is a first-time sync.\n\n" +
                                 Text(kTextDoYouWantToContinue) + "\n";
    if (!Confirm(ctx, "reset-sync-list", question)) {
        WriteLog("LOG: Cancelled");
        outcome.kind = ResetOutcome::Kind::kDeclined;
        outcome.result = {kResultCancelled, Text(kTextActionCancelled)};
        ctx.frontEnd.Declined(outcome.result.text);
        return outcome;
    }
    if (!std::filesystem::remove(outcome.file, ec) || ec) {
        outcome.result = {kResultLocalFailure,
                          outcome.file.string() + ": " + (ec ? ec.message() : "not deleted")};
        ctx.frontEnd.Error(outcome.result.text);
        return outcome;
    }
    WriteLog("LOG: Sync list deleted: %s", outcome.file.string());
    outcome.kind = ResetOutcome::Kind::kDeleted;
    return outcome;
}

}  // namespace korvi::flows
