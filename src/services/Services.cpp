#include "services/Services.h"

#include <utility>

#include "app/AppPaths.h"
#include "app/Log.h"
#include "app/StoreWriteLock.h"
#include "app/Texts.h"
#include "services/Partners.h"
#include "sync/PartnerTransfer.h"
#include "sync/PbxActions.h"
#include "sync/StoreWriteGuard.h"

namespace korvi {

namespace {

// Runs before any module is constructed, so that their start-up log lines land in the
// user's folder.
std::string PrepareFolders() {
    std::string warning;
    if (!EnsureDataFolders(warning)) return warning;
    return {};
}

}  // namespace

Services::Services()
    : m_dataFolder(DataFolder()),
      m_logsFolder(LogsFolderDefault()),
      m_setupWarning(PrepareFolders()) {
    SetLogsFolder(m_logsFolder);
    RegisterPartners(*this);
}

// The worker's body may use any module: it ends before the first of them goes.
Services::~Services() { ctrl.Shutdown(); }

void Services::RegisterActions() {
    if (m_registered) return;
    m_registered = true;
    RegisterPbxActions(ctrl, pbx, contactFile);
    AddPreStartCheck([this](int action) { return CheckPbxActionInputs(pbx, action); });
    for (const Partner* partner : partners.All()) {
        if (partner->registerActions) partner->registerActions(ctrl);
        RegisterPartnerTransfers(ctrl, *partner, pbx, contactFile);
    }
    RegisterSyncActions({});
    // Last: it wraps the bodies registered above, the partners' transfers included.
    GuardStoreWrites(ctrl, m_dataFolder / kStoreWriteLockFile, StoreWritingActions(partners));
}

void Services::RegisterSyncActions(SyncActionOptions options) {
    korvi::RegisterSyncActions(ctrl, pbx, contactFile, partners, options);
}

void Services::AddPreStartCheck(PreStartCheck check) {
    if (check) m_preStartChecks.push_back(std::move(check));
}

Result Services::RunPreStartChecks(int action) const {
    for (const auto& check : m_preStartChecks) {
        if (Result r = check(action); !r.ok()) return r;
    }
    return {};
}

void Services::WriteStartupLines() {
    WriteLog("");
    WriteLog("LOG: Starting up.....Version %s", kAppVersion);
    WriteHistory("");
    WriteHistory("Communicator Started - Version: %s", kAppVersion);
}

void Services::WriteShutdownLines() {
    WriteLog("");
    WriteLog("LOG: Shutting down.....");
    WriteHistory("");
    WriteHistory("Communicator Shutdown");
}

}  // namespace korvi
