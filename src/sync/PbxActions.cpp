#include "sync/PbxActions.h"

#include <utility>

#include "app/Texts.h"
#include "files/ContactFile.h"
#include "pbx/Tpbx.h"
#include "sync/Services.h"
#include "sync/Tctrl.h"

namespace korvi {

namespace {

bool ReachesPbx(int action) {
    return (action >= kActCheckService && action <= kActImportContactsFromGmail) ||
           action == kActSyncContacts;
}

bool WorksOnContactType(int action) {
    return (action >= kActDeleteContacts && action <= kActImportContactsFromGmail) ||
           action == kActSyncContacts;
}

// A successful delete or replace tells where the old contacts went (the window shows its own
// message and does not read this; the command line prints it).
std::string SuccessNote(const PbxBackupInfo& backup, const std::string& contactTypeName) {
    std::string note = BackupNote(backup, contactTypeName);
    return note.empty() ? note : note.substr(note.find_first_not_of('\n'));
}

void ExportToFile(Tctrl& ctrl, Tpbx& pbx, TcontactFile& contactFile, const StopFlag& stop,
                  int fileType) {
    ClearContactList(ctrl.pbxContactList);
    std::string text;
    int code = ReadPbxContacts(pbx, ctrl.pbxContactList, stop, text);
    if (code == 0)
        code = contactFile.SaveContacts(ctrl.fileName, ctrl.pbxContactList, text, fileType);
    ctrl.SetResult(code, std::move(text));
}

void ImportFromFile(Tctrl& ctrl, Tpbx& pbx, TcontactFile& contactFile, const StopFlag& stop,
                    const PbxBackupOptions& backupOptions) {
    ClearContactList(ctrl.pbxContactList);
    std::string text;
    // The reader knows only the XML form, so a CSV file ends here with its -1.
    int code = contactFile.LoadContacts(ctrl.fileName, ctrl.pbxContactList, text);
    if (code == 0 && ctrl.pbxContactList.empty()) {
        code = kResultNothingToDo;
        text = Text(164);
    }
    PbxBackupInfo backup;
    if (code == 0) {
        code = SaveContactsWithBackup(pbx, contactFile, ctrl.pbxContactList, stop, text, &backup,
                                      backupOptions);
    }
    if (code == 0) {
        // The sync lists of this contact type describe a phonebook that no longer exists; the
        // outcome of removing them does not change the import's.
        static_cast<void>(contactFile.DeleteSyncFiles(pbx.contactType));
        text = SuccessNote(backup, pbx.contactTypeName);
    }
    ctrl.SetResult(code, std::move(text));
}

void DeleteAll(Tctrl& ctrl, Tpbx& pbx, TcontactFile& contactFile, const StopFlag& stop,
               const PbxBackupOptions& backupOptions) {
    std::string text;
    PbxBackupInfo backup;
    int code = BackupPbxContacts(pbx, contactFile, stop, backup, text, backupOptions);
    if (code == 0) {
        code = pbx.DeleteAllContactsForCurContactType(text);
        if (code == 0) {
            text = SuccessNote(backup, pbx.contactTypeName);
        } else {
            text += BackupNote(backup, pbx.contactTypeName);
        }
    }
    ctrl.SetResult(code, std::move(text));
}

}  // namespace

int CheckPbxActionInputs(const Tpbx& pbx, int action, std::string& text) {
    if (!ReachesPbx(action)) return 0;
    if (const int code = pbx.ValidateConnectionParams(text); code != 0) return code;
    if (!WorksOnContactType(action)) return 0;
    return pbx.ValidateContactType(text);
}

int ReadPbxContacts(PbxPhonebook& pbx, TContactList& list, const StopFlag& stop,
                    std::string& resultText) {
    if (const int code = pbx.GetContactIdsForCurContactType(resultText); code != 0) return code;
    if (pbx.ContactIdCount() == 0) {
        resultText = Text(162, {}, pbx.CurrentContactTypeName());
        return kResultNothingToDo;
    }
    return pbx.LoadContacts(&list, stop, resultText);
}

void RegisterPbxActions(Tctrl& ctrl, Tpbx& pbx, TcontactFile& contactFile,
                        PbxBackupOptions backupOptions) {
    ctrl.SetActionBody(kActFindServersOnLan, [&pbx](Tctrl& c, const StopFlag&) {
        std::string text;
        const int code = pbx.FindServersOnLan(&text);
        c.SetResult(code, std::move(text));
    });
    ctrl.SetActionBody(kActCheckService, [&pbx](Tctrl& c, const StopFlag&) {
        std::string text;
        const int code = pbx.CheckService(0, text);
        c.SetResult(code, std::move(text));
    });
    ctrl.SetActionBody(kActCheckServiceExt, [&pbx](Tctrl& c, const StopFlag&) {
        std::string text;
        const int code = pbx.CheckService(1, text);
        c.SetResult(code, std::move(text));
    });
    ctrl.SetActionBody(kActGetExtnInfo, [&pbx](Tctrl& c, const StopFlag&) {
        std::string text;
        const int code = pbx.GetExtnInfo(text);
        c.SetResult(code, std::move(text));
    });
    ctrl.SetActionBody(kActDeleteContacts,
                       [&pbx, &contactFile, backupOptions](Tctrl& c, const StopFlag& stop) {
                           DeleteAll(c, pbx, contactFile, stop, backupOptions);
                       });
    ctrl.SetActionBody(kActExportContactsToXMLFile,
                       [&pbx, &contactFile](Tctrl& c, const StopFlag& stop) {
                           ExportToFile(c, pbx, contactFile, stop, kFileTypeXml);
                       });
    ctrl.SetActionBody(kActExportContactsToCSVFile,
                       [&pbx, &contactFile](Tctrl& c, const StopFlag& stop) {
                           ExportToFile(c, pbx, contactFile, stop, kFileTypeCsv);
                       });
    for (const int action : {kActImportContactsFromXMLFile, kActImportContactsFromCSVFile}) {
        ctrl.SetActionBody(action,
                           [&pbx, &contactFile, backupOptions](Tctrl& c, const StopFlag& stop) {
                               ImportFromFile(c, pbx, contactFile, stop, backupOptions);
                           });
    }
}

void RegisterPbxActions(Services& services) {
    RegisterPbxActions(services.ctrl, services.pbx, services.contactFile);
    Tpbx& pbx = services.pbx;
    services.AddPreStartCheck(
        [&pbx](int action, std::string& text) { return CheckPbxActionInputs(pbx, action, text); });
}

}  // namespace korvi
