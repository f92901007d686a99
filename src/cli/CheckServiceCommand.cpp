#include "cli/CheckServiceCommand.h"

#include <ostream>
#include <string>

#include "cli/ArgParser.h"
#include "cli/Cli.h"
#include "cli/CliFlow.h"
#include "cli/CliIo.h"
#include "cli/PbxSession.h"
#include "flows/ServiceFlows.h"
#include "pbx/Tpbx.h"
#include "services/Services.h"

namespace korvi::cli {

std::vector<OptionSpec> CheckServiceCommand::OwnOptions() const {
    return {{"challenge", "", "also ask for a user-portal challenge (the portal login's check)"}};
}

int CheckServiceCommand::RunFlow(const ParsedArgs& args, CliIo& io, PbxSession&, CliFlow& flow) {
    const bool challenge = args.Has("challenge");
    const Result checked = flows::CheckService(flow.ctx(), challenge);
    if (!checked.ok()) return kExitFailure;

    // The window's box shows the platform on a second line; one line here.
    std::string message = checked.text;
    for (char& c : message) {
        if (c == '\n') c = ' ';
    }
    io.out() << message;
    // The challenge itself is a secret: only whether one came is told.
    if (challenge) {
        const Tpbx& pbx = io.services().pbx;
        io.out() << (pbx.browserChallenge.empty()
                         ? " No portal challenge received."
                         : " Portal challenge received (cIdx " + std::to_string(pbx.cIdx) + ").");
    }
    io.out() << '\n';
    return kExitOk;
}

}  // namespace korvi::cli
