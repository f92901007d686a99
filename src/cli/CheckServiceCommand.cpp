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

    CliFlow flow(io, session);
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
