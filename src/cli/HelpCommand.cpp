#include "cli/HelpCommand.h"

#include <algorithm>
#include <ostream>
#include <string>

#include "app/Texts.h"
#include "cli/ArgParser.h"
#include "cli/Cli.h"
#include "cli/CliIo.h"
#include "cli/CommandRegistry.h"

namespace korvi::cli {

namespace {

constexpr std::size_t kMinColumn = 12;

std::string OptionLabel(const OptionSpec& spec) {
    std::string label = "--" + spec.name;
    if (!spec.valueName.empty()) label += " " + spec.valueName;
    return label;
}

void PrintOptions(const std::vector<OptionSpec>& specs, std::ostream& os) {
    std::size_t column = kMinColumn;
    for (const auto& spec : specs) column = std::max(column, OptionLabel(spec).size() + 2);
    for (const auto& spec : specs) {
        const std::string label = OptionLabel(spec);
        os << "  " << label << std::string(column - label.size(), ' ') << spec.help << '\n';
    }
}

}  // namespace

void HelpCommand::PrintOverview(const CommandRegistry& registry, std::ostream& os) {
    os << kAppName << ' ' << kAppVersion
       << ": keeps a PBX phonebook in step with an address book.\n\n"
       << "Usage: korvi [--yes] [--verbose] COMMAND [OPTIONS] [ARGUMENTS]\n\n"
       << "Commands:\n";
    std::size_t column = kMinColumn;
    for (const auto& command : registry.commands()) {
        column = std::max(column, command->Name().size() + 2);
    }
    for (const auto& command : registry.commands()) {
        os << "  " << command->Name() << std::string(column - command->Name().size(), ' ')
           << command->Summary() << '\n';
    }
    os << "\nGlobal options:\n";
    PrintOptions(GlobalOptionSpecs(), os);
    os << "\nRun 'korvi help COMMAND' for the options of a command.\n"
       << "Exit codes: 0 success, 1 failure, 2 bad usage.\n";
}

void HelpCommand::PrintCommand(const Command& command, std::ostream& os) {
    os << "Usage: " << command.Usage() << "\n\n" << command.Summary() << '\n';
    const auto options = command.Options();
    if (!options.empty()) {
        os << "\nOptions:\n";
        PrintOptions(options, os);
    }
    os << "\nGlobal options:\n";
    PrintOptions(GlobalOptionSpecs(), os);
}

int HelpCommand::Run(const ParsedArgs& args, CliIo& io) {
    const CommandRegistry registry = CommandRegistry::Default();
    const auto& names = args.Positionals();
    if (names.empty()) {
        PrintOverview(registry, io.out());
        return kExitOk;
    }
    if (names.size() > 1) return UsageError(io, *this, "too many arguments");
    const Command* command = registry.Find(names[0]);
    if (command == nullptr) {
        io.Error("unknown command '" + names[0] + "'");
        io.err() << "Run 'korvi help' for the list of commands.\n";
        return kExitUsage;
    }
    PrintCommand(*command, io.out());
    return kExitOk;
}

}  // namespace korvi::cli
