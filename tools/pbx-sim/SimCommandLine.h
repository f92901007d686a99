// The korvi-pbx-sim command line.
#pragma once

#include <string>
#include <vector>

#include "SimOptions.h"

namespace korvi::sim {

struct SimCommandLine {
    SimOptions options;
    bool help = false;
};

// Options as "--name value" or "--name=value". On failure error names the bad argument.
[[nodiscard]] bool ParseSimCommandLine(const std::vector<std::string>& args, SimCommandLine& out,
                                       std::string& error);

// The --help text.
const char* SimUsage();

}  // namespace korvi::sim
