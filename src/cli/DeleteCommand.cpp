#include "cli/DeleteCommand.h"

#include <ostream>
#include <string>

#include "app/Log.h"
#include "app/Prompt.h"
#include "app/Texts.h"
#include "cli/ActionRunner.h"
#include "cli/ArgParser.h"
#include "cli/Cli.h"
#include "cli/CliIo.h"
#include "cli/PbxSession.h"
#include "pbx/Tpbx.h"
#include "services/Services.h"

namespace korvi::cli {

std::vector<OptionSpec> DeleteCommand::Options() const { return PbxConnectionOptions(true); }

int DeleteCommand::Run(const ParsedArgs& args, CliIo& io) {
    if (!args.Positionals().empty()) return UsageError(io, *this, "unexpected argument");
    PbxSession session(args, io);
    std::string usage;
    if (!session.CheckUsage(usage)) return UsageError(io, *this, usage);

    WriteLog("");
    WriteLog("LOG: -----> Delete Contacts in PBX");
    WriteHistory("");
    WriteHistory("Delete Contacts in PBX");

    Result connected = session.Connect();
    if (connected.ok()) connected = session.ChooseContactType();
    auto [code, text] = std::move(connected);
    Tpbx& pbx = session.pbx();
    if (code == 0) {
        Question question;
        question.id = "confirm-delete";
        question.caption = Text(kTextConfirm);
        question.text = Text(kTextConfirmDelete, {}, pbx.contactTypeName);
        if (io.prompt().Ask(question) != kOk) {
            WriteLog("LOG: Cancelled");
            WriteHistory("Fail: Action cancelled");
            io.err() << Text(kTextActionCancelled) << '\n';
            return kExitFailure;
        }
        ActionRunner runner(io);
        code = runner.Run(kActDeleteContacts);
        text = io.services().ctrl.resultText();
    }
    // A cancel from the progress is a failure of the delete, as the window reports it.
    if (code != 0) {
        WriteHistory("Failed to delete contacts in PBX for %s [%s]", pbx.contactTypeName, text);
        io.ClearStatus();
        io.err() << FailureMessage(code, text) << '\n';
        HintContactType(io, session);
        return kExitFailure;
    }
    WriteHistory("Successfully deleted contacts in PBX for %s", pbx.contactTypeName);
    io.out() << Text(kTextDeleted, {}, pbx.contactTypeName);
    if (!text.empty()) io.out() << ". " << text;
    io.out() << '\n';
    return kExitOk;
}

}  // namespace korvi::cli
