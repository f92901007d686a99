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

std::vector<OptionSpec> ExportCommand::OwnOptions() const {
    return {
        {"format", "xml|csv", "the file form (default: xml)"},
        {"file", "FILE", "the file to write (asks before replacing one)"},
        {"to", "outlook", "export to the address book instead of a file"},
        {"folder", "PATH", "with --to outlook: the contacts folder (default: the default one)"},
    };
}

bool ExportCommand::CheckOptions(const ParsedArgs& args, std::string& error) const {
    if (args.Has("to")) {
        if (args.ValueOr("to", "") != "outlook") {
            error = "--to takes outlook";
        } else if (args.Has("file") || args.Has("format")) {
            error = "--to outlook takes no --file or --format";
        }
        return error.empty();
    }
    const std::string format = args.ValueOr("format", "xml");
    if (args.Has("folder")) {
        error = "--folder goes with --to outlook";
    } else if (format != "xml" && format != "csv") {
        error = "--format takes xml or csv, not '" + format + "'";
    } else if (args.ValueOr("file", "").empty()) {
        error = "--file FILE is required";
    }
    return error.empty();
}

int ExportCommand::RunFlow(const ParsedArgs& args, CliIo& io, PbxSession&, CliFlow& flow) {
    if (args.Has("to")) {
        flow.frontEnd().SetFolder(args.Value("folder"), true);
        if (!flows::ExportToOutlook(flow.ctx()).ok()) return kExitFailure;
        io.out() << flow.frontEnd().InformationText();
        return kExitOk;
    }
    flow.frontEnd().SetFile(args.ValueOr("file", ""));
    const bool xml = args.ValueOr("format", "xml") == "xml";
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
