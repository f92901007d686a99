#include "cli/OutlookTransfer.h"

#include <ostream>

#include "app/KorviSettings.h"
#include "app/Log.h"
#include "app/Prompt.h"
#include "app/SettingsRegistry.h"
#include "app/Texts.h"
#include "cli/ActionRunner.h"
#include "cli/CliIo.h"
#include "cli/Command.h"
#include "cli/PbxSession.h"
#include "pbx/Tpbx.h"
#include "services/OutlookPartner.h"
#include "services/Services.h"

namespace korvi::cli {

namespace {

bool Confirm(CliIo& io, const std::string& id, const std::string& text) {
    Question q;
    q.kind = Question::Kind::Confirm;
    q.id = id;
    q.caption = Text(kTextConfirm);
    q.text = text;
    return io.prompt().Ask(q) == kOk;
}

int Cancelled(CliIo& io) {
    WriteLog("LOG: Cancelled");
    WriteHistory("Fail: Action cancelled");
    io.Error(Text(kTextActionCancelled));
    return kExitFailure;
}

// The version step both flows begin with. 0 to go on; otherwise the exit code.
int CheckVersion(CliIo& io, const char* flow) {
    Services& services = io.services();
    Toutlook& outlook = OutlookStore(services);
    ActionRunner runner(io);
    WriteLog("");
    WriteHistory("");
    if (runner.Run(kActGetOutlookVersion) != 0) {
        const std::string text = services.ctrl.resultText();
        WriteLog("LOG: -----> %s FAIL: %s", flow, text);
        WriteHistory("%s FAIL: %s", flow, text);
        io.Error(text);
        return kExitFailure;
    }
    WriteLog("LOG: -----> %s (%d - %s)", flow, outlook.versionCode, outlook.versionName);
    WriteHistory("%s (%s)", flow, outlook.versionName);
    return 0;
}

// The chooser's part for a command line: the named contacts folder (the default one when no
// name is given) looked up in the tree that action 16 filled.
const OutlookFolderNode* ChosenFolder(CliIo& io, const std::optional<std::string>& folder,
                                      std::string& path) {
    Toutlook& outlook = OutlookStore(io.services());
    path = folder ? *folder : std::string(kDefaultContactsPath);
    const OutlookFolderNode* node = outlook.FindNode(path);
    if (node == nullptr || node->info.defaultItemType != outlook::olContactItem) {
        io.Error(Text(kTextOutlookFolderNotOpened, {}, path));
        return nullptr;
    }
    return node;
}

// The PBX side, where the window's RunExport / RunImport picks the contact type. 0, or the
// exit code after the failure was reported.
int ConnectPbx(CliIo& io, PbxSession& session, const char* failureHistory) {
    Result connected = session.Connect();
    if (connected.ok()) connected = session.ChooseContactType();
    const auto& [code, text] = connected;
    if (code == 0) return 0;
    WriteHistory(failureHistory, text);
    io.ClearStatus();
    io.err() << FailureMessage(code, text) << '\n';
    HintContactType(io, session);
    return kExitFailure;
}

}  // namespace

void UseAddressBookSetting(CliIo& io) {
    KorviSettings settings;
    GetAllSettingsFromRegistry(settings);
    io.services().Configure(settings);
}

int ExportPbxToOutlook(CliIo& io, PbxSession& session, const std::optional<std::string>& folder) {
    UseAddressBookSetting(io);
    Services& services = io.services();
    Toutlook& outlook = OutlookStore(services);
    const char* flow = "Export PBX Contacts To Outlook";
    if (const int code = CheckVersion(io, flow); code != 0) return code;
    if (outlook.versionCode <= 2) {
        io.Error(Text(kTextOutlookTooOld, {}, kAppName));
        WriteLog("ERR: Outlook Version not supported!");
        WriteHistory("Fail: Outlook version not supported");
        return kExitFailure;
    }
    // Every export adds to the folder; the question below warns of duplicates.
    outlook.keepExisting = 1;
    outlook.folderPath.clear();
    ActionRunner runner(io);
    if (outlook.versionCode == 3) {
        if (!Confirm(io, "outlook-duplicates",
                     Text(kTextOutlookDefaultDuplicates) + "\n\n" +
                         Text(kTextOutlookDefaultBackupAdvice) + "\n\n" +
                         Text(kTextDoYouWantToContinue) + "\n"))
            return Cancelled(io);
    } else {
        if (runner.Run(kActGetOutlookFolderInfo) != 0) return runner.ReportFailure();
        outlook.ResetChooser();
        std::string path;
        const OutlookFolderNode* node = ChosenFolder(io, folder, path);
        if (node == nullptr) {
            WriteHistory("Failed to export PBX contacts to Outlook folder [%s]",
                         Text(kTextOutlookFolderNotOpened, {}, path));
            return kExitFailure;
        }
        outlook.SelectFolderNode(node);
        if (outlook.newFolderCreated == 0 && outlook.folderContactCount > 0 &&
            !Confirm(io, "outlook-duplicates",
                     Text(kTextOutlookFolderHasContacts, {}, {},
                          std::to_string(outlook.folderContactCount)) +
                         "\n\n" + Text(kTextOutlookFolderDuplicates) + "\n\n" +
                         Text(kTextOutlookFolderBackupAdvice) + "\n\n" +
                         Text(kTextDoYouWantToContinue) + "\n"))
            return Cancelled(io);
    }

    if (const int code =
            ConnectPbx(io, session, "Failed to export PBX contacts to Outlook folder [%s]");
        code != 0)
        return code;
    const int code = runner.Run(kActExportContactsToOutlook);
    const std::string& typeName = services.pbx.contactTypeName;
    const int count = static_cast<int>(services.ctrl.pbxContactList.size());
    if (code == 0) {
        io.out() << Text(kTextSavedToOutlook, {}, typeName, std::to_string(count)) << '\n';
        if (outlook.folderPath.empty()) {
            WriteHistory(
                "Successfully exported %d contacts from PBX for %s to Outlook folder "
                "[DEFAULT]",
                count, typeName);
        } else {
            WriteHistory("Successfully exported %d contacts from PBX for %s to Outlook folder [%s]",
                         count, typeName, outlook.folderPath);
        }
        return kExitOk;
    }
    if (code != kResultCancelled)
        WriteHistory("Failed to export PBX contacts to Outlook folder [%s]",
                     services.ctrl.resultText());
    return runner.ReportFailure();
}

int ImportPbxFromOutlook(CliIo& io, PbxSession& session, const std::optional<std::string>& folder) {
    UseAddressBookSetting(io);
    Services& services = io.services();
    Toutlook& outlook = OutlookStore(services);
    const char* flow = "Import PBX Contacts From Outlook";
    if (const int code = CheckVersion(io, flow); code != 0) return code;
    if (outlook.versionCode <= 2) {
        io.Error(Text(kTextOutlookTooOld, {}, kAppName));
        WriteLog("ERR: Outlook Version not supported!");
        WriteHistory("Fail. Outlook Version not supported!");
        return kExitFailure;
    }
    outlook.folderPath.clear();
    ActionRunner runner(io);
    if (outlook.versionCode >= 4) {
        if (runner.Run(kActGetOutlookFolderInfo) != 0) return runner.ReportFailure();
        if (outlook.numContactFolders == 0) {
            io.Error(Text(kTextNoContactFolder));
            return kExitFailure;
        }
        // With a single contacts folder the default one is used, as without a chooser.
        if (folder) {
            std::string path;
            const OutlookFolderNode* node = ChosenFolder(io, folder, path);
            if (node == nullptr) {
                WriteHistory("Failed to import PBX contacts from Outlook [%s]",
                             Text(kTextOutlookFolderNotOpened, {}, path));
                return kExitFailure;
            }
            outlook.SelectFolderNode(node);
        }
    }

    if (const int code = ConnectPbx(io, session, "Failed to import PBX contacts from Outlook [%s]");
        code != 0)
        return code;
    const std::string& typeName = services.pbx.contactTypeName;
    if (!Confirm(io, "confirm-import", Text(kTextConfirmImport, {}, typeName))) {
        io.Error(Text(kTextActionCancelled));
        return kExitFailure;
    }
    const int code = runner.Run(kActImportContactsFromOutlook);
    const int count = static_cast<int>(services.ctrl.pbxContactList.size());
    if (code == 0) {
        if (outlook.folderPath.empty()) {
            WriteHistory(
                "Successfully imported %d contacts to PBX for %s from Outlook folder "
                "[DEFAULT]",
                count, typeName);
        } else {
            WriteHistory("Successfully imported %d contacts to PBX for %s from Outlook folder [%s]",
                         count, typeName, outlook.folderPath);
        }
        io.out() << Text(kTextImported, {}, typeName, std::to_string(count)) << '\n';
        return kExitOk;
    }
    if (code != kResultCancelled)
        WriteHistory("Failed to import PBX contacts from Outlook [%s]", services.ctrl.resultText());
    return runner.ReportFailure();
}

}  // namespace korvi::cli
