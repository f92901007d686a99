// `korvi help [COMMAND]`: the list of commands, or the usage and options of one.
#pragma once

#include <iosfwd>

#include "cli/Command.h"

namespace korvi::cli {

class CommandRegistry;

class HelpCommand final : public Command {
public:
    std::string_view Name() const override { return "help"; }
    std::string_view Summary() const override {
        return "Show the commands, or the usage of one command";
    }
    std::string Usage() const override { return "korvi help [COMMAND]"; }
    [[nodiscard]] int Run(const ParsedArgs& args, CliIo& io) override;

    static void PrintOverview(const CommandRegistry& registry, std::ostream& os);
    static void PrintCommand(const Command& command, std::ostream& os);
};

}  // namespace korvi::cli
