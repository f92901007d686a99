// `korvi import --file FILE.xml`: replaces the PBX contacts of one phonebook by the contacts of
// a contact XML file, as the Import / Export tab's import from a file does. A backup of the
// phonebook that `korvi import --file BACKUP` restores is saved first.
// `korvi import --from outlook [--folder PATH]` takes the address book's contacts instead,
// `korvi import --from carddav` the cards of the CardDAV address book of the settings.
#pragma once

#include "cli/PbxCommand.h"

namespace korvi::cli {

class ImportCommand final : public PbxCommand {
public:
    std::string_view Name() const override { return "import"; }
    std::string_view Summary() const override {
        return "Replace the PBX contacts of a phonebook by the contacts of an XML file";
    }
    std::string Usage() const override {
        return "korvi import --file FILE.xml [--contact-type central|DEVID] [--yes] "
               "[connection options]\n"
               "       korvi import --from outlook [--folder PATH] [--contact-type central|DEVID] "
               "[--yes] [connection options]\n"
               "       korvi import --from carddav [--contact-type central|DEVID] [--yes] "
               "[connection options]";
    }

protected:
    std::vector<OptionSpec> OwnOptions() const override;
    bool CheckOptions(const ParsedArgs& args, std::string& error) const override;
    [[nodiscard]] int RunFlow(const ParsedArgs& args, CliIo& io, PbxSession& session,
                              CliFlow& flow) override;
};

}  // namespace korvi::cli
