// What a command works with: its three streams (injectable, so tests run commands in
// process), the global options, the questions and the status line, and the process's
// services, built on first use.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "cli/CliPrompt.h"

namespace korvi {
class Services;
}

namespace korvi::cli {

struct GlobalOptions {
    bool yes = false;      // --yes: answer yes/OK to every question
    bool verbose = false;  // --verbose: the detailed log is on
};

class CliIo {
public:
    CliIo(std::istream& in, std::ostream& out, std::ostream& err, bool inIsTerminal = false,
          bool errIsTerminal = false);
    ~CliIo();
    CliIo(const CliIo&) = delete;
    CliIo& operator=(const CliIo&) = delete;

    std::istream& in() { return m_in; }
    std::ostream& out() { return m_out; }
    std::ostream& err() { return m_err; }
    bool inIsTerminal() const { return m_inIsTerminal; }
    bool errIsTerminal() const { return m_errIsTerminal; }

    GlobalOptions& globals() { return m_globals; }
    const GlobalOptions& globals() const { return m_globals; }

    // "korvi: " + message on the error stream.
    void Error(std::string_view message);
    // A line on the error stream from the front-end thread while an action runs; left out
    // while the worker has a question open on the same stream.
    void Note(std::string_view message);

    // The services of this run, created on first use: folders made, every action registered,
    // the controller asking through prompt(). Commands that need no services never make them.
    Services& services();
    bool HasServices() const { return m_services != nullptr; }
    // Tests: build the services differently (bodies of their own, for instance). The factory
    // registers what it wants; RegisterActions() is not called for it.
    using ServicesFactory = std::function<std::unique_ptr<Services>()>;
    void SetServicesFactory(ServicesFactory factory);

    CliPrompt& prompt() { return m_prompt; }

    // Whether the user asked to stop the running action. The real tool catches Ctrl-C while
    // an action runs; tests give a function of their own.
    void SetCatchInterrupt(bool on) { m_catchInterrupt = on; }
    bool catchInterrupt() const { return m_catchInterrupt; }
    void SetCancelCheck(std::function<bool()> check) { m_cancelCheck = std::move(check); }
    bool CancelCheckSaysStop() const { return m_cancelCheck && m_cancelCheck(); }

    // The one-line status on the error stream (only drawn when it is a terminal). A question
    // clears it and holds it off until answered; the worker asks while the front end draws.
    void ShowStatus(std::string_view line);
    void ClearStatus();
    bool StatusShown();
    void BeginQuestion();
    void EndQuestion();

private:
    void ClearStatusLocked();

    std::istream& m_in;
    std::ostream& m_out;
    std::ostream& m_err;
    bool m_inIsTerminal;
    bool m_errIsTerminal;
    GlobalOptions m_globals;
    CliPrompt m_prompt;
    ServicesFactory m_servicesFactory;
    std::unique_ptr<Services> m_services;
    bool m_catchInterrupt = false;
    std::function<bool()> m_cancelCheck;

    std::mutex m_statusMutex;
    bool m_statusShown = false;
    bool m_questionOpen = false;
};

}  // namespace korvi::cli
