// `korvi export --format xml|csv --file FILE`: writes the PBX contacts of one phonebook to a
// contact XML file or a CSV file, as the Import / Export tab's export to a file does;
// `korvi export --to outlook [--folder PATH]` into the address book, `korvi export --to
// carddav` into the CardDAV address book of the settings.
#pragma once

#include "cli/PbxCommand.h"

namespace korvi::cli {

class ExportCommand final : public PbxCommand {
public:
    std::string_view Name() const override { return "export"; }
    std::string_view Summary() const override {
        return "Export the PBX contacts of a phonebook to an XML or CSV file";
    }
    std::string Usage() const override {
        return "korvi export --format xml|csv --file FILE [--contact-type central|DEVID] "
               "[connection options]\n"
               "       korvi export --to outlook [--folder PATH] [--contact-type central|DEVID] "
               "[connection options]\n"
               "       korvi export --to carddav [--contact-type central|DEVID] [--yes] "
               "[connection options]";
    }

protected:
    std::vector<OptionSpec> OwnOptions() const override;
    bool CheckOptions(const ParsedArgs& args, std::string& error) const override;
    [[nodiscard]] int RunFlow(const ParsedArgs& args, CliIo& io, PbxSession& session,
                              CliFlow& flow) override;
};

}  // namespace korvi::cli
