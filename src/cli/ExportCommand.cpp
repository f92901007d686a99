#include "cli/ExportCommand.h"

#include <ostream>
#include <string>

#include "cli/ArgParser.h"
#include "cli/Cli.h"
#include "cli/CliFlow.h"
#include "cli/CliIo.h"
#include "cli/PbxSession.h"
#include "flows/CardDavFlows.h"
#include "flows/GmailFlows.h"
#include "flows/ImportExportFlows.h"
#include "services/Services.h"

namespace korvi::cli {

std::vector<OptionSpec> ExportCommand::OwnOptions() const {
    return {
        {"format", "xml|csv", "the file form (default: xml)"},
        {"file", "FILE", "the file to write (asks before replacing one)"},
        {"to", "outlook|gmail|carddav",
         "export to the address book (outlook), a contact group of the cloud account (gmail) or "
         "the CardDAV address book of the CardDavUrl setting instead of a file"},
        {"folder", "PATH", "with --to outlook: the contacts folder (default: the default one)"},
        {"group", "NAME",
         "with --to gmail: the contact group (default: the one of the syncGmailFolderID "
         "setting)"},
        {"new-group", "NAME", "with --to gmail: a new contact group of that name"},
    };
}

bool ExportCommand::CheckOptions(const ParsedArgs& args, std::string& error) const {
    const std::string to = args.ValueOr("to", "");
    if (to == "gmail") {
        if (args.Has("file") || args.Has("format") || args.Has("folder")) {
            error = "--to gmail takes no --file, --format or --folder";
        } else if (args.Has("group") && args.Has("new-group")) {
            error = "--group and --new-group do not go together";
        }
        return error.empty();
    }
    if (args.Has("group") || args.Has("new-group")) {
        error = "--group and --new-group go with --to gmail";
        return false;
    }
    if (args.Has("to")) {
        if (to != "outlook" && to != "carddav") {
            error = "--to takes outlook, gmail or carddav";
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
    if (args.ValueOr("to", "") == "gmail") {
        flow.frontEnd().SetGmailGroup(args.Value("group"), args.Value("new-group"),
                                      flow.ctx().settings.syncGmailFolderID);
        if (!flows::ExportToGmail(flow.ctx()).ok()) return kExitFailure;
        io.out() << flow.frontEnd().InformationText();
        return kExitOk;
    }
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
