#include "cli/Cli.h"

#include <ostream>

#include "app/Log.h"
#include "app/SettingsRegistry.h"
#include "cli/ArgParser.h"
#include "cli/CliIo.h"
#include "cli/CommandRegistry.h"
#include "cli/HelpCommand.h"

namespace korvi::cli {

const std::vector<OptionSpec>& GlobalOptionSpecs() {
    static const std::vector<OptionSpec> specs = {
        {"yes", "", "answer yes (OK) to every question"},
        {"verbose", "", "write the detailed log"},
        {"help", "", "show the usage of the command"},
    };
    return specs;
}

namespace {

void ApplyGlobals(const ParsedArgs& parsed, GlobalOptions& globals) {
    if (parsed.Has("yes")) globals.yes = true;
    if (parsed.Has("verbose")) globals.verbose = true;
}

}  // namespace

int UsageError(CliIo& io, const Command& command, const std::string& message) {
    io.Error(message);
    io.err() << "Usage: " << command.Usage() << '\n'
             << "Run 'korvi help " << command.Name() << "' for its options.\n";
    return kExitUsage;
}

int RunCli(const std::vector<std::string>& args, CliIo& io) {
    const CommandRegistry registry = CommandRegistry::Default();
    return RunCli(args, io, registry);
}

int RunCli(const std::vector<std::string>& args, CliIo& io, const CommandRegistry& registry) {
    // Global options before the command name.
    std::size_t index = 0;
    ParsedArgs leading;
    std::vector<std::string> leadingArgs;
    while (index < args.size() && args[index].size() > 1 && args[index][0] == '-') {
        leadingArgs.push_back(args[index++]);
    }
    std::string error;
    if (!ParseArgs(GlobalOptionSpecs(), leadingArgs, leading, error)) {
        io.Error(error);
        HelpCommand::PrintOverview(registry, io.err());
        return kExitUsage;
    }
    ApplyGlobals(leading, io.globals());

    if (index >= args.size()) {
        if (leading.Has("help")) {
            HelpCommand::PrintOverview(registry, io.out());
            return kExitOk;
        }
        io.Error("no command given");
        HelpCommand::PrintOverview(registry, io.err());
        return kExitUsage;
    }

    const std::string& name = args[index++];
    Command* command = registry.Find(name);
    if (command == nullptr) {
        io.Error("unknown command '" + name + "'");
        io.err() << "Run 'korvi help' for the list of commands.\n";
        return kExitUsage;
    }

    std::vector<OptionSpec> specs = command->Options();
    specs.insert(specs.end(), GlobalOptionSpecs().begin(), GlobalOptionSpecs().end());
    const std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(index),
                                        args.end());
    ParsedArgs parsed;
    if (!ParseArgs(specs, rest, parsed, error)) return UsageError(io, *command, error);
    if (parsed.Has("help") || leading.Has("help")) {
        HelpCommand::PrintCommand(*command, io.out());
        return kExitOk;
    }
    ApplyGlobals(parsed, io.globals());
    // The stored "Logging" switch applies to the tool as to the window; --verbose adds to it.
    static_cast<void>(GetStartupFlagsFromRegistry());  // it switches the log itself
    if (io.globals().verbose) SetDetailedLogging(true);

    return command->Run(parsed, io);
}

}  // namespace korvi::cli
