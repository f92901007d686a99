#include "cli/ImportCommand.h"

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

std::vector<OptionSpec> ImportCommand::OwnOptions() const {
    return {
        {"file", "FILE", "the contact XML file to read"},
        {"from", "outlook|gmail|carddav",
         "import from the address book (outlook), a contact group of the cloud account (gmail) or "
         "the CardDAV address book of the CardDavUrl setting instead of a file"},
        {"folder", "PATH", "with --from outlook: the contacts folder (default: the default one)"},
        {"group", "NAME",
         "with --from gmail: the contact group (default: the one of the syncGmailFolderID "
         "setting)"},
    };
}

bool ImportCommand::CheckOptions(const ParsedArgs& args, std::string& error) const {
    const std::string from = args.ValueOr("from", "");
    if (from == "gmail") {
        if (args.Has("file") || args.Has("folder"))
            error = "--from gmail takes no --file or --folder";
        return error.empty();
    }
    if (args.Has("group")) {
        error = "--group goes with --from gmail";
        return false;
    }
    if (args.Has("from")) {
        if (from != "outlook" && from != "carddav") {
            error = "--from takes outlook, gmail or carddav";
        } else if (args.Has("file")) {
            error = "--from " + from + " takes no --file";
        } else if (from == "carddav" && args.Has("folder")) {
            error = "--folder goes with --from outlook";
        }
        return error.empty();
    }
    if (args.Has("folder")) {
        error = "--folder goes with --from outlook";
    } else if (args.ValueOr("file", "").empty()) {
        error = "--file FILE is required";
    }
    return error.empty();
}

int ImportCommand::RunFlow(const ParsedArgs& args, CliIo& io, PbxSession&, CliFlow& flow) {
    if (args.ValueOr("from", "") == "gmail") {
        flow.frontEnd().SetGmailGroup(args.Value("group"), std::nullopt,
                                      flow.ctx().settings.syncGmailFolderID);
        const Result imported = flows::ImportFromGmail(flow.ctx());
        // Numbers the group holds that could not be read: a success whose warning is printed.
        if (imported.code == kResultGmailNumbersSkipped) return kExitOk;
        if (!imported.ok()) return kExitFailure;
        PrintWithNote(io, flow.frontEnd());
        return kExitOk;
    }
    if (args.Has("from")) {
        const std::string from = args.ValueOr("from", "");
        flow.frontEnd().SetFolder(args.Value("folder"), false);
        const Result imported = from == "carddav" ? flows::ImportFromCardDav(flow.ctx())
                                                  : flows::ImportFromOutlook(flow.ctx());
        if (!imported.ok()) return kExitFailure;
        io.out() << flow.frontEnd().InformationText();
        return kExitOk;
    }
    flow.frontEnd().SetFile(args.ValueOr("file", ""));
    // The reader knows only the XML form: a CSV file fails as the action says.
    if (!flows::ImportFromFile(flow.ctx(), true).ok()) return kExitFailure;
    PrintWithNote(io, flow.frontEnd());
    return kExitOk;
}

}  // namespace korvi::cli
