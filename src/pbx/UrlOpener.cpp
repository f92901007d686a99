#include "pbx/UrlOpener.h"

#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <fmt/format.h>

extern char** environ;

namespace korvi {

namespace {

// xdg-open normally returns as soon as the browser has been asked; a launcher that keeps
// running past this is left to run.
constexpr int kLauncherWaitMs = 10000;

bool StartsWithHttp(const std::string& url) {
    return url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0;
}

}  // namespace

Result XdgUrlOpener::OpenUrl(const std::string& url) {
    // Only web addresses: anything else could be read by xdg-open as an option or a file.
    if (!StartsWithHttp(url)) {
        return {kResultLocalFailure, "Only http:// and https:// addresses can be opened"};
    }
    std::string program = "xdg-open";
    std::string argument = url;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ);
    if (spawned != 0) {
        return {kResultLocalFailure,
                fmt::format("Could not start xdg-open: {}", std::strerror(spawned))};
    }

    const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (pidfd >= 0) {
        pollfd pfd{pidfd, POLLIN, 0};
        int ready = -1;
        do {
            ready = poll(&pfd, 1, kLauncherWaitMs);
        } while (ready < 0 && errno == EINTR);
        // Only our own descriptor of the child: nothing is lost if it does not close.
        static_cast<void>(close(pidfd));
        if (ready == 0) return 0;  // still running: the browser has the URL or will soon
    }
    int status = 0;
    pid_t waited = -1;
    do {
        waited = waitpid(pid, &status, pidfd >= 0 ? 0 : WNOHANG);
    } while (waited < 0 && errno == EINTR);
    if (waited == pid && WIFEXITED(status) && WEXITSTATUS(status) != 0) {
        return {kResultLocalFailure,
                fmt::format("xdg-open failed with exit code {}", WEXITSTATUS(status))};
    }
    return 0;
}

}  // namespace korvi
