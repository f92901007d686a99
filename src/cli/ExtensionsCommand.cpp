#include "cli/ExtensionsCommand.h"

#include <ostream>
#include <string>

#include "app/Texts.h"
#include "cli/ActionRunner.h"
#include "cli/ArgParser.h"
#include "cli/Cli.h"
#include "cli/CliIo.h"
#include "cli/PbxSession.h"
#include "pbx/Tpbx.h"
#include "services/Services.h"

namespace korvi::cli {

std::vector<OptionSpec> ExtensionsCommand::Options() const { return PbxConnectionOptions(false); }

int ExtensionsCommand::Run(const ParsedArgs& args, CliIo& io) {
    if (!args.Positionals().empty()) return UsageError(io, *this, "unexpected argument");
    PbxSession session(args, io);
    auto [code, text] = session.Connect();
    if (code == 0) {
        ActionRunner runner(io);
        code = runner.Run(kActGetExtnInfo);
        text = io.services().ctrl.resultText();
    }
    if (code != 0) {
        io.ClearStatus();
        io.err() << FailureMessage(code, text) << '\n';
        return kExitFailure;
    }
    const Tpbx& pbx = session.pbx();
    if (pbx.extnInfoList.size() > 1) io.out() << "central\t" << Text(kTextCentralStore) << '\n';
    for (const TExtnInfo& e : pbx.extnInfoList) {
        io.out() << e.devID << '\t' << e.extnName << '\t' << e.extnNumber << '\n';
    }
    io.out() << pbx.extnInfoList.size()
             << (pbx.extnInfoList.size() == 1 ? " extension" : " extensions") << " for "
             << pbx.userName << '\n';
    return kExitOk;
}

}  // namespace korvi::cli
