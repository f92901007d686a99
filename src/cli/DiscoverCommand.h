// `korvi discover [--use N] [--wait MS]`: looks for PBXs on the local network, as the Settings
// tab's find-PBX button does, prints one URL per PBX found and, with --use, stores the N-th as
// the "PbxUrl" setting.
#pragma once

#include "cli/Command.h"

namespace korvi::cli {

class DiscoverCommand final : public Command {
public:
    std::string_view Name() const override { return "discover"; }
    std::string_view Summary() const override { return "Find PBXs on the local network"; }
    std::string Usage() const override { return "korvi discover [--use N] [--wait MS]"; }
    std::vector<OptionSpec> Options() const override;
    [[nodiscard]] int Run(const ParsedArgs& args, CliIo& io) override;
};

}  // namespace korvi::cli
