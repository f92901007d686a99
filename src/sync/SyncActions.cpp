#include "sync/SyncActions.h"

#include <fmt/format.h>

#include "app/Log.h"
#include "app/Texts.h"
#include "sync/Partner.h"
#include "sync/PbxBackup.h"
#include "sync/SyncRun.h"

namespace korvi {

std::string PartnerNotAvailableText(int partner) {
    return fmt::format("Sync with {} is not available in this version of {}", PartnerName(partner),
                       kAppName);
}

void UsePartners(SyncContext& ctx, const PartnerDirectory& partners) {
    ctx.selectPartner = [&ctx, &partners](Tctrl& ctrl, Result& whyNot) -> PartnerStore* {
        const Partner* partner = partners.Find(ctrl.partner);
        if (partner == nullptr || partner->store == nullptr) {
            whyNot = {kResultActionNotAvailable, PartnerNotAvailableText(ctrl.partner)};
            return nullptr;
        }
        if (partner->prepareSync) {
            if (Result prepared = partner->prepareSync(ctrl); !prepared.ok()) {
                whyNot = std::move(prepared);
                return nullptr;
            }
        }
        ctrl.partnerName = partner->name;
        ctx.partnerSlots = partner->slots;
        ctx.finishPartner = partner->finish;
        return partner->store;
    };
}

void RegisterSyncActions(Tctrl& ctrl, PbxPhonebook& pbx, TcontactFile& contactFile,
                         const PartnerDirectory& partners, SyncActionOptions options) {
    ctrl.SetActionBody(kActSyncContacts,
                       [&pbx, &contactFile, &partners, options](Tctrl& c, const StopFlag& stop) {
                           SyncContext ctx(c, pbx, contactFile);
                           ctx.dryRun = options.dryRun;
                           ctx.matchStrategy = options.strategy;
                           UsePartners(ctx, partners);
                           ctx.backupPbx = [&pbx, &contactFile, &stop](std::string& note) {
                               PbxBackupInfo info;
                               Result saved = BackupPbxContacts(pbx, contactFile, stop, info);
                               if (saved.ok() && !info.file.empty()) {
                                   WriteLog("LOG: CTRL: DoSync: %d PBX contacts saved to %s",
                                            info.contacts, info.file.string());
                               }
                               note = BackupNote(info, pbx.CurrentContactTypeName());
                               return saved;
                           };
                           DoSync(ctx, stop);
                           if (options.plan != nullptr) *options.plan = ctx.run.plan;
                       });
}

}  // namespace korvi
