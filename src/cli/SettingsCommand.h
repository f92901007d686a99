// `korvi settings list|get NAME|set NAME VALUE`: shows and edits the stored settings, checked
// as the Settings tab checks them. Secrets are never shown, and never taken from the command
// line: `set Pin -` reads standard input, `set Pin` asks.
#pragma once

#include "cli/Command.h"

namespace korvi::cli {

class SettingsCommand final : public Command {
public:
    std::string_view Name() const override { return "settings"; }
    std::string_view Summary() const override { return "Show or change the stored settings"; }
    std::string Usage() const override {
        return "korvi settings list | get NAME | set NAME VALUE | set Pin|GmailAccPwd [-]  "
               "(secrets: '-' reads standard input, no value asks)";
    }
    [[nodiscard]] int Run(const ParsedArgs& args, CliIo& io) override;
};

}  // namespace korvi::cli
