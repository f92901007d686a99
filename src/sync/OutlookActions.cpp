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
    Result result = ReadPbxContacts(pbx, ctrl.pbxContactList, stop);
    if (result.ok()) {
        result = Chained(std::move(result),
                         ReplacePartnerContacts(outlook, contactFile, pbx.CurrentContactType(),
                                                ctrl.pbxContactList, stop));
    }
    if (result.ok()) {
        result = Chained(std::move(result),
                         contactFile.WriteSyncFile(pbx.CurrentContactType(),
                                                   outlook.contactStoreID(), ctrl.pbxContactList));
    }
    ctrl.StoreStep(std::move(result));
}

void ImportFromOutlook(Tctrl& ctrl, Toutlook& outlook, PbxPhonebook& pbx, TcontactFile& contactFile,
                       const StopFlag& stop, const PbxBackupOptions& backupOptions) {
    ClearContactList(ctrl.pbxContactList);
    Result result = outlook.LoadContacts(ctrl.pbxContactList, stop);
    if (result.ok() && ctrl.pbxContactList.empty()) {
        result = {kResultNothingToDo, Text(kTextNoOutlookContacts)};
    }
    if (result.ok()) {
        result = Chained(std::move(result),
                         SaveContactsWithBackup(pbx, contactFile, ctrl.pbxContactList, stop,
                                                nullptr, backupOptions));
    }
    // A PBX save cut short by a cancel wrote only some contacts: a sync list naming them all
    // would make the next sync delete the others from the address book.
    if (result.ok() && stop.load()) result = {kResultCancelled, Text(kTextActionCancelled)};
    if (result.ok()) {
        result = Chained(std::move(result),
                         contactFile.WriteSyncFile(pbx.CurrentContactType(),
                                                   outlook.contactStoreID(), ctrl.pbxContactList));
    }
    ctrl.StoreStep(std::move(result));
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
        c.SetResult(outlook.GetOutlookFolderInfo());
    });
    ctrl.SetActionBody(kActGetOutlookVersion,
                       [&outlook](Tctrl& c, const StopFlag&) { c.SetResult(outlook.GetVersion()); });
}

void RegisterOutlookActions(Services& services) {
    RegisterOutlookActions(services.ctrl, services.outlook, services.pbx, services.contactFile);
}

}  // namespace korvi
