#include "cli/FoldersCommand.h"

#include <ostream>
#include <string>

#include "app/Texts.h"
#include "cli/ArgParser.h"
#include "cli/Cli.h"
#include "cli/CliFlow.h"
#include "cli/CliIo.h"
#include "flows/CarryOutAction.h"
#include "services/OutlookPartner.h"
#include "services/Services.h"

namespace korvi::cli {

namespace {

void PrintTree(std::ostream& out, const std::vector<OutlookFolderNode>& nodes, int depth,
               bool paths) {
    for (const auto& node : nodes) {
        out << std::string(static_cast<std::size_t>(depth) * 2, ' ') << node.text;
        if (paths) out << '\t' << node.info.path;
        out << '\n';
        PrintTree(out, node.children, depth + 1, paths);
    }
}

int Create(CliIo& io, const Command& command, const std::string& path) {
    Toutlook& outlook = OutlookStore(io.services());
    const std::size_t cut = path.rfind('\\');
    // "\\Store" alone would be a new store, which cannot be made: a folder name must follow.
    if (path.rfind("\\\\", 0) != 0 || cut == std::string::npos || cut < 2) {
        return UsageError(
            io, command,
            "give the folder's full path, e.g. \"\\\\Personal Folders\\Contacts\\Work\"");
    }
    const std::string parentPath = path.substr(0, cut);
    const std::string name = path.substr(cut + 1);
    const OutlookFolderNode* parent = outlook.FindNode(parentPath);
    if (parent == nullptr) {
        io.Error(Text(kTextSelectParentFolder) + " (" + parentPath + " does not exist)");
        return kExitFailure;
    }
    outlook.ResetChooser();
    if (Result created = outlook.CreateNewFolder(parent, name); !created.ok()) {
        io.Error(created.text);
        return kExitFailure;
    }
    io.out() << "Created folder " << outlook.folderPath << '\n';
    return kExitOk;
}

}  // namespace

std::vector<OptionSpec> FoldersCommand::Options() const {
    return {{"paths", "", "also print each folder's path (the value for --folder)"}};
}

int FoldersCommand::Run(const ParsedArgs& args, CliIo& io) {
    const auto& words = args.Positionals();
    if (!words.empty() && words[0] != "create")
        return UsageError(io, *this, "unknown subcommand '" + words[0] + "'");
    if (!words.empty() && words.size() != 2)
        return UsageError(io, *this, "create takes one folder path");

    CliFlow flow(io);
    if (flows::CarryOutAction(flow.ctx(), kActGetOutlookFolderInfo) != 0) {
        return flow.frontEnd().Report(flows::LastResult(flow.ctx()));
    }
    if (!words.empty()) return Create(io, *this, words[1]);
    PrintTree(io.out(), OutlookStore(io.services()).folderTree, 0, args.Has("paths"));
    return kExitOk;
}

}  // namespace korvi::cli
