// One flow run from a command: the command line's front end and the flow's context, with the
// settings of the command (the PBX session's, or the stored ones) handed to the services.
#pragma once

#include "cli/CliFrontEnd.h"
#include "flows/FlowContext.h"

namespace korvi::cli {

class CliIo;
class PbxSession;

class CliFlow {
public:
    // The session's settings; the session chooses the contact type.
    CliFlow(CliIo& io, PbxSession& session);
    // The stored settings.
    explicit CliFlow(CliIo& io);
    CliFlow(const CliFlow&) = delete;
    CliFlow& operator=(const CliFlow&) = delete;

    CliFrontEnd& frontEnd() { return m_frontEnd; }
    flows::FlowContext& ctx() { return m_ctx; }

private:
    CliFrontEnd m_frontEnd;
    flows::FlowContext m_ctx;
};

// The information of a delete or an import, and after ". " the note of the result text (where
// the replaced contacts were saved), on one line.
void PrintWithNote(CliIo& io, const CliFrontEnd& frontEnd);

}  // namespace korvi::cli
