// `korvi delete`: deletes every PBX contact of one phonebook, as the Import / Export tab's
// Delete button does, after saving a backup that `korvi import --file BACKUP` restores.
#pragma once

#include "cli/PbxCommand.h"

namespace korvi::cli {

class DeleteCommand final : public PbxCommand {
public:
    std::string_view Name() const override { return "delete"; }
    std::string_view Summary() const override {
        return "Delete all PBX contacts of a phonebook (a backup is kept)";
    }
    std::string Usage() const override {
        return "korvi delete [--contact-type central|DEVID] [--yes] [connection options]";
    }

protected:
    [[nodiscard]] int RunFlow(const ParsedArgs& args, CliIo& io, PbxSession& session,
                              CliFlow& flow) override;
};

}  // namespace korvi::cli
