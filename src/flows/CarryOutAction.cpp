#include "flows/CarryOutAction.h"

#include "app/Log.h"
#include "flows/FlowContext.h"
#include "flows/FrontEnd.h"
#include "services/Services.h"

namespace korvi::flows {

namespace {

bool ReachesPbx(int action) {
    return (action >= kActCheckService && action <= kActImportContactsFromGmail) ||
           action == kActSyncContacts;
}

}  // namespace

int CarryOutAction(FlowContext& ctx, int action, int silent) {
    Services& services = ctx.services;
    Tctrl& ctrl = services.ctrl;
    WriteLog("LOG: CarryOutAction: %s (Silent: %d)", ActionName(action), silent);

    if (ReachesPbx(action)) {
        const KorviSettings& s = ctx.settings;
        static_cast<void>(services.pbx.SetConnectionParams(s.pbxUrl + ":" + s.pbxPort, s.userName,
                                                           s.connTimeout, s.pin));
        services.pbx.connections = s.pbxConnections;
    }
    if (Result check = services.RunPreStartChecks(action); !check.ok()) {
        if (action == kActSyncContacts) {
            WriteHistory("Sync Failed: %s ErrCode %d", check.text, check.code);
        }
        const int code = check.code;
        ctrl.SetResult(std::move(check));
        return code;
    }

    ctrl.silent = silent;
    ctrl.action = action;
    ctrl.SetBusy(1);
    ctx.frontEnd.BeforeAction();
    ctrl.StartAction();
    if (ctx.frontEnd.WaitForAction(ctrl, silent)) {
        ctrl.CancelAction();
        ctx.frontEnd.AfterCancel(ctrl);
    }
    return ctrl.resultCode();
}

Result LastResult(const FlowContext& ctx) { return ctx.services.ctrl.result(); }

}  // namespace korvi::flows
