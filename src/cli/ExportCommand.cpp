#include "cli/ExportCommand.h"

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

std::vector<OptionSpec> ExportCommand::Options() const {
    std::vector<OptionSpec> specs = {
        {"format", "xml|csv", "the file form (default: xml)"},
        {"file", "FILE", "the file to write (asks before replacing one)"},
        {"to", "outlook", "export to the address book instead of a file"},
        {"folder", "PATH", "with --to outlook: the contacts folder (default: the default one)"},
    };
    const auto connection = PbxConnectionOptions(true);
    specs.insert(specs.end(), connection.begin(), connection.end());
    return specs;
}

int ExportCommand::Run(const ParsedArgs& args, CliIo& io) {
    if (!args.Positionals().empty()) return UsageError(io, *this, "unexpected argument");
    if (args.Has("to")) {
        if (args.ValueOr("to", "") != "outlook") return UsageError(io, *this, "--to takes outlook");
        if (args.Has("file") || args.Has("format"))
            return UsageError(io, *this, "--to outlook takes no --file or --format");
        PbxSession session(args, io);
        std::string usage;
        if (!session.CheckUsage(usage)) return UsageError(io, *this, usage);
        CliFlow flow(io, session);
        flow.frontEnd().SetFolder(args.Value("folder"), true);
        if (!flows::ExportToOutlook(flow.ctx()).ok()) return kExitFailure;
        io.out() << flow.frontEnd().InformationText();
        return kExitOk;
    }
    if (args.Has("folder")) return UsageError(io, *this, "--folder goes with --to outlook");
    const std::string format = args.ValueOr("format", "xml");
    if (format != "xml" && format != "csv") {
        return UsageError(io, *this, "--format takes xml or csv, not '" + format + "'");
    }
    const std::string fileOption = args.ValueOr("file", "");
    if (fileOption.empty()) return UsageError(io, *this, "--file FILE is required");
    PbxSession session(args, io);
    std::string usage;
    if (!session.CheckUsage(usage)) return UsageError(io, *this, usage);

    CliFlow flow(io, session);
    flow.frontEnd().SetFile(fileOption);
    const bool xml = format == "xml";
    if (!flows::ExportToFile(flow.ctx(),
                             xml ? flows::FileDialog::kSaveXml : flows::FileDialog::kSaveCsv)
             .ok()) {
        return kExitFailure;
    }
    io.out() << flow.frontEnd().information().back() << " (" << io.services().ctrl.fileName
             << ")\n";
    return kExitOk;
}

}  // namespace korvi::cli
