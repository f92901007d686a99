#include "cli/ImportCommand.h"

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

std::vector<OptionSpec> ImportCommand::Options() const {
    std::vector<OptionSpec> specs = {
        {"file", "FILE", "the contact XML file to read"},
        {"from", "outlook", "import from the address book instead of a file"},
        {"folder", "PATH", "with --from outlook: the contacts folder (default: the default one)"},
    };
    const auto connection = PbxConnectionOptions(true);
    specs.insert(specs.end(), connection.begin(), connection.end());
    return specs;
}

int ImportCommand::Run(const ParsedArgs& args, CliIo& io) {
    if (!args.Positionals().empty()) return UsageError(io, *this, "unexpected argument");
    if (args.Has("from")) {
        if (args.ValueOr("from", "") != "outlook")
            return UsageError(io, *this, "--from takes outlook");
        if (args.Has("file")) return UsageError(io, *this, "--from outlook takes no --file");
        PbxSession session(args, io);
        std::string usage;
        if (!session.CheckUsage(usage)) return UsageError(io, *this, usage);
        CliFlow flow(io, session);
        flow.frontEnd().SetFolder(args.Value("folder"), false);
        if (!flows::ImportFromOutlook(flow.ctx()).ok()) return kExitFailure;
        io.out() << flow.frontEnd().InformationText();
        return kExitOk;
    }
    if (args.Has("folder")) return UsageError(io, *this, "--folder goes with --from outlook");
    const std::string fileOption = args.ValueOr("file", "");
    if (fileOption.empty()) return UsageError(io, *this, "--file FILE is required");
    PbxSession session(args, io);
    std::string usage;
    if (!session.CheckUsage(usage)) return UsageError(io, *this, usage);

    CliFlow flow(io, session);
    flow.frontEnd().SetFile(fileOption);
    // The reader knows only the XML form: a CSV file fails as the action says.
    if (!flows::ImportFromFile(flow.ctx(), true).ok()) return kExitFailure;
    PrintWithNote(io, flow.frontEnd());
    return kExitOk;
}

}  // namespace korvi::cli
