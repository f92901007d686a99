#include "sync/PbxActions.h"

#include <utility>

#include "app/Texts.h"
#include "files/ContactFile.h"
#include "pbx/Tpbx.h"
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
    Result result = ReadPbxContacts(pbx, ctrl.pbxContactList, stop);
    if (result.ok()) {
        result = Chained(std::move(result),
                         contactFile.SaveContacts(ctrl.fileName, ctrl.pbxContactList, fileType));
    }
    ctrl.SetResult(std::move(result));
}

void ImportFromFile(Tctrl& ctrl, Tpbx& pbx, TcontactFile& contactFile, const StopFlag& stop,
                    const PbxBackupOptions& backupOptions) {
    ClearContactList(ctrl.pbxContactList);
    // The reader knows only the XML form, so a CSV file ends here with its -1.
    Result result = contactFile.LoadContacts(ctrl.fileName, ctrl.pbxContactList);
    if (result.ok() && ctrl.pbxContactList.empty()) {
        result = {kResultNothingToDo, Text(kTextNoFileContacts)};
    }
    PbxBackupInfo backup;
    if (result.ok()) {
        result =
            Chained(std::move(result), SaveContactsWithBackup(pbx, contactFile, ctrl.pbxContactList,
                                                              stop, &backup, backupOptions));
    }
    if (result.ok()) {
        // The sync lists of this contact type describe a phonebook that no longer exists; the
        // outcome of removing them does not change the import's.
        static_cast<void>(contactFile.DeleteSyncFiles(pbx.contactType));
        result.text = SuccessNote(backup, pbx.contactTypeName);
    }
    ctrl.SetResult(std::move(result));
}

void DeleteAll(Tctrl& ctrl, Tpbx& pbx, TcontactFile& contactFile, const StopFlag& stop,
               const PbxBackupOptions& backupOptions) {
    PbxBackupInfo backup;
    Result result = BackupPbxContacts(pbx, contactFile, stop, backup, backupOptions);
    if (result.ok()) {
        result = pbx.DeleteAllContactsForCurContactType();
        if (result.ok()) {
            result.text = SuccessNote(backup, pbx.contactTypeName);
        } else {
            result.text += BackupNote(backup, pbx.contactTypeName);
        }
    }
    ctrl.SetResult(std::move(result));
}

}  // namespace

Result CheckPbxActionInputs(const Tpbx& pbx, int action) {
    if (!ReachesPbx(action)) return {};
    if (Result r = pbx.ValidateConnectionParams(); !r.ok()) return r;
    if (!WorksOnContactType(action)) return {};
    return pbx.ValidateContactType();
}

Result ReadPbxContacts(PbxPhonebook& pbx, TContactList& list, const StopFlag& stop) {
    Result ids = pbx.GetContactIdsForCurContactType();
    if (!ids.ok()) return ids;
    if (pbx.ContactIdCount() == 0) {
        return {kResultNothingToDo, Text(kTextNoPbxContacts, {}, pbx.CurrentContactTypeName())};
    }
    return Chained(std::move(ids), pbx.LoadContacts(&list, stop));
}

void RegisterPbxActions(Tctrl& ctrl, Tpbx& pbx, TcontactFile& contactFile,
                        PbxBackupOptions backupOptions) {
    ctrl.SetActionBody(kActFindServersOnLan,
                       [&pbx](Tctrl& c, const StopFlag&) { c.SetResult(pbx.FindServersOnLan()); });
    ctrl.SetActionBody(kActCheckService,
                       [&pbx](Tctrl& c, const StopFlag&) { c.SetResult(pbx.CheckService(0)); });
    ctrl.SetActionBody(kActCheckServiceExt,
                       [&pbx](Tctrl& c, const StopFlag&) { c.SetResult(pbx.CheckService(1)); });
    ctrl.SetActionBody(kActGetExtnInfo,
                       [&pbx](Tctrl& c, const StopFlag&) { c.SetResult(pbx.GetExtnInfo()); });
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

}  // namespace korvi
