#include "sync/StoreWriteGuard.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

#include "app/Log.h"
#include "app/StoreWriteLock.h"
#include "sync/Partner.h"

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

std::vector<int> StoreWritingActions(const PartnerDirectory& partners) {
    std::vector<int> actions(std::begin(kStoreWritingActions), std::end(kStoreWritingActions));
    for (const Partner* partner : partners.All()) {
        for (const int action : {partner->exportAction, partner->importAction}) {
            if (action >= 0) actions.push_back(action);
        }
    }
    return actions;
}

void GuardStoreWrites(Tctrl& ctrl, const std::filesystem::path& lockFile,
                      const std::vector<int>& actions) {
    std::vector<int> once = actions;
    std::sort(once.begin(), once.end());
    once.erase(std::unique(once.begin(), once.end()), once.end());
    for (const int action : once) {
        Tctrl::ActionBody body = ctrl.actionBody(action);
        if (body) ctrl.SetActionBody(action, HoldingStoreWriteLock(lockFile, std::move(body)));
    }
}

}  // namespace korvi
