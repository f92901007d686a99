#include "sync/SyncActions.h"

#include "app/Log.h"
#include "stores/outlook/Toutlook.h"
#include "sync/PbxBackup.h"
#include "sync/Services.h"
#include "sync/SyncRun.h"

namespace korvi {

void RegisterSyncActions(Tctrl& ctrl, PbxPhonebook& pbx, TcontactFile& contactFile,
                         Toutlook* outlook, SyncActionOptions options) {
    ctrl.SetActionBody(
        kActSyncContacts, [&pbx, &contactFile, outlook, options](Tctrl& c, const StopFlag& stop) {
            SyncContext ctx(c, pbx, contactFile);
            ctx.dryRun = options.dryRun;
            ctx.matchStrategy = options.strategy;
            ctx.partnerSlots = PartnerSlots::AddressBook();
            ctx.selectPartner = [outlook](Tctrl& ctl, std::string& whyNot) -> PartnerStore* {
                if (ctl.partner == ePartner_Outlook && outlook != nullptr) {
                    outlook->folderPath = ctl.outlookFolder;
                    return outlook;
                }
                whyNot = ctl.partner == ePartner_Gmail
                             ? std::string(kGmailSyncNotAvailable)
                             : "Unknown sync partner " + std::to_string(ctl.partner);
                return nullptr;
            };
            ctx.backupPbx = [&pbx, &contactFile, &stop](std::string& note) {
                PbxBackupInfo info;
                Result saved = BackupPbxContacts(pbx, contactFile, stop, info);
                if (saved.ok() && !info.file.empty()) {
                    WriteLog("LOG: CTRL: DoSync: %d PBX contacts saved to %s", info.contacts,
                             info.file.string());
                }
                note = BackupNote(info, pbx.CurrentContactTypeName());
                return saved;
            };
            DoSync(ctx, stop);
            if (options.plan != nullptr) *options.plan = ctx.run.plan;
        });
}

void RegisterSyncActions(Services& services, SyncActionOptions options) {
    RegisterSyncActions(services.ctrl, services.pbx, services.contactFile, &services.outlook,
                        options);
}

}  // namespace korvi
