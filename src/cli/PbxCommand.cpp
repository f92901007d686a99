#include "cli/PbxCommand.h"

#include "cli/ArgParser.h"
#include "cli/Cli.h"
#include "cli/CliFlow.h"
#include "cli/PbxSession.h"

namespace korvi::cli {

std::vector<OptionSpec> PbxCommand::Options() const {
    std::vector<OptionSpec> specs = OwnOptions();
    const auto connection = PbxConnectionOptions(WorksOnContactType());
    specs.insert(specs.end(), connection.begin(), connection.end());
    return specs;
}

int PbxCommand::Run(const ParsedArgs& args, CliIo& io) {
    if (!args.Positionals().empty()) return UsageError(io, *this, "unexpected argument");
    std::string usage;
    if (!CheckOptions(args, usage)) return UsageError(io, *this, usage);
    PbxSession session(args, io);
    if (!session.CheckUsage(usage)) return UsageError(io, *this, usage);
    CliFlow flow(io, session);
    return RunFlow(args, io, session, flow);
}

}  // namespace korvi::cli
