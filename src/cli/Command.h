// One subcommand of the `korvi` tool. A command is one class in its own file; it declares its
// options, and the framework parses them (with the global ones) before Run is called.
//
// Adding a command:
//   1. src/cli/FooCommand.h/.cpp: class FooCommand final : public Command { ... }.
//   2. One line in CommandRegistry.cpp (include + registry.Add<FooCommand>()).
//   3. The .cpp in src/cli/CMakeLists.txt.
// Run reads options from `args`, prints results on io.out() and errors on io.err(), and
// returns an exit code; to run an action it fills io.services().ctrl's inputs and uses
// ActionRunner.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvi::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct OptionSpec {
    std::string name;       // without the dashes: "file" for --file
    std::string valueName;  // placeholder of the value ("FILE"); empty for a flag
    std::string help;       // one line
};

class CliIo;
class ParsedArgs;

class Command {
public:
    virtual ~Command() = default;
    virtual std::string_view Name() const = 0;
    // One line for the command list of `korvi help`.
    virtual std::string_view Summary() const = 0;
    // The synopsis, e.g. "korvi export --format xml|csv --file FILE".
    virtual std::string Usage() const = 0;
    // The options besides the global ones (--yes, --verbose, --help).
    virtual std::vector<OptionSpec> Options() const { return {}; }
    [[nodiscard]] virtual int Run(const ParsedArgs& args, CliIo& io) = 0;
};

}  // namespace korvi::cli
