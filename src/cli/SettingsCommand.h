// `korvi settings list|get NAME|set NAME VALUE`: shows and edits the stored settings, checked
// as the Settings tab checks them. Secrets are never shown.
#pragma once

#include "cli/Command.h"

namespace korvi::cli {

class SettingsCommand final : public Command {
public:
    std::string_view Name() const override { return "settings"; }
    std::string_view Summary() const override { return "Show or change the stored settings"; }
    std::string Usage() const override {
        return "korvi settings list | get NAME | set NAME VALUE  (Pin/GmailAccPwd VALUE '-' "
               "reads standard input)";
    }
    [[nodiscard]] int Run(const ParsedArgs& args, CliIo& io) override;
};

}  // namespace korvi::cli
