#include "cli/ExportCommand.h"

#include <ostream>
#include <string>

#include "cli/ArgParser.h"
#include "cli/Cli.h"
#include "cli/CliFlow.h"
#include "cli/CliIo.h"
#include "cli/PbxSession.h"
#include "flows/CardDavFlows.h"
#include "flows/ImportExportFlows.h"
#include "services/Services.h"

namespace korvi::cli {

std::vector<OptionSpec> ExportCommand::OwnOptions() const {
    return {
        {"format", "xml|csv", "the file form (default: xml)"},
        {"file", "FILE", "the file to write (asks before replacing one)"},
        {"to", "outlook|carddav",
         "export to the address book (outlook) or the CardDAV address book of the CardDavUrl "
         "setting instead of a file"},
        {"folder", "PATH", "with --to outlook: the contacts folder (default: the default one)"},
    };
}

bool ExportCommand::CheckOptions(const ParsedArgs& args, std::string& error) const {
    if (args.Has("to")) {
        const std::string to = args.ValueOr("to", "");
        if (to != "outlook" && to != "carddav") {
            error = "--to takes outlook or carddav";
        } else if (args.Has("file") || args.Has("format")) {
            error = "--to " + to + " takes no --file or --format";
        } else if (to == "carddav" && args.Has("folder")) {
            error = "--folder goes with --to outlook";
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
        const std::string to = args.ValueOr("to", "");
        flow.frontEnd().SetFolder(args.Value("folder"), true);
        const Result exported = to == "carddav" ? flows::ExportToCardDav(flow.ctx())
                                                : flows::ExportToOutlook(flow.ctx());
        if (!exported.ok()) return kExitFailure;
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
