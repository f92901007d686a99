// `korvi delete`: deletes every PBX contact of one phonebook, as the Import / Export tab's
// Delete button does, after saving a backup that `korvi import --file BACKUP` restores.
#pragma once

#include "cli/Command.h"

namespace korvi::cli {

class DeleteCommand final : public Command {
public:
    std::string_view Name() const override { return "delete"; }
    std::string_view Summary() const override {
        return "Delete all PBX contacts of a phonebook (a backup is kept)";
    }
    std::string Usage() const override {
        return "korvi delete [--contact-type central|DEVID] [--yes] [connection options]";
    }
    std::vector<OptionSpec> Options() const override;
    [[nodiscard]] int Run(const ParsedArgs& args, CliIo& io) override;
};

}  // namespace korvi::cli
