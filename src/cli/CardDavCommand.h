// `korvi carddav collections`: the address books a CardDAV account offers (the account of the
// settings, or of the options), one a line: its address, a tab and its display name. The
// address is the value for "CardDavUrl".
#pragma once

#include "cli/Command.h"

namespace korvi::cli {

class CardDavCommand final : public Command {
public:
    std::string_view Name() const override { return "carddav"; }
    std::string_view Summary() const override {
        return "List the address books of the CardDAV account";
    }
    std::string Usage() const override {
        return "korvi carddav collections [--url URL] [--user USER] [--password-stdin] "
               "[--ca-file FILE]";
    }
    std::vector<OptionSpec> Options() const override;
    [[nodiscard]] int Run(const ParsedArgs& args, CliIo& io) override;
};

}  // namespace korvi::cli
