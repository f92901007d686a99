#include "cli/DeleteCommand.h"

#include <ostream>
#include <string>

#include "cli/ArgParser.h"
#include "cli/Cli.h"
#include "cli/CliFlow.h"
#include "cli/CliIo.h"
#include "cli/PbxSession.h"
#include "flows/ImportExportFlows.h"
#include "services/Services.h"

namespace korvi::cli {

std::vector<OptionSpec> DeleteCommand::Options() const { return PbxConnectionOptions(true); }

int DeleteCommand::Run(const ParsedArgs& args, CliIo& io) {
    if (!args.Positionals().empty()) return UsageError(io, *this, "unexpected argument");
    PbxSession session(args, io);
    std::string usage;
    if (!session.CheckUsage(usage)) return UsageError(io, *this, usage);

    CliFlow flow(io, session);
    if (!flows::DeleteContacts(flow.ctx()).ok()) return kExitFailure;
    PrintWithNote(io, flow.frontEnd());
    return kExitOk;
}

}  // namespace korvi::cli
