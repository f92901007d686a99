// `korvi import --file FILE.xml`: replaces the PBX contacts of one phonebook by the contacts of
// a contact XML file, as the Import / Export tab's import from a file does. A backup of the
// phonebook that `korvi import --file BACKUP` restores is saved first.
// `korvi import --from outlook [--folder PATH]` takes the address book's contacts instead
// (cli/OutlookTransfer.h).
#pragma once

#include "cli/Command.h"

namespace korvi::cli {

class ImportCommand final : public Command {
public:
    std::string_view Name() const override { return "import"; }
    std::string_view Summary() const override {
        return "Replace the PBX contacts of a phonebook by the contacts of an XML file";
    }
    std::string Usage() const override {
        return "korvi import --file FILE.xml [--contact-type central|DEVID] [--yes] "
               "[connection options]\n"
               "       korvi import --from outlook [--folder PATH] [--contact-type central|DEVID] "
               "[--yes] [connection options]";
    }
    std::vector<OptionSpec> Options() const override;
    [[nodiscard]] int Run(const ParsedArgs& args, CliIo& io) override;
};

}  // namespace korvi::cli
