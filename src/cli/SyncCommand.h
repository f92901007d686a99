// `korvi sync`: the sync tab's "Sync Now!" from the command line. The stored sync settings
// with the command line's choices over them, the first-time warning, action 18, and the
// outcome as the tab reports it (message, counts, sync history). --dry-run shows the action
// list without applying anything; --reset deletes the pair's sync list.
#pragma once

#include "cli/Command.h"

namespace korvi::cli {

class SyncCommand final : public Command {
public:
    std::string_view Name() const override { return "sync"; }
    std::string_view Summary() const override {
        return "Sync the PBX phonebook with the address book";
    }
    std::string Usage() const override;
    std::vector<OptionSpec> Options() const override;
    [[nodiscard]] int Run(const ParsedArgs& args, CliIo& io) override;
};

}  // namespace korvi::cli
