// The `korvi` command line: global options, the command name, its options, its run.
#pragma once

#include <string>
#include <vector>

#include "cli/Command.h"

namespace korvi::cli {

class CliIo;
class CommandRegistry;

// --yes, --verbose and --help: accepted before the command name and among its options.
const std::vector<OptionSpec>& GlobalOptionSpecs();

// Runs the command line `args` (without the program name) and returns the exit code:
// 0 success, 1 failure, 2 bad usage (message and usage on the error stream).
[[nodiscard]] int RunCli(const std::vector<std::string>& args, CliIo& io);
[[nodiscard]] int RunCli(const std::vector<std::string>& args, CliIo& io,
                         const CommandRegistry& registry);

// "korvi: <message>" and the command's usage on the error stream; returns kExitUsage.
[[nodiscard]] int UsageError(CliIo& io, const Command& command, const std::string& message);

}  // namespace korvi::cli
