#include "cli/CliIo.h"

#include <istream>
#include <ostream>

#include "services/Services.h"

namespace korvi::cli {

CliIo::CliIo(std::istream& in, std::ostream& out, std::ostream& err, bool inIsTerminal,
             bool errIsTerminal)
    : m_in(in),
      m_out(out),
      m_err(err),
      m_inIsTerminal(inIsTerminal),
      m_errIsTerminal(errIsTerminal),
      m_prompt(*this) {}

// The services (and a worker they may still run) end before the streams and the prompt.
CliIo::~CliIo() { m_services.reset(); }

void CliIo::Error(std::string_view message) {
    std::lock_guard lock(m_statusMutex);
    ClearStatusLocked();
    m_err << "korvi: " << message << '\n';
    m_err.flush();
}

void CliIo::Note(std::string_view message) {
    std::lock_guard lock(m_statusMutex);
    if (m_questionOpen) return;
    ClearStatusLocked();
    m_err << message << '\n';
    m_err.flush();
}

Services& CliIo::services() {
    if (!m_services) {
        if (m_servicesFactory) {
            m_services = m_servicesFactory();
        } else {
            m_services = std::make_unique<Services>();
            m_services->RegisterActions();
        }
        m_services->ctrl.SetPrompt(&m_prompt);
        if (!m_services->setupWarning().empty()) Error(m_services->setupWarning());
    }
    return *m_services;
}

void CliIo::SetServicesFactory(ServicesFactory factory) { m_servicesFactory = std::move(factory); }

void CliIo::ShowStatus(std::string_view line) {
    if (!m_errIsTerminal) return;
    std::lock_guard lock(m_statusMutex);
    if (m_questionOpen) return;
    // Back to the line start, the new text, and clear what the old one left to the right.
    m_err << '\r' << line << "\x1b[K";
    m_err.flush();
    m_statusShown = true;
}

void CliIo::ClearStatus() {
    std::lock_guard lock(m_statusMutex);
    ClearStatusLocked();
}

bool CliIo::StatusShown() {
    std::lock_guard lock(m_statusMutex);
    return m_statusShown;
}

void CliIo::ClearStatusLocked() {
    if (!m_statusShown) return;
    m_err << "\r\x1b[K";
    m_err.flush();
    m_statusShown = false;
}

void CliIo::BeginQuestion() {
    std::lock_guard lock(m_statusMutex);
    ClearStatusLocked();
    m_questionOpen = true;
}

void CliIo::EndQuestion() {
    std::lock_guard lock(m_statusMutex);
    m_questionOpen = false;
}

}  // namespace korvi::cli
