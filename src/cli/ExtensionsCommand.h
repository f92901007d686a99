// `korvi extensions`: the user's extensions, as the Import / Export tab lists them: the
// central store first when there is more than one, then each extension's device id, name and
// number. The first column is what --contact-type takes.
#pragma once

#include "cli/PbxCommand.h"

namespace korvi::cli {

class ExtensionsCommand final : public PbxCommand {
public:
    std::string_view Name() const override { return "extensions"; }
    std::string_view Summary() const override {
        return "List the PBX phonebooks of the user (extensions and the central store)";
    }
    std::string Usage() const override {
        return "korvi extensions [--url URL] [--port PORT] [--user NAME] [--pin-stdin] "
               "[--timeout SECONDS]";
    }

protected:
    bool WorksOnContactType() const override { return false; }
    [[nodiscard]] int RunFlow(const ParsedArgs& args, CliIo& io, PbxSession& session,
                              CliFlow& flow) override;
};

}  // namespace korvi::cli
