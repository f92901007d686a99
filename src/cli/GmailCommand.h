// `korvi gmail login`: logs in to the cloud account of the settings ("GmailAccName",
// "GmailAccPwd"); `korvi gmail groups`: its contact groups with their counts and ids, as the
// group chooser lists them; `korvi gmail create-group NAME`: a new group, as the chooser's
// create button makes it.
#pragma once

#include "cli/Command.h"

namespace korvi::cli {

class GmailCommand final : public Command {
public:
    std::string_view Name() const override { return "gmail"; }
    std::string_view Summary() const override {
        return "Log in to the cloud account, list its contact groups, or create one";
    }
    std::string Usage() const override {
        return "korvi gmail login\n       korvi gmail groups\n       korvi gmail create-group "
               "NAME";
    }
    [[nodiscard]] int Run(const ParsedArgs& args, CliIo& io) override;
};

}  // namespace korvi::cli
