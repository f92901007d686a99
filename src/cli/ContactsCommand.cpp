#include "cli/ContactsCommand.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>

#include "app/Progress.h"
#include "cli/ArgParser.h"
#include "cli/Cli.h"
#include "cli/CliIo.h"
#include "files/ContactFile.h"
#include "model/Contact.h"

namespace korvi::cli {

std::vector<OptionSpec> ContactsCommand::Options() const {
    return {{"from", "FILE", "the contact XML file to read"},
            {"to", "FILE", "the CSV file to write (replaced when it exists)"}};
}

int ContactsCommand::Run(const ParsedArgs& args, CliIo& io) {
    const auto& words = args.Positionals();
    if (words.empty()) return UsageError(io, *this, "missing subcommand 'convert'");
    if (words[0] != "convert")
        return UsageError(io, *this, "unknown subcommand '" + words[0] + "'");
    if (words.size() > 1) return UsageError(io, *this, "too many arguments");
    const std::optional<std::string> from = args.Value("from");
    const std::optional<std::string> to = args.Value("to");
    if (!from || from->empty()) return UsageError(io, *this, "--from FILE is required");
    if (!to || to->empty()) return UsageError(io, *this, "--to FILE is required");
    std::error_code ec;
    // Writing over the source would lose the only complete form of the contacts.
    if (std::filesystem::equivalent(*from, *to, ec)) {
        return UsageError(io, *this, "--to names the file given with --from");
    }

    NullProgress progress;
    TcontactFile contactFile(progress);
    TContactList contacts;
    if (Result loaded = contactFile.LoadContacts(*from, contacts); !loaded.ok()) {
        io.Error(loaded.text);
        return kExitFailure;
    }
    if (Result saved = contactFile.SaveContacts(*to, contacts, kFileTypeCsv); !saved.ok()) {
        // The file errors name the file already; "Could not open file!" does not.
        const std::string& text = saved.text;
        io.Error(text.rfind(*to, 0) == 0 ? text : *to + ": " + text);
        return kExitFailure;
    }
    io.out() << "Converted " << contacts.size() << " contacts from " << *from << " to " << *to
             << '\n';
    return kExitOk;
}

}  // namespace korvi::cli
