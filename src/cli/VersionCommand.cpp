#include "cli/VersionCommand.h"

#include <ostream>

#include "app/Texts.h"
#include "cli/ArgParser.h"
#include "cli/Cli.h"
#include "cli/CliIo.h"

namespace korvi::cli {

int VersionCommand::Run(const ParsedArgs& args, CliIo& io) {
    if (!args.Positionals().empty()) return UsageError(io, *this, "too many arguments");
    io.out() << kAppName << ' ' << kAppVersion << '\n';
    return kExitOk;
}

}  // namespace korvi::cli
