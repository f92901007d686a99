#include "flows/ImportExportFlows.h"

#include <cctype>
#include <functional>
#include <string>

#include "app/Log.h"
#include "app/Texts.h"
#include "flows/CarryOutAction.h"
#include "flows/Confirm.h"
#include "flows/FlowContext.h"
#include "services/OutlookPartner.h"
#include "services/Services.h"

namespace korvi::flows {

namespace {

constexpr char kCancelledHistory[] = "Fail: Action cancelled";

Result Cancel() { return {kResultCancelled, Text(kTextActionCancelled)}; }

void WriteCancelLines() {
    WriteLog("LOG: Cancelled");
    WriteHistory(kCancelledHistory);
}

int ContactCount(const FlowContext& ctx) {
    return static_cast<int>(ctx.services.ctrl.pbxContactList.size());
}

// The contact type, then the action: a failed selection ends the operation as the action's
// failure would.
Result SelectAndRun(FlowContext& ctx, int action) {
    if (Result selected = ctx.frontEnd.SelectContactType(ctx.services.pbx); !selected.ok()) {
        return selected;
    }
    CarryOutAction(ctx, action);
    return LastResult(ctx);
}

bool EndsWithCsv(const std::string& file) {
    if (file.size() < 4) return false;
    std::string extension = file.substr(file.size() - 4);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".csv";
}

// The file dialog, then the action for the chosen file (a dismissed dialog is a cancel).
Result RunOnChosenFile(FlowContext& ctx, FileDialog dialog,
                       const std::function<int(const std::string& file)>& actionFor) {
    const std::optional<std::string> file = ctx.frontEnd.ChooseFile(dialog);
    if (!file || file->empty()) return Cancel();
    ctx.services.ctrl.fileName = *file;
    CarryOutAction(ctx, actionFor(*file));
    return LastResult(ctx);
}

// How a file transfer ends: the history line of its failure (with the result text) and of its
// success (count, contact type name, file), and the text of the success message.
struct FileTransferReport {
    const char* failedHistory;
    const char* doneHistory;
    int doneText;
};

void ReportFileTransfer(FlowContext& ctx, const Result& result, const FileTransferReport& report) {
    if (result.cancelled()) {
        WriteCancelLines();
        ctx.frontEnd.Cancelled(result);
    } else if (!result.ok()) {
        WriteHistory(report.failedHistory, result.text);
        ctx.frontEnd.Failure(result);
    } else {
        const int count = ContactCount(ctx);
        const std::string& typeName = ctx.services.pbx.contactTypeName;
        WriteHistory(report.doneHistory, count, typeName, ctx.services.ctrl.fileName);
        ctx.frontEnd.Information(Text(report.doneText, {}, typeName, std::to_string(count)));
    }
}

// A failed action where the flow has nothing of its own to say: the failure box, or nothing
// more for a cancel.
Result ReportFailed(FlowContext& ctx, Result failed) {
    ReportFailure(ctx.frontEnd, failed);
    return failed;
}

// The version step both address book flows begin with: success to go on.
Result CheckOutlookVersion(FlowContext& ctx, const char* flow, const char* unsupportedHistory) {
    Toutlook& outlook = OutlookStore(ctx.services);
    WriteLog("");
    WriteHistory("");
    if (CarryOutAction(ctx, kActGetOutlookVersion) != 0) {
        const std::string text = ctx.services.ctrl.resultText();
        WriteLog("LOG: -----> %s FAIL: %s", flow, text);
        WriteHistory("%s FAIL: %s", flow, text);
        ctx.frontEnd.Unshown(text);
        return LastResult(ctx);
    }
    WriteLog("LOG: -----> %s (%d - %s)", flow, outlook.versionCode, outlook.versionName);
    WriteHistory("%s (%s)", flow, outlook.versionName);
    if (outlook.versionCode > 2) return {};
    const Result unsupported{kResultLocalFailure, Text(kTextOutlookTooOld, {}, kAppName)};
    ctx.frontEnd.Error(unsupported.text);
    WriteLog("ERR: Outlook Version not supported!");
    WriteHistory("%s", unsupportedHistory);
    return unsupported;
}

// The folder chooser: success with the folder chosen, a cancel (the two cancel lines), or a
// choice that could not be made (its failure history line). Anything but success ends the flow.
Result ChooseFolder(FlowContext& ctx, Toutlook& outlook, bool forExport,
                    const char* failedHistory) {
    outlook.ResetChooser();
    outlook.showCreateButton = forExport ? 1 : 0;
    Result chosen = ctx.frontEnd.ChooseOutlookFolder(outlook);
    if (chosen.ok() && !(forExport && outlook.createCancelled == 1)) return chosen;
    if (chosen.ok() || chosen.cancelled()) {
        WriteCancelLines();
        ctx.frontEnd.Declined(Text(kTextActionCancelled));
        return Cancel();
    }
    WriteHistory(failedHistory, chosen.text);
    ctx.frontEnd.Error(chosen.text);
    return chosen;
}

// "... Outlook folder [%s]" with the chosen folder, or [DEFAULT] for the default one.
void WriteFolderHistory(const char* format, const char* defaultFormat, int count,
                        const std::string& typeName, const std::string& folder) {
    if (folder.empty()) {
        WriteHistory(defaultFormat, count, typeName);
    } else {
        WriteHistory(format, count, typeName, folder);
    }
}

}  // namespace

Result DeleteContacts(FlowContext& ctx) {
    WriteLog("");
    WriteLog("LOG: -----> Delete Contacts in PBX");
    WriteHistory("");
    WriteHistory("Delete Contacts in PBX");
    Tpbx& pbx = ctx.services.pbx;
    Result result = ctx.frontEnd.SelectContactType(pbx);
    if (result.ok()) {
        if (!Confirm(ctx, "confirm-delete", Text(kTextConfirmDelete, {}, pbx.contactTypeName))) {
            WriteCancelLines();
            ctx.frontEnd.Cancelled(Cancel());
            return Cancel();
        }
        CarryOutAction(ctx, kActDeleteContacts);
        result = LastResult(ctx);
    }
    if (!result.ok()) {
        WriteHistory("Failed to delete contacts in PBX for %s [%s]", pbx.contactTypeName,
                     result.text);
        ctx.frontEnd.Failure(result);
        return result;
    }
    WriteHistory("Successfully deleted contacts in PBX for %s", pbx.contactTypeName);
    ctx.frontEnd.Information(Text(kTextDeleted, {}, pbx.contactTypeName));
    return result;
}

Result ExportToFile(FlowContext& ctx, FileDialog dialog) {
    const bool xml = dialog != FileDialog::kSaveCsv;
    const char* what = xml ? "Export PBX Contacts to XML File" : "Export PBX Contacts to CSV File";
    WriteLog("");
    WriteLog("LOG: -----> %s", what);
    WriteHistory("");
    WriteHistory("%s", what);

    ctx.frontEnd.EnterBusyState();
    Result result = ctx.frontEnd.SelectContactType(ctx.services.pbx);
    if (result.ok()) {
        result = RunOnChosenFile(ctx, dialog, [xml](const std::string&) {
            return xml ? kActExportContactsToXMLFile : kActExportContactsToCSVFile;
        });
    }
    ctx.frontEnd.LeaveBusyState();
    ReportFileTransfer(
        ctx, result,
        {"Failed to export PBX contacts to file [%s]",
         "Successfully exported %d contacts from PBX for %s to file [%s]", kTextSavedToFile});
    return result;
}

Result ImportFromFile(FlowContext& ctx, bool csvAsCsv) {
    WriteLog("");
    WriteLog("LOG: -----> Import PBX Contacts From XML File");
    WriteHistory("");
    WriteHistory("Import PBX Contacts From XML File");

    Tpbx& pbx = ctx.services.pbx;
    Result result = ctx.frontEnd.SelectContactType(pbx);
    if (result.ok() &&
        !Confirm(ctx, "confirm-import", Text(kTextConfirmImport, {}, pbx.contactTypeName))) {
        result = Cancel();
    }
    if (result.ok()) {
        ctx.frontEnd.EnterBusyState();
        result = RunOnChosenFile(ctx, FileDialog::kOpenXml, [csvAsCsv](const std::string& file) {
            return csvAsCsv && EndsWithCsv(file) ? kActImportContactsFromCSVFile
                                                 : kActImportContactsFromXMLFile;
        });
        ctx.frontEnd.LeaveBusyState();
    }
    ReportFileTransfer(
        ctx, result,
        {"Failed to import PBX contacts from file [%s]",
         "Successfully imported %d contacts to PBX for %s from file [%s]", kTextImported});
    return result;
}

Result ExportToOutlook(FlowContext& ctx) {
    Toutlook& outlook = OutlookStore(ctx.services);
    if (Result version = CheckOutlookVersion(ctx, "Export PBX Contacts To Outlook",
                                             "Fail: Outlook version not supported");
        !version.ok()) {
        return version;
    }
    // Every export adds to the folder; the questions below warn of duplicates.
    outlook.keepExisting = 1;
    outlook.folderPath.clear();
    if (outlook.versionCode == 3) {
        if (!Confirm(ctx, "outlook-duplicates",
                     Text(kTextOutlookDefaultDuplicates) + "\n\n" +
                         Text(kTextOutlookDefaultBackupAdvice) + "\n\n" +
                         Text(kTextDoYouWantToContinue) + "\n")) {
            WriteCancelLines();
            ctx.frontEnd.Declined(Text(kTextActionCancelled));
            return Cancel();
        }
    } else {
        if (CarryOutAction(ctx, kActGetOutlookFolderInfo) != 0) {
            return ReportFailed(ctx, LastResult(ctx));
        }
        if (Result chosen = ChooseFolder(ctx, outlook, true,
                                         "Failed to export PBX contacts to Outlook folder [%s]");
            !chosen.ok()) {
            return chosen;
        }
        if (outlook.newFolderCreated == 0 && outlook.folderContactCount > 0 &&
            !Confirm(ctx, "outlook-duplicates",
                     Text(kTextOutlookFolderHasContacts, {}, {},
                          std::to_string(outlook.folderContactCount)) +
                         "\n\n" + Text(kTextOutlookFolderDuplicates) + "\n\n" +
                         Text(kTextOutlookFolderBackupAdvice) + "\n\n" +
                         Text(kTextDoYouWantToContinue) + "\n")) {
            WriteCancelLines();
            ctx.frontEnd.Declined(Text(kTextActionCancelled));
            return Cancel();
        }
    }

    ctx.frontEnd.EnterBusyState();
    const Result result = SelectAndRun(ctx, kActExportContactsToOutlook);
    ctx.frontEnd.LeaveBusyState();
    const std::string& typeName = ctx.services.pbx.contactTypeName;
    if (result.ok()) {
        const int count = ContactCount(ctx);
        ctx.frontEnd.Information(Text(kTextSavedToOutlook, {}, typeName, std::to_string(count)));
        WriteFolderHistory(
            "Successfully exported %d contacts from PBX for %s to Outlook folder [%s]",
            "Successfully exported %d contacts from PBX for %s to Outlook folder [DEFAULT]", count,
            typeName, outlook.folderPath);
    } else if (!result.cancelled()) {
        WriteHistory("Failed to export PBX contacts to Outlook folder [%s]", result.text);
        ctx.frontEnd.Failure(result);
    } else {
        ctx.frontEnd.Cancelled(result);
    }
    return result;
}

Result ImportFromOutlook(FlowContext& ctx) {
    Toutlook& outlook = OutlookStore(ctx.services);
    if (Result version = CheckOutlookVersion(ctx, "Import PBX Contacts From Outlook",
                                             "Fail. Outlook Version not supported!");
        !version.ok()) {
        return version;
    }
    outlook.folderPath.clear();
    if (outlook.versionCode >= 4) {
        if (CarryOutAction(ctx, kActGetOutlookFolderInfo) != 0) {
            return ReportFailed(ctx, LastResult(ctx));
        }
        if (outlook.numContactFolders == 0) {
            ctx.frontEnd.Error(Text(kTextNoContactFolder));
            return {kResultLocalFailure, Text(kTextNoContactFolder)};
        }
        // With a single contacts folder the default one is used, without a chooser.
        if (outlook.numContactFolders != 1) {
            if (Result chosen = ChooseFolder(ctx, outlook, false,
                                             "Failed to import PBX contacts from Outlook [%s]");
                !chosen.ok()) {
                return chosen;
            }
        }
    }

    Tpbx& pbx = ctx.services.pbx;
    Result result = ctx.frontEnd.SelectContactType(pbx);
    if (result.ok()) {
        if (!Confirm(ctx, "confirm-import", Text(kTextConfirmImport, {}, pbx.contactTypeName))) {
            ctx.frontEnd.Declined(Text(kTextActionCancelled));
            return Cancel();
        }
        ctx.frontEnd.EnterBusyState();
        CarryOutAction(ctx, kActImportContactsFromOutlook);
        result = LastResult(ctx);
        ctx.frontEnd.LeaveBusyState();
    }
    const std::string& typeName = pbx.contactTypeName;
    if (result.ok()) {
        const int count = ContactCount(ctx);
        WriteFolderHistory(
            "Successfully imported %d contacts to PBX for %s from Outlook folder [%s]",
            "Successfully imported %d contacts to PBX for %s from Outlook folder [DEFAULT]", count,
            typeName, outlook.folderPath);
        ctx.frontEnd.Information(Text(kTextImported, {}, typeName, std::to_string(count)));
    } else if (!result.cancelled()) {
        WriteHistory("Failed to import PBX contacts from Outlook [%s]", result.text);
        ctx.frontEnd.Failure(result);
    } else {
        ctx.frontEnd.Cancelled(result);
    }
    return result;
}

}  // namespace korvi::flows
