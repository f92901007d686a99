// A command that runs a flow on the PBX: what they all do first is here once. The options are
// the command's own and the connection options (with --contact-type for a command that works
// on one phonebook); Run refuses arguments, checks the command's options and the connection
// options' form, makes the PBX session and the flow, and hands over to RunFlow.
#pragma once

#include <string>
#include <vector>

#include "cli/Command.h"

namespace korvi::cli {

class CliFlow;
class PbxSession;

class PbxCommand : public Command {
public:
    std::vector<OptionSpec> Options() const final;
    [[nodiscard]] int Run(const ParsedArgs& args, CliIo& io) final;

protected:
    // The options besides the connection options, listed before them.
    virtual std::vector<OptionSpec> OwnOptions() const { return {}; }
    // Whether --contact-type is offered.
    virtual bool WorksOnContactType() const { return true; }
    // The command's own usage checks: false with the message.
    virtual bool CheckOptions(const ParsedArgs& args, std::string& error) const {
        static_cast<void>(args);
        static_cast<void>(error);
        return true;
    }
    // Runs the flow and prints; returns the exit code.
    [[nodiscard]] virtual int RunFlow(const ParsedArgs& args, CliIo& io, PbxSession& session,
                                      CliFlow& flow) = 0;
};

}  // namespace korvi::cli
