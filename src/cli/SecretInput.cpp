#include "cli/SecretInput.h"

#include <termios.h>
#include <unistd.h>

#include <istream>
#include <ostream>

#include "cli/CliIo.h"

namespace korvi::cli {

namespace {

// Switches terminal echo off for its lifetime; does nothing where stdin is no terminal.
class EchoOff {
public:
    EchoOff() {
        if (::tcgetattr(STDIN_FILENO, &m_saved) != 0) return;
        termios quiet = m_saved;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        m_active = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff() {
        // Failing to restore leaves the terminal silent; nothing better to do than try.
        if (m_active) static_cast<void>(::tcsetattr(STDIN_FILENO, TCSAFLUSH, &m_saved));
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    termios m_saved{};
    bool m_active = false;
};

}  // namespace

bool ReadSecretLine(CliIo& io, std::string_view prompt, std::string& secret) {
    secret.clear();
    bool ok = false;
    if (io.inIsTerminal()) {
        io.err() << prompt;
        io.err().flush();
        EchoOff echoOff;
        ok = static_cast<bool>(std::getline(io.in(), secret));
        io.err() << '\n';  // the Enter the user typed was not echoed either
    } else {
        ok = static_cast<bool>(std::getline(io.in(), secret));
    }
    if (!secret.empty() && secret.back() == '\r') secret.pop_back();
    return ok;
}

}  // namespace korvi::cli
