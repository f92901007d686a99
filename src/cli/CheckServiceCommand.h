// `korvi check-service [--challenge]`: asks the PBX's system service whether it answers for
// this user, as the Settings tab's Check Service button does.
#pragma once

#include "cli/Command.h"

namespace korvi::cli {

class CheckServiceCommand final : public Command {
public:
    std::string_view Name() const override { return "check-service"; }
    std::string_view Summary() const override {
        return "Check the connection to the PBX's web services";
    }
    std::string Usage() const override {
        return "korvi check-service [--challenge] [--url URL] [--port PORT] [--user NAME] "
               "[--pin-stdin] [--timeout SECONDS]";
    }
    std::vector<OptionSpec> Options() const override;
    [[nodiscard]] int Run(const ParsedArgs& args, CliIo& io) override;
};

}  // namespace korvi::cli
