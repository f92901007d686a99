// The korvi-gdata-sim command line.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "GdataSimOptions.h"

namespace korvi::gdatasim {

struct GdataCommandLine {
    GdataSimOptions options;
    // --tls-generate: make a throw-away authority and certificate here and serve HTTPS.
    std::filesystem::path tlsGenerateDir;
    bool help = false;
};

// Options as "--name value" or "--name=value". On failure error names the bad argument (never
// a password).
[[nodiscard]] bool ParseGdataCommandLine(const std::vector<std::string>& args,
                                         GdataCommandLine& out, std::string& error);

// The --help text.
const char* GdataUsage();

}  // namespace korvi::gdatasim
