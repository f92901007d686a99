#include "cli/GmailCommand.h"

#include <ostream>
#include <string>

#include "cli/ArgParser.h"
#include "cli/Cli.h"
#include "cli/CliFlow.h"
#include "cli/CliIo.h"
#include "flows/GmailFlows.h"
#include "services/GmailPartner.h"
#include "services/Services.h"

namespace korvi::cli {

namespace {

// One group a line: title, count ("?" when it could not be read) and id, separated by tabs
// (the id is what the "syncGmailFolderID" setting holds).
void PrintGroups(std::ostream& out, const GmailGroupNode& root) {
    for (const auto& node : root.children) {
        if (!node.record) continue;
        const auto& group = *node.record;
        out << group.title << '\t'
            << (group.countKnown ? std::to_string(group.numContacts) : std::string("?")) << '\t'
            << group.id << '\n';
    }
}

}  // namespace

int GmailCommand::Run(const ParsedArgs& args, CliIo& io) {
    const auto& words = args.Positionals();
    if (words.empty()) return UsageError(io, *this, "say login, groups or create-group NAME");
    const std::string& what = words[0];
    const std::size_t wanted = what == "create-group" ? 2 : 1;
    if (what != "login" && what != "groups" && what != "create-group") {
        return UsageError(io, *this, "unknown subcommand '" + what + "'");
    }
    if (words.size() != wanted) {
        return UsageError(
            io, *this,
            wanted == 2 ? "create-group takes one group name" : what + " takes no argument");
    }

    CliFlow flow(io);
    Tgmail& gmail = GmailStore(io.services());
    if (what == "login") {
        if (!flows::LogInToGmail(flow.ctx()).ok()) return kExitFailure;
        io.out() << "Logged in to " << gmail.accountName << '\n';
        return kExitOk;
    }
    if (what == "groups") {
        const Result listed = flows::ListGmailGroups(flow.ctx());
        if (!listed.ok()) return kExitFailure;
        PrintGroups(io.out(), gmail.folderTree);
        // A count that could not be read shows 0; say so.
        if (!listed.text.empty()) io.Error(listed.text);
        return kExitOk;
    }
    if (!flows::CreateGmailGroup(flow.ctx(), words[1]).ok()) return kExitFailure;
    io.out() << "Created group " << gmail.folderTitle << '\t' << gmail.folderID << '\n';
    return kExitOk;
}

}  // namespace korvi::cli
