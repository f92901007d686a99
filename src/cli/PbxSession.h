// What every PBX command shares: the connection options, the connection values as the
// Settings tab would hold them (the stored settings with the command line's values over them),
// their checks, and the choice of the phonebook (contact type) to work on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Result.h"
#include "cli/Command.h"

namespace korvi {
class Tpbx;
}

namespace korvi::cli {

class CliIo;
class ParsedArgs;

// --url --port --user --pin-stdin --timeout, and --contact-type where a command works on one
// phonebook.
std::vector<OptionSpec> PbxConnectionOptions(bool withContactType);

// The connection fields, as typed (untrimmed), the way the portal login needs them.
struct PbxFields {
    std::string url;  // scheme and host, without the port
    std::string port;
    std::string userName;
    std::string pin;
    std::string timeout;
};

class PbxSession {
public:
    PbxSession(const ParsedArgs& args, CliIo& io);

    // Checks the options' form: false with a message for a usage error.
    [[nodiscard]] bool CheckUsage(std::string& error) const;

    // Reads the fields (the PIN from standard input with --pin-stdin), hands them to the PBX
    // client and runs the connection checks. Success, or the failing check's result.
    Result Connect();

    // --contact-type central|DEVID, or the stored "SyncContactType" with its name. A device id
    // is looked up in the user's extensions (GetExtnInfo) for its name. Then the contact type
    // check. Success, or the failing step's result.
    Result ChooseContactType();

    const PbxFields& fields() const { return m_fields; }
    // The last ChooseContactType failed because no contact type was chosen at all.
    bool contactTypeMissing() const { return m_contactTypeMissing; }
    Tpbx& pbx();

private:
    const ParsedArgs& m_args;
    CliIo& m_io;
    PbxFields m_fields;
    int32_t m_storedType = 0;
    std::string m_storedTypeName;
    bool m_contactTypeMissing = false;
};

// "korvi: " and a hint to stderr when the contact type check failed for want of a choice.
void HintContactType(CliIo& io, const PbxSession& session);

// The window's failure box text: result text, " (Error Code N)".
std::string FailureMessage(int code, const std::string& text);

// Reports a file transfer that was cancelled or failed as the import/export tab does: the cancel
// lines, or the history line failedHistory (a format taking the result text) and the failure
// message. Returns true when code was not 0, so that the caller stops with kExitFailure.
bool ReportFileTransferStop(CliIo& io, const PbxSession& session, int code, const std::string& text,
                            std::string_view failedHistory);

}  // namespace korvi::cli
