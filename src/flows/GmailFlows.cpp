#include "flows/GmailFlows.h"

#include <optional>
#include <string>

#include "app/Log.h"
#include "app/Texts.h"
#include "flows/CarryOutAction.h"
#include "flows/Confirm.h"
#include "flows/FlowContext.h"
#include "flows/FrontEnd.h"
#include "services/GmailPartner.h"
#include "services/Services.h"

namespace korvi::flows {

namespace {

Result Cancel() { return {kResultCancelled, Text(kTextActionCancelled)}; }

// One of the store's own actions under the busy state.
Result RunBusy(FlowContext& ctx, int action) {
    ctx.frontEnd.EnterBusyState();
    CarryOutAction(ctx, action);
    ctx.frontEnd.LeaveBusyState();
    return LastResult(ctx);
}

// The account dialog; its account, once confirmed, goes into the settings and the store.
bool TakeAccount(FlowContext& ctx) {
    const std::optional<GmailAccount> account =
        ctx.frontEnd.EnterGmailAccount({ctx.settings.gmailAccName, ctx.settings.gmailAccPwd});
    if (!account) return false;
    Tgmail& gmail = GmailStore(ctx.services);
    ctx.settings.gmailAccName = account->name;
    ctx.settings.gmailAccPwd = account->password;
    gmail.accountName = account->name;
    gmail.accountPassword = account->password;
    return true;
}

// The history lines of a login step that stops (nullptr: none).
struct LoginLines {
    const char* cancelled = nullptr;
    const char* failed = nullptr;
};

// Skipped while the store is logged in as the account now set (a token of another account is
// no login for this one); else the account dialog and action 13. Success to go on.
Result LoginStep(FlowContext& ctx, const LoginLines& lines) {
    if (GmailStore(ctx.services).LoggedInAsSet()) return {};
    if (!TakeAccount(ctx)) {
        if (lines.cancelled != nullptr) WriteHistory("%s", lines.cancelled);
        ctx.frontEnd.Declined(Text(kTextActionCancelled));
        return Cancel();
    }
    const Result result = RunBusy(ctx, kActLoginToGmail);
    if (!result.ok()) {
        ReportFailure(ctx.frontEnd, result);
        if (lines.failed != nullptr) WriteHistory("%s", lines.failed);
    }
    return result;
}

// Action 14. Its success may carry the text of a count that failed (that count shows 0).
Result ReadGroups(FlowContext& ctx, const char* failedHistory) {
    const Result result = RunBusy(ctx, kActGetGmailFolderInfo);
    if (!result.ok()) {
        ReportFailure(ctx.frontEnd, result);
        if (failedHistory != nullptr) WriteHistory("%s", failedHistory);
    }
    return result;
}

// The group chooser in the mode given; a failure other than a dismissal is shown.
Result ChooseGroup(FlowContext& ctx, bool withCreateButton) {
    Tgmail& gmail = GmailStore(ctx.services);
    gmail.ResetChooser();
    gmail.showCreateButton = withCreateButton ? 1 : 0;
    Result chosen = ctx.frontEnd.ChooseGmailGroup(gmail);
    if (!chosen.ok() && !chosen.cancelled()) ctx.frontEnd.Error(chosen.text);
    return chosen;
}

// A new group for the export, or the question before adding to one that holds contacts:
// success to go on with the export.
Result PrepareExportGroup(FlowContext& ctx, Tgmail& gmail, Result groups) {
    Result last = std::move(groups);
    if (gmail.newFolderRequested == 1) {
        gmail.keepExisting = 1;
        last = RunBusy(ctx, kActCreateNewGmailFolder);
    } else if (!gmail.folderCountKnown) {
        // The chooser shows 0 for a count it could not read; the export would then empty a
        // group that may hold the user's contacts without asking.
        WriteLog("ERR: GMAIL: Export: the contact count of group [%s] is unknown",
                 gmail.folderTitle);
        last = {kResultGmailFailure, Text(kTextGmailFolderCountFailed)};
    } else if (gmail.folderContactCount > 0) {
        if (!Confirm(
                ctx, "gmail-duplicates",
                Text(kTextGmailGroupHasContacts, {}, {}, std::to_string(gmail.folderContactCount)) +
                    "\n\n" + Text(kTextGmailGroupDuplicates) + "\n\n" +
                    Text(kTextGmailGroupBackupAdvice) + "\n\n" + Text(kTextDoYouWantToContinue) +
                    "\n")) {
            WriteLog("LOG: Cancelled");
            WriteHistory("Fail: Action cancelled");
            ctx.frontEnd.Declined(Text(kTextActionCancelled));
            return Cancel();
        }
        gmail.keepExisting = 1;
    }
    if (!last.ok()) {
        ReportFailure(ctx.frontEnd, last);
        WriteHistory("Fail: %s", last.text);
    }
    return last;
}

int ContactCount(const FlowContext& ctx) {
    return static_cast<int>(ctx.services.ctrl.pbxContactList.size());
}

}  // namespace

Result ExportToGmail(FlowContext& ctx) {
    WriteLog("");
    WriteLog("LOG: -----> Export PBX Contacts to Gmail");
    WriteHistory("");
    WriteHistory("Export PBX Contacts to Gmail");
    Tgmail& gmail = GmailStore(ctx.services);
    if (Result in =
            LoginStep(ctx, {"Fail: Action Cancelled", "Fail: Failed to log in to gmail account."});
        !in.ok()) {
        return in;
    }
    Result groups = ReadGroups(ctx, "Fail: Failed to retrieve Gmail folder info");
    if (!groups.ok()) return groups;
    const Result chosen = ChooseGroup(ctx, true);
    if (!chosen.ok() && !chosen.cancelled()) {
        WriteHistory("Fail: %s", chosen.text);
        return chosen;
    }
    if (chosen.cancelled() || gmail.createCancelled == 1) {
        WriteHistory("Fail: Action cancelled");
        ctx.frontEnd.Declined(Text(kTextActionCancelled));
        return Cancel();
    }
    if (Result ready = PrepareExportGroup(ctx, gmail, std::move(groups)); !ready.ok()) {
        return ready;
    }

    Tpbx& pbx = ctx.services.pbx;
    ctx.frontEnd.EnterBusyState();
    Result result = ctx.frontEnd.SelectContactType(pbx);
    if (result.ok()) {
        CarryOutAction(ctx, kActExportContactsToGmail);
        result = LastResult(ctx);
    }
    ctx.frontEnd.LeaveBusyState();
    if (result.ok()) {
        const int count = ContactCount(ctx);
        ctx.frontEnd.Information(
            Text(kTextSavedToGmail, {}, pbx.contactTypeName, std::to_string(count)));
        WriteHistory(
            "Successfully exported %d contacts from PBX for %s to Gmail account [%s] folder [%s]",
            count, pbx.contactTypeName, gmail.accountName, gmail.folderTitle);
    } else if (result.cancelled()) {
        ctx.frontEnd.Cancelled(result);
    } else {
        ctx.frontEnd.Failure(result);
        WriteHistory("Failed to export contacts from PBX for to Gmail [%s]", result.text);
    }
    return result;
}

Result ImportFromGmail(FlowContext& ctx) {
    WriteLog("");
    WriteLog("LOG: -----> Import PBX Contacts From Gmail");
    WriteHistory("");
    WriteHistory("Import PBX Contacts From Gmail");
    Tgmail& gmail = GmailStore(ctx.services);
    if (Result in =
            LoginStep(ctx, {"Fail: Action Cancelled.", "Fail: Could not log in to Gmail account."});
        !in.ok()) {
        return in;
    }
    if (Result groups = ReadGroups(ctx, "Fail: Could not retrieve Gmail Folder info.");
        !groups.ok()) {
        return groups;
    }
    if (gmail.numFolders == 0) {
        ctx.frontEnd.Error(Text(kTextNoContactFolder));
        WriteHistory("Fail: No Gmail folders exist.");
        return {kResultGmailFailure, Text(kTextNoContactFolder)};
    }
    if (Result chosen = ChooseGroup(ctx, false); !chosen.ok()) return chosen;

    Tpbx& pbx = ctx.services.pbx;
    Result result = ctx.frontEnd.SelectContactType(pbx);
    if (result.ok()) {
        if (!Confirm(ctx, "confirm-import", Text(kTextConfirmImport, {}, pbx.contactTypeName))) {
            ctx.frontEnd.Declined(Text(kTextActionCancelled));
            return Cancel();
        }
        result = RunBusy(ctx, kActImportContactsFromGmail);
    }
    if (result.ok() || result.code == kResultGmailNumbersSkipped) {
        const int count = ContactCount(ctx);
        WriteHistory(
            "Successfully imported %d contacts to PBX for %s from Gmail account [%s] - group "
            "[%s]",
            count, pbx.contactTypeName, gmail.accountName, gmail.folderTitle);
        if (result.ok()) {
            ctx.frontEnd.Information(
                Text(kTextImported, {}, pbx.contactTypeName, std::to_string(count)));
        } else {
            ctx.frontEnd.Warning(Text(kTextGmailNumbersNotLoaded));
        }
    } else if (result.cancelled()) {
        ctx.frontEnd.Cancelled(result);
    } else {
        WriteHistory("Failed to import PBX contacts from Gmail [%s]", result.text);
        ctx.frontEnd.Failure(result);
    }
    return result;
}

Result ChangeSyncGmailGroup(FlowContext& ctx) {
    WriteLog("");
    WriteLog("LOG: -----> Change Sync Gmail Account / Folder Details");
    if (!TakeAccount(ctx)) {
        ctx.frontEnd.Declined(Text(kTextActionCancelled));
        return Cancel();
    }
    if (Result in = RunBusy(ctx, kActLoginToGmail); !in.ok()) {
        ReportFailure(ctx.frontEnd, in);
        return in;
    }
    if (Result groups = ReadGroups(ctx, nullptr); !groups.ok()) return groups;
    Tgmail& gmail = GmailStore(ctx.services);
    if (gmail.numFolders == 0) {
        ctx.frontEnd.Error(Text(kTextNoContactFolder));
        return {kResultGmailFailure, Text(kTextNoContactFolder)};
    }
    Result chosen = ChooseGroup(ctx, false);
    if (chosen.ok()) {
        ctx.settings.syncGmailFolderTitle = gmail.folderTitle;
        ctx.settings.syncGmailFolderID = gmail.folderID;
    }
    return chosen;
}

Result LogInToGmail(FlowContext& ctx) { return LoginStep(ctx, {}); }

Result ListGmailGroups(FlowContext& ctx) {
    if (Result in = LoginStep(ctx, {}); !in.ok()) return in;
    return ReadGroups(ctx, nullptr);
}

Result CreateGmailGroup(FlowContext& ctx, const std::string& title) {
    if (Result in = LoginStep(ctx, {}); !in.ok()) return in;
    Tgmail& gmail = GmailStore(ctx.services);
    gmail.ResetChooser();
    if (const std::string refused = gmail.RequestNewGroup(title); !refused.empty()) {
        ctx.frontEnd.Error(refused);
        return {kResultLocalFailure, refused};
    }
    const Result created = RunBusy(ctx, kActCreateNewGmailFolder);
    if (!created.ok()) ReportFailure(ctx.frontEnd, created);
    return created;
}

}  // namespace korvi::flows
