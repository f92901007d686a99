#include "SimServerSupport.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include <httplib.h>

namespace korvi::simsupport {

namespace {

constexpr auto kStartTimeout = std::chrono::seconds(5);

int PortOf(const sockaddr_storage& addr) {
    if (addr.ss_family == AF_INET) {
        return ntohs(reinterpret_cast<const sockaddr_in&>(addr).sin_port);
    }
    if (addr.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<const sockaddr_in6&>(addr).sin6_port);
    }
    return -1;
}

}  // namespace

bool BindLoopback(httplib::Server& server, int wantedPort, int& boundPort) {
    if (wantedPort == 0) {
        boundPort = server.bind_to_any_port(kLoopback);
        return boundPort > 0;
    }
    boundPort = wantedPort;
    return server.bind_to_port(kLoopback, wantedPort);
}

bool WaitRunning(const httplib::Server& server) {
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (!server.is_running()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool ShutdownConnection(int localPort, int remotePort) {
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) return false;
    bool done = false;
    while (dirent* entry = readdir(dir)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd == dirfd(dir)) continue;
        struct stat st {};
        if (fstat(static_cast<int>(fd), &st) != 0 || !S_ISSOCK(st.st_mode)) continue;
        sockaddr_storage local{};
        sockaddr_storage peer{};
        socklen_t localLen = sizeof local;
        socklen_t peerLen = sizeof peer;
        if (getsockname(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&local), &localLen) !=
                0 ||
            getpeername(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&peer), &peerLen) != 0) {
            continue;
        }
        if (PortOf(local) == localPort && PortOf(peer) == remotePort) {
            done = shutdown(static_cast<int>(fd), SHUT_RDWR) == 0;
            break;
        }
    }
    closedir(dir);
    return done;
}

}  // namespace korvi::simsupport
