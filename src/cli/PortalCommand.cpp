#include "cli/PortalCommand.h"

#include <ostream>
#include <string>

#include "app/Log.h"
#include "cli/ActionRunner.h"
#include "cli/ArgParser.h"
#include "cli/Cli.h"
#include "cli/CliIo.h"
#include "cli/PbxSession.h"
#include "pbx/PortalLogin.h"
#include "pbx/Tpbx.h"
#include "services/Services.h"

namespace korvi::cli {

PortalCommand::PortalCommand(UrlOpener* opener) : m_opener(opener) {
    if (m_opener == nullptr) {
        m_ownOpener = std::make_unique<XdgUrlOpener>();
        m_opener = m_ownOpener.get();
    }
}

std::vector<OptionSpec> PortalCommand::Options() const {
    std::vector<OptionSpec> specs = {
        {"print-url", "", "print the login URL (valid for one login) instead of opening it"}};
    const auto connection = PbxConnectionOptions(false);
    specs.insert(specs.end(), connection.begin(), connection.end());
    return specs;
}

int PortalCommand::Run(const ParsedArgs& args, CliIo& io) {
    if (!args.Positionals().empty()) return UsageError(io, *this, "unexpected argument");
    PbxSession session(args, io);

    WriteLog("");
    WriteLog("LOG: -----> Launch User Portal");
    auto [code, text] = session.Connect();
    if (code == 0) {
        ActionRunner runner(io);
        code = runner.Run(kActCheckServiceExt);
        text = io.services().ctrl.resultText();
    }
    if (code != 0) {
        const std::string message = FailureMessage(code, text);
        WriteLog("LOG: Check Service (Ext) Fail: %s", message);
        io.ClearStatus();
        io.err() << message << '\n';
        return kExitFailure;
    }

    const Tpbx& pbx = session.pbx();
    const PbxFields& fields = session.fields();
    PortalLoginInputs inputs;
    inputs.pbxUrlField = fields.url;
    inputs.userName = fields.userName;
    inputs.platform = pbx.platform;
    inputs.browserPort = pbx.browserPort;
    inputs.cIdx = pbx.cIdx;
    if (const int calc = CalcResponseFromChallenge(pbx.browserChallenge, fields.userName,
                                                   fields.pin, inputs.response);
        calc != 0) {
        WriteLog("LOG: CalcResponseFromChallenge Fail: %d", calc);
        io.err() << "CalcResponseFromChallenge Fail\n";
        return kExitFailure;
    }
    const std::string url = BuildPortalLoginUrl(inputs);
    if (args.Has("print-url")) {
        io.out() << url << '\n';
        return kExitOk;
    }
    if (Result opened = m_opener->OpenUrl(url); !opened.ok()) {
        io.Error(opened.text);
        return kExitFailure;
    }
    io.out() << "Opened the user portal of " << fields.url << " for " << fields.userName
             << " in the browser\n";
    return kExitOk;
}

}  // namespace korvi::cli
