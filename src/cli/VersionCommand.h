// `korvi version`: the program name and version.
#pragma once

#include "cli/Command.h"

namespace korvi::cli {

class VersionCommand final : public Command {
public:
    std::string_view Name() const override { return "version"; }
    std::string_view Summary() const override { return "Print the program version"; }
    std::string Usage() const override { return "korvi version"; }
    [[nodiscard]] int Run(const ParsedArgs& args, CliIo& io) override;
};

}  // namespace korvi::cli
