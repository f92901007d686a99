// `korvi sync`: the sync tab's "Sync Now!" from the command line. The stored sync settings
// with the command line's choices over them, the first-time warning, action 18, and the
// outcome as the tab reports it (message, counts, sync history). --dry-run shows the action
// list without applying anything; --reset deletes the pair's sync list.
#pragma once

#include "cli/PbxCommand.h"

namespace korvi::cli {

class SyncCommand final : public PbxCommand {
public:
    std::string_view Name() const override { return "sync"; }
    std::string_view Summary() const override {
        return "Sync the PBX phonebook with the address book";
    }
    std::string Usage() const override;

protected:
    std::vector<OptionSpec> OwnOptions() const override;
    bool CheckOptions(const ParsedArgs& args, std::string& error) const override;
    [[nodiscard]] int RunFlow(const ParsedArgs& args, CliIo& io, PbxSession& session,
                              CliFlow& flow) override;
};

}  // namespace korvi::cli
