// `korvi folders`: the address book's folder tree as the folder chooser shows it (name and,
// for contact folders, the number of items); `korvi folders create PATH` makes a contacts
// folder, as the chooser's create button does.
#pragma once

#include "cli/Command.h"

namespace korvi::cli {

class FoldersCommand final : public Command {
public:
    std::string_view Name() const override { return "folders"; }
    std::string_view Summary() const override {
        return "List the address book folders, or create a contacts folder";
    }
    std::string Usage() const override {
        return "korvi folders [--paths]\n       korvi folders create \"\\\\Store\\Folder\\New\"";
    }
    std::vector<OptionSpec> Options() const override;
    [[nodiscard]] int Run(const ParsedArgs& args, CliIo& io) override;
};

}  // namespace korvi::cli
