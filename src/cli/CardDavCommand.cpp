#include "cli/CardDavCommand.h"

#include <ostream>
#include <string>
#include <vector>

#include "cli/ArgParser.h"
#include "cli/Cli.h"
#include "cli/CliFlow.h"
#include "cli/CliIo.h"
#include "cli/SecretInput.h"
#include "flows/CardDavFlows.h"

namespace korvi::cli {

std::vector<OptionSpec> CardDavCommand::Options() const {
    return {
        {"url", "URL", "the server or address book (default: the CardDavUrl setting)"},
        {"user", "USER", "the account (default: the CardDavUser setting)"},
        {"password-stdin", "", "read the password from standard input (default: CardDavPwd)"},
        {"ca-file", "FILE", "PEM file of the authorities to trust (default: CardDavCaFile)"},
    };
}

int CardDavCommand::Run(const ParsedArgs& args, CliIo& io) {
    const auto& words = args.Positionals();
    if (words.empty()) return UsageError(io, *this, "collections expected");
    if (words[0] != "collections")
        return UsageError(io, *this, "unknown subcommand '" + words[0] + "'");
    if (words.size() != 1) return UsageError(io, *this, "unexpected argument");

    CliFlow flow(io);
    KorviSettings& settings = flow.ctx().settings;
    if (auto url = args.Value("url")) settings.cardDavUrl = *url;
    if (auto user = args.Value("user")) settings.cardDavUser = *user;
    if (auto caFile = args.Value("ca-file")) settings.cardDavCaFile = *caFile;
    if (args.Has("password-stdin") &&
        !ReadSecretLine(io, "CardDAV password: ", settings.cardDavPwd)) {
        io.Error("no password on standard input");
        return kExitFailure;
    }
    if (settings.cardDavUrl.empty()) {
        io.Error("no CardDAV address: give --url or set CardDavUrl");
        return kExitFailure;
    }
    std::vector<flows::AddressBookEntry> books;
    if (Result found = flows::FindAddressBooks(flow.ctx(), books); !found.ok()) {
        return flow.frontEnd().Report(found);
    }
    for (const auto& book : books) io.out() << book.url << '\t' << book.displayName << '\n';
    return kExitOk;
}

}  // namespace korvi::cli
