#include "cli/ExportCommand.h"

#include <filesystem>
#include <ostream>
#include <string>
#include <system_error>

#include "app/Log.h"
#include "app/Prompt.h"
#include "app/Texts.h"
#include "cli/ActionRunner.h"
#include "cli/ArgParser.h"
#include "cli/Cli.h"
#include "cli/CliIo.h"
#include "cli/OutlookTransfer.h"
#include "cli/PbxSession.h"
#include "pbx/Tpbx.h"
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
        return ExportPbxToOutlook(io, session, args.Value("folder"));
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

    const bool xml = format == "xml";
    const char* what = xml ? "Export PBX Contacts to XML File" : "Export PBX Contacts to CSV File";
    WriteLog("");
    WriteLog("LOG: -----> %s", what);
    WriteHistory("");
    WriteHistory("%s", what);

    std::error_code ec;
    const std::filesystem::path file = std::filesystem::absolute(fileOption, ec);
    std::string text;
    int code = ec ? -1 : 0;
    if (ec) text = fileOption + ": " + ec.message();
    if (code == 0) {
        Result connected = session.Connect();
        if (connected.ok()) connected = session.ChooseContactType();
        code = connected.code;
        text = std::move(connected.text);
    }
    if (code == 0 && std::filesystem::exists(file, ec)) {
        // The window's save dialog asks before it replaces a file.
        Question question;
        question.id = "confirm-overwrite";
        question.caption = Text(kTextConfirm);
        question.text = file.string() + " already exists.\n\nDo you want to replace it?";
        if (io.prompt().Ask(question) != kOk) code = kResultCancelled;
    }

    Tpbx& pbx = session.pbx();
    Tctrl& ctrl = io.services().ctrl;
    if (code == 0) {
        ctrl.fileName = file.string();
        ActionRunner runner(io);
        code = runner.Run(xml ? kActExportContactsToXMLFile : kActExportContactsToCSVFile);
        text = ctrl.resultText();
    }
    if (ReportFileTransferStop(io, session, code, text,
                               "Failed to export PBX contacts to file [%s]"))
        return kExitFailure;
    const int count = static_cast<int>(ctrl.pbxContactList.size());
    WriteHistory("Successfully exported %d contacts from PBX for %s to file [%s]", count,
                 pbx.contactTypeName, ctrl.fileName);
    io.out() << Text(kTextSavedToFile, {}, pbx.contactTypeName, std::to_string(count)) << " ("
             << ctrl.fileName << ")\n";
    return kExitOk;
}

}  // namespace korvi::cli
