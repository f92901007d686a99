// What every PBX command shares: the connection options, the settings as the Settings tab
// would hold them (the stored settings with the command line's values over them), and the
// choice of the phonebook (contact type) to work on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/KorviSettings.h"
#include "app/Result.h"
#include "cli/Command.h"

namespace korvi::flows {
struct FlowContext;
}

namespace korvi::cli {

class CliFrontEnd;
class CliIo;
class ParsedArgs;

// --url --port --user --pin-stdin --timeout, and --contact-type where a command works on one
// phonebook.
std::vector<OptionSpec> PbxConnectionOptions(bool withContactType);

class PbxSession {
public:
    PbxSession(const ParsedArgs& args, CliIo& io);

    // Checks the options' form: false with a message for a usage error.
    [[nodiscard]] bool CheckUsage(std::string& error) const;

    // The stored settings with --url, --port, --user, --timeout over them and the PIN (from
    // standard input with --pin-stdin, read once). The flows hand them to the PBX client.
    const KorviSettings& Settings();

    // The extension box of the command line: the connection checks, then --contact-type
    // central|DEVID or the stored "SyncContactType" with its name; a device id is looked up
    // in the user's extensions (action 3) for its name. Then the contact type check.
    Result ChooseContactType(flows::FlowContext& ctx);
    // The last ChooseContactType failed because no contact type was chosen at all.
    bool contactTypeMissing() const { return m_contactTypeMissing; }

    // Lets front end choose the contact type through this session, with its hint.
    void Attach(CliFrontEnd& frontEnd, flows::FlowContext& ctx);

private:
    const ParsedArgs& m_args;
    CliIo& m_io;
    std::optional<KorviSettings> m_settings;
    bool m_contactTypeMissing = false;
};

}  // namespace korvi::cli
