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

int DeleteCommand::RunFlow(const ParsedArgs&, CliIo& io, PbxSession&, CliFlow& flow) {
    if (!flows::DeleteContacts(flow.ctx()).ok()) return kExitFailure;
    PrintWithNote(io, flow.frontEnd());
    return kExitOk;
}

}  // namespace korvi::cli
