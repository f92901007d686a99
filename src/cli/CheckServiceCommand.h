// `korvi check-service [--challenge]`: asks the PBX's system service whether it answers for
// this user, as the Settings tab's Check Service button does.
#pragma once

#include "cli/PbxCommand.h"

namespace korvi::cli {

class CheckServiceCommand final : public PbxCommand {
public:
    std::string_view Name() const override { return "check-service"; }
    std::string_view Summary() const override {
        return "Check the connection to the PBX's web services";
    }
    std::string Usage() const override {
        return "korvi check-service [--challenge] [--url URL] [--port PORT] [--user NAME] "
               "[--pin-stdin] [--timeout SECONDS]";
    }

protected:
    std::vector<OptionSpec> OwnOptions() const override;
    bool WorksOnContactType() const override { return false; }
    [[nodiscard]] int RunFlow(const ParsedArgs& args, CliIo& io, PbxSession& session,
                              CliFlow& flow) override;
};

}  // namespace korvi::cli
