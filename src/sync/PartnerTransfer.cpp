#include "sync/PartnerTransfer.h"

#include <utility>

#include "app/Texts.h"
#include "files/ContactFile.h"
#include "pbx/PbxPhonebook.h"
#include "sync/Partner.h"
#include "sync/PbxActions.h"
#include "sync/Tctrl.h"
#include "sync/WholeSideCopy.h"

namespace korvi {

namespace {

Result CheckTransfer(const Partner& partner) {
    return partner.checkTransfer ? partner.checkTransfer() : Result();
}

void ExportToPartner(Tctrl& ctrl, const Partner& partner, PbxPhonebook& pbx,
                     TcontactFile& contactFile, const StopFlag& stop) {
    ClearContactList(ctrl.pbxContactList);
    PartnerStore& store = *partner.store;
    Result result = CheckTransfer(partner);
    if (result.ok()) result = ReadPbxContacts(pbx, ctrl.pbxContactList, stop);
    if (result.ok()) {
        result = Chained(std::move(result),
                         ReplacePartnerContacts(store, contactFile, pbx.CurrentContactType(),
                                                ctrl.pbxContactList, stop));
    }
    if (result.ok()) {
        result = Chained(std::move(result),
                         contactFile.WriteSyncFile(pbx.CurrentContactType(), store.contactStoreID(),
                                                   ctrl.pbxContactList));
    }
    ctrl.StoreStep(std::move(result));
}

void ImportFromPartner(Tctrl& ctrl, const Partner& partner, PbxPhonebook& pbx,
                       TcontactFile& contactFile, const StopFlag& stop,
                       const PbxBackupOptions& backupOptions) {
    ClearContactList(ctrl.pbxContactList);
    PartnerStore& store = *partner.store;
    Result result = CheckTransfer(partner);
    if (result.ok()) result = store.LoadContacts(ctrl.pbxContactList, stop);
    if (result.ok() && ctrl.pbxContactList.empty()) {
        result = {kResultNothingToDo, partner.noContactsText};
    }
    if (result.ok()) {
        result =
            Chained(std::move(result), SaveContactsWithBackup(pbx, contactFile, ctrl.pbxContactList,
                                                              stop, nullptr, backupOptions));
    }
    // A PBX save cut short by a cancel wrote only some contacts: a sync list naming them all
    // would make the next sync delete the others from the partner.
    if (result.ok() && stop.load()) result = {kResultCancelled, Text(kTextActionCancelled)};
    if (result.ok()) {
        result = Chained(std::move(result),
                         contactFile.WriteSyncFile(pbx.CurrentContactType(), store.contactStoreID(),
                                                   ctrl.pbxContactList));
    }
    // The store's last word replaces the result as a whole (its text too, even an empty one).
    if (result.ok() && partner.finish) {
        ctrl.SetResult(partner.finish(std::move(result)));
        return;
    }
    ctrl.StoreStep(std::move(result));
}

}  // namespace

void RegisterPartnerTransfers(Tctrl& ctrl, const Partner& partner, PbxPhonebook& pbx,
                              TcontactFile& contactFile, PbxBackupOptions backupOptions) {
    if (partner.store == nullptr) return;
    if (partner.exportAction >= 0) {
        ctrl.SetActionBody(partner.exportAction,
                           [&partner, &pbx, &contactFile](Tctrl& c, const StopFlag& stop) {
                               ExportToPartner(c, partner, pbx, contactFile, stop);
                           });
    }
    if (partner.importAction >= 0) {
        ctrl.SetActionBody(partner.importAction, [&partner, &pbx, &contactFile, backupOptions](
                                                     Tctrl& c, const StopFlag& stop) {
            ImportFromPartner(c, partner, pbx, contactFile, stop, backupOptions);
        });
    }
}

}  // namespace korvi
