#include "cli/ImportCommand.h"

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

namespace {

bool EndsWithCsv(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".csv";
}

}  // namespace

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
        return ImportPbxFromOutlook(io, session, args.Value("folder"));
    }
    if (args.Has("folder")) return UsageError(io, *this, "--folder goes with --from outlook");
    const std::string fileOption = args.ValueOr("file", "");
    if (fileOption.empty()) return UsageError(io, *this, "--file FILE is required");
    PbxSession session(args, io);
    std::string usage;
    if (!session.CheckUsage(usage)) return UsageError(io, *this, usage);

    WriteLog("");
    WriteLog("LOG: -----> Import PBX Contacts From XML File");
    WriteHistory("");
    WriteHistory("Import PBX Contacts From XML File");

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

    Tpbx& pbx = session.pbx();
    if (code == 0) {
        Question question;
        question.id = "confirm-import";
        question.caption = Text(kTextConfirm);
        question.text = Text(kTextConfirmImport, {}, pbx.contactTypeName);
        if (io.prompt().Ask(question) != kOk) code = kResultCancelled;
    }
    Tctrl& ctrl = io.services().ctrl;
    if (code == 0) {
        ctrl.fileName = file.string();
        ActionRunner runner(io);
        // The reader knows only the XML form: a CSV file fails as the action says.
        code = runner.Run(EndsWithCsv(file) ? kActImportContactsFromCSVFile
                                            : kActImportContactsFromXMLFile);
        text = ctrl.resultText();
    }
    if (ReportFileTransferStop(io, session, code, text,
                               "Failed to import PBX contacts from file [%s]"))
        return kExitFailure;
    const int count = static_cast<int>(ctrl.pbxContactList.size());
    WriteHistory("Successfully imported %d contacts to PBX for %s from file [%s]", count,
                 pbx.contactTypeName, ctrl.fileName);
    io.out() << Text(kTextImported, {}, pbx.contactTypeName, std::to_string(count));
    if (!text.empty()) io.out() << ". " << text;
    io.out() << '\n';
    return kExitOk;
}

}  // namespace korvi::cli
