// Runs `korvi` command lines in process with captured streams.
#pragma once

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/CliIo.h"
#include "cli/CommandRegistry.h"

namespace korvi::test {

struct CliRun {
    explicit CliRun(std::string input = {}, bool inIsTerminal = false, bool errIsTerminal = false)
        : in(std::move(input)), io(in, out, err, inIsTerminal, errIsTerminal) {}

    int Run(const std::vector<std::string>& args) { return cli::RunCli(args, io); }
    int Run(const std::vector<std::string>& args, const cli::CommandRegistry& registry) {
        return cli::RunCli(args, io, registry);
    }

    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    cli::CliIo io;
};

}  // namespace korvi::test
