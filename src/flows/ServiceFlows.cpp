#include "flows/ServiceFlows.h"

#include "app/Log.h"
#include "app/Texts.h"
#include "flows/CarryOutAction.h"
#include "flows/FlowContext.h"
#include "flows/FrontEnd.h"
#include "pbx/PortalLogin.h"
#include "pbx/UrlOpener.h"
#include "services/Services.h"

namespace korvi::flows {

Result CheckService(FlowContext& ctx, bool withChallenge) {
    WriteLog("");
    WriteLog("LOG: -----> Check Service");
    if (CarryOutAction(ctx, withChallenge ? kActCheckServiceExt : kActCheckService) != 0) {
        const Result failed = LastResult(ctx);
        WriteLog("LOG: Check Service Fail: %s", FailureText(failed));
        ReportFailure(ctx.frontEnd, failed);
        return failed;
    }
    const Tpbx& pbx = ctx.services.pbx;
    std::string message = Text(kTextServiceOk);
    if (!pbx.platform.empty()) message += "\nPlatform: " + pbx.platform;
    if (!pbx.swVersion.empty()) message += "- SW Version: " + pbx.swVersion;
    WriteLog("LOG: Check Service OK: %s", message);
    ctx.frontEnd.Information(message);
    return {kResultOk, message};
}

Result LaunchPortal(FlowContext& ctx, UrlOpener& opener) {
    WriteLog("");
    WriteLog("LOG: -----> Launch User Portal");
    if (CarryOutAction(ctx, kActCheckServiceExt) != 0) {
        const Result failed = LastResult(ctx);
        WriteLog("LOG: Check Service (Ext) Fail: %s", FailureText(failed));
        // The launch shows a cancel in the progress with its code, as any other failure.
        ctx.frontEnd.Failure(failed);
        return failed;
    }
    const Tpbx& pbx = ctx.services.pbx;
    const KorviSettings& fields = ctx.settings;
    PortalLoginInputs inputs;
    inputs.pbxUrlField = fields.pbxUrl;
    inputs.userName = fields.userName;
    inputs.platform = pbx.platform;
    inputs.browserPort = pbx.browserPort;
    inputs.cIdx = pbx.cIdx;
    if (const int calc = CalcResponseFromChallenge(pbx.browserChallenge, fields.userName,
                                                   fields.pin, inputs.response);
        calc != 0) {
        WriteLog("LOG: CalcResponseFromChallenge Fail: %d", calc);
        const Result failed{calc, "CalcResponseFromChallenge Fail"};
        ctx.frontEnd.Error(failed.text);
        return failed;
    }
    Result opened = opener.OpenUrl(BuildPortalLoginUrl(inputs));
    if (!opened.ok()) ctx.frontEnd.Error(opened.text);
    return opened;
}

std::optional<std::string> FindServers(FlowContext& ctx) {
    WriteLog("");
    WriteLog("LOG: -----> Find Servers");
    if (CarryOutAction(ctx, kActFindServersOnLan) != 0) {
        const Result failed = LastResult(ctx);
        WriteLog("ERR: Find Servers Fail: %s", FailureText(failed));
        ReportFailure(ctx.frontEnd, failed);
        return std::nullopt;
    }
    const Tpbx& pbx = ctx.services.pbx;
    if (pbx.numServers == 0) {
        ctx.frontEnd.Warning(Text(kTextNoPbxFound));
        return std::nullopt;
    }
    if (pbx.numServers == 1) return pbx.serverList.front();
    return ctx.frontEnd.ChooseServer(pbx.serverList);
}

Result LoadExtensions(FlowContext& ctx) {
    if (!ctx.services.pbx.extnInfoList.empty()) return {};
    if (CarryOutAction(ctx, kActGetExtnInfo) == 0) return {};
    const Result failed = LastResult(ctx);
    ReportFailure(ctx.frontEnd, failed);
    return failed;
}

}  // namespace korvi::flows
