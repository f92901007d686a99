#include "cli/CheckServiceCommand.h"

#include <ostream>
#include <string>

#include "app/Log.h"
#include "app/Texts.h"
#include "cli/ActionRunner.h"
#include "cli/ArgParser.h"
#include "cli/Cli.h"
#include "cli/CliIo.h"
#include "cli/PbxSession.h"
#include "pbx/Tpbx.h"
#include "services/Services.h"

namespace korvi::cli {

std::vector<OptionSpec> CheckServiceCommand::Options() const {
    std::vector<OptionSpec> specs = {
        {"challenge", "", "also ask for a user-portal challenge (the portal login's check)"}};
    const auto connection = PbxConnectionOptions(false);
    specs.insert(specs.end(), connection.begin(), connection.end());
    return specs;
}

int CheckServiceCommand::Run(const ParsedArgs& args, CliIo& io) {
    if (!args.Positionals().empty()) return UsageError(io, *this, "unexpected argument");
    PbxSession session(args, io);
    std::string usage;
    if (!session.CheckUsage(usage)) return UsageError(io, *this, usage);

    WriteLog("");
    WriteLog("LOG: -----> Check Service");
    auto [code, text] = session.Connect();
    const bool challenge = args.Has("challenge");
    if (code == 0) {
        ActionRunner runner(io);
        code = runner.Run(challenge ? kActCheckServiceExt : kActCheckService);
        text = io.services().ctrl.resultText();
    }
    if (code != 0) {
        const std::string message = FailureMessage(code, text);
        WriteLog("LOG: Check Service Fail: %s", message);
        io.ClearStatus();
        io.err() << message << '\n';
        return kExitFailure;
    }

    const Tpbx& pbx = session.pbx();
    std::string message = Text(kTextServiceOk);
    if (!pbx.platform.empty()) message += "\nPlatform: " + pbx.platform;
    if (!pbx.swVersion.empty()) message += "- SW Version: " + pbx.swVersion;
    WriteLog("LOG: Check Service OK: %s", message);
    // The window's box shows the platform on a second line; one line here.
    for (char& c : message) {
        if (c == '\n') c = ' ';
    }
    io.out() << message;
    // The challenge itself is a secret: only whether one came is told.
    if (challenge) {
        io.out() << (pbx.browserChallenge.empty()
                         ? " No portal challenge received."
                         : " Portal challenge received (cIdx " + std::to_string(pbx.cIdx) + ").");
    }
    io.out() << '\n';
    return kExitOk;
}

}  // namespace korvi::cli
