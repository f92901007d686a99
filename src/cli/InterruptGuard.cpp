#include "cli/InterruptGuard.h"

#include <atomic>

namespace korvi::cli {

namespace {

// Lock-free, so the handler may touch it.
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int) { g_interrupted.store(true); }

}  // namespace

InterruptGuard::InterruptGuard() {
    g_interrupted.store(false);
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // The first Ctrl-C cancels; the handler then steps aside so that a second one ends the
    // process, should a body not reach its next check.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    m_installed = ::sigaction(SIGINT, &action, &m_previous) == 0;
}

InterruptGuard::~InterruptGuard() {
    if (m_installed) {
        // Restoring the handler found at start cannot fail for a valid signal and action.
        ::sigaction(SIGINT, &m_previous, nullptr);
    }
}

bool InterruptGuard::Interrupted() { return g_interrupted.load(); }

}  // namespace korvi::cli
