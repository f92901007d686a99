// Catches Ctrl-C (SIGINT) while an action runs, so that the action is cancelled the way the
// progress dialog's Cancel button does it instead of the process dying halfway through a
// write. A second Ctrl-C ends the process as usual.
#pragma once

#include <signal.h>

namespace korvi::cli {

class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // True once Ctrl-C was pressed while the guard was in place.
    static bool Interrupted();

private:
    struct sigaction m_previous {};
    bool m_installed = false;
};

}  // namespace korvi::cli
