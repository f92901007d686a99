#include "cli/CliFlow.h"

#include <ostream>
#include "app/SettingsRegistry.h"

#include "cli/CliIo.h"
#include "cli/PbxSession.h"
#include "services/Services.h"

namespace korvi::cli {

namespace {

KorviSettings StoredSettings() {
    KorviSettings settings;
    GetFormSettingsFromRegistry(settings);
    return settings;
}

}  // namespace

CliFlow::CliFlow(CliIo& io, PbxSession& session)
    : m_frontEnd(io), m_ctx{io.services(), m_frontEnd, session.Settings()} {
    m_ctx.services.Configure(m_ctx.settings);
    session.Attach(m_frontEnd, m_ctx);
}

void PrintWithNote(CliIo& io, const CliFrontEnd& frontEnd) {
    for (const auto& line : frontEnd.information()) io.out() << line;
    const std::string note = io.services().ctrl.resultText();
    if (!note.empty()) io.out() << ". " << note;
    io.out() << '\n';
}

CliFlow::CliFlow(CliIo& io) : m_frontEnd(io), m_ctx{io.services(), m_frontEnd, StoredSettings()} {
    m_ctx.services.Configure(m_ctx.settings);
}

}  // namespace korvi::cli
