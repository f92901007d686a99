// `korvi export --format xml|csv --file FILE`: writes the PBX contacts of one phonebook to a
// contact XML file or a CSV file, as the Import / Export tab's export to a file does;
// `korvi export --to outlook [--folder PATH]` into the address book (cli/OutlookTransfer.h).
#pragma once

#include "cli/Command.h"

namespace korvi::cli {

class ExportCommand final : public Command {
public:
    std::string_view Name() const override { return "export"; }
    std::string_view Summary() const override {
        return "Export the PBX contacts of a phonebook to an XML or CSV file";
    }
    std::string Usage() const override {
        return "korvi export --format xml|csv --file FILE [--contact-type central|DEVID] "
               "[connection options]\n"
               "       korvi export --to outlook [--folder PATH] [--contact-type central|DEVID] "
               "[connection options]";
    }
    std::vector<OptionSpec> Options() const override;
    [[nodiscard]] int Run(const ParsedArgs& args, CliIo& io) override;
};

}  // namespace korvi::cli
