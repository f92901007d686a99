// `korvi contacts convert --from FILE.xml --to FILE.csv`: turns a contact XML file (an export
// or a sync list) into the CSV form for spreadsheets.
#pragma once

#include "cli/Command.h"

namespace korvi::cli {

class ContactsCommand final : public Command {
public:
    std::string_view Name() const override { return "contacts"; }
    std::string_view Summary() const override {
        return "Convert a contact XML file to a CSV file for spreadsheets";
    }
    std::string Usage() const override {
        return "korvi contacts convert --from FILE.xml --to FILE.csv";
    }
    std::vector<OptionSpec> Options() const override;
    [[nodiscard]] int Run(const ParsedArgs& args, CliIo& io) override;
};

}  // namespace korvi::cli
