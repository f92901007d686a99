#include "sync/StoreWriteGuard.h"

#include <string>
#include <utility>

#include "app/Log.h"
#include "app/StoreWriteLock.h"

namespace korvi {

Tctrl::ActionBody HoldingStoreWriteLock(std::filesystem::path lockFile, Tctrl::ActionBody body) {
    return [lockFile = std::move(lockFile), body = std::move(body)](Tctrl& ctrl,
                                                                    const StopFlag& stop) {
        StoreWriteLock lock;
        std::string text;
        if (lock.TryLock(lockFile, text) != StoreWriteLock::Outcome::kHeld) {
            WriteLog("ERR: CTRL: %s: %s", ActionName(ctrl.action), text);
            ctrl.SetResult(kResultStoreBusy, text);
            return;
        }
        body(ctrl, stop);
    };
}

void GuardStoreWrites(Tctrl& ctrl, const std::filesystem::path& lockFile) {
    for (const int action : kStoreWritingActions) {
        Tctrl::ActionBody body = ctrl.actionBody(action);
        if (body) ctrl.SetActionBody(action, HoldingStoreWriteLock(lockFile, std::move(body)));
    }
}

}  // namespace korvi
