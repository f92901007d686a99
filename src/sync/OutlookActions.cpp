#include "sync/OutlookActions.h"

#include <utility>

#include "app/Texts.h"
#include "files/ContactFile.h"
#include "pbx/PbxPhonebook.h"
#include "stores/outlook/VcfAddressBook.h"
#include "sync/PbxActions.h"
#include "sync/Services.h"
#include "sync/Tctrl.h"
#include "sync/WholeSideCopy.h"

namespace korvi {

namespace {

void ExportToOutlook(Tctrl& ctrl, Toutlook& outlook, PbxPhonebook& pbx, TcontactFile& contactFile,
                     const StopFlag& stop) {
    ClearContactList(ctrl.pbxContactList);
    std::string text;
    int code = ReadPbxContacts(pbx, ctrl.pbxContactList, stop, text);
    if (code == 0) {
        code = ReplacePartnerContacts(outlook, contactFile, pbx.CurrentContactType(),
                                      ctrl.pbxContactList, stop, text);
    }
    if (code == 0) {
        code = contactFile.WriteSyncFile(pbx.CurrentContactType(), outlook.contactStoreID(), text,
                                         ctrl.pbxContactList);
    }
    ctrl.SetResult(code, std::move(text));
}

void ImportFromOutlook(Tctrl& ctrl, Toutlook& outlook, PbxPhonebook& pbx, TcontactFile& contactFile,
                       const StopFlag& stop, const PbxBackupOptions& backupOptions) {
    ClearContactList(ctrl.pbxContactList);
    std::string text;
    int code = outlook.LoadContacts(ctrl.pbxContactList, stop, text);
    if (code == 0 && ctrl.pbxContactList.empty()) {
        code = kResultNothingToDo;
        text = Text(165);
    }
    if (code == 0) {
        code = SaveContactsWithBackup(pbx, contactFile, ctrl.pbxContactList, stop, text, nullptr,
                                      backupOptions);
    }
    // A PBX save cut short by a cancel wrote only some contacts: a sync list naming them all
    // would make the next sync delete the others from the address book.
    if (code == 0 && stop.load()) {
        code = kResultCancelled;
        text = Text(161);
    }
    if (code == 0) {
        code = contactFile.WriteSyncFile(pbx.CurrentContactType(), outlook.contactStoreID(), text,
                                         ctrl.pbxContactList);
    }
    ctrl.SetResult(code, std::move(text));
}

}  // namespace

Toutlook::Connector AddressBookConnector(const Services& services) {
    return [&services] {
        outlook::VcfAddressBookOptions options;
        options.root = services.addressBookDir;
        options.backupsRoot = services.dataFolder() / "backups";
        return outlook::ConnectVcfAddressBook(options);
    };
}

void RegisterOutlookActions(Tctrl& ctrl, Toutlook& outlook, PbxPhonebook& pbx,
                            TcontactFile& contactFile, PbxBackupOptions backupOptions) {
    ctrl.SetActionBody(kActExportContactsToOutlook,
                       [&outlook, &pbx, &contactFile](Tctrl& c, const StopFlag& stop) {
                           ExportToOutlook(c, outlook, pbx, contactFile, stop);
                       });
    ctrl.SetActionBody(kActImportContactsFromOutlook, [&outlook, &pbx, &contactFile, backupOptions](
                                                          Tctrl& c, const StopFlag& stop) {
        ImportFromOutlook(c, outlook, pbx, contactFile, stop, backupOptions);
    });
    ctrl.SetActionBody(kActGetOutlookFolderInfo, [&outlook](Tctrl& c, const StopFlag&) {
        std::string text;
        const int code = outlook.GetOutlookFolderInfo(text);
        c.SetResult(code, std::move(text));
    });
    ctrl.SetActionBody(kActGetOutlookVersion, [&outlook](Tctrl& c, const StopFlag&) {
        std::string text;
        const int code = outlook.GetVersion(text);
        c.SetResult(code, std::move(text));
    });
}

void RegisterOutlookActions(Services& services) {
    RegisterOutlookActions(services.ctrl, services.outlook, services.pbx, services.contactFile);
}

}  // namespace korvi
