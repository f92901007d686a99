#include "SsdpResponder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "NetworkInterfaces.h"

namespace korvi::sim {

namespace {

constexpr char kSsdpGroup[] = "239.255.255.250";
constexpr uint16_t kSsdpPort = 1900;
constexpr char kLoopback[] = "127.0.0.1";
// Larger than any search a control point sends.
constexpr std::size_t kMaxDatagram = 8192;

std::string SystemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

// A socket on port 1900 that receives the group's datagrams arriving on lo. Several responders
// share the port, as several devices on one LAN would each hear a search.
int OpenGroupSocket(std::string& error) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = SystemError("socket");
        return -1;
    }
    const int on = 1;
    const int off = 0;
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    bound.sin_port = htons(kSsdpPort);
    bound.sin_addr.s_addr = htonl(INADDR_ANY);
    ip_mreq membership{};
    inet_pton(AF_INET, kSsdpGroup, &membership.imr_multiaddr);
    inet_pton(AF_INET, kLoopback, &membership.imr_interface);
    if (setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
        error = SystemError("SO_REUSEADDR");
    } else if (bind(fd, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0) {
        error = SystemError("bind to port 1900");
    } else if (setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0) {
        error = SystemError("joining 239.255.255.250 on lo");
    } else if (setsockopt(fd, IPPROTO_IP, IP_MULTICAST_ALL, &off, sizeof off) != 0) {
        // Only the group joined here, not those other sockets of this host joined.
        error = SystemError("IP_MULTICAST_ALL");
    } else {
        return fd;
    }
    close(fd);
    return -1;
}

}  // namespace

SsdpResponder::SsdpResponder(Answerer answerer) : m_answerer(std::move(answerer)) {}

SsdpResponder::~SsdpResponder() { Stop(); }

bool SsdpResponder::Start(std::string& error) {
    if (m_thread.joinable()) {
        error = "The SSDP responder is already running";
        return false;
    }
    if (std::string refusal = SsdpRefusal(); !refusal.empty()) {
        error = std::move(refusal);
        return false;
    }
    m_socket = OpenGroupSocket(error);
    if (m_socket < 0) return false;
    m_wakeup = eventfd(0, EFD_CLOEXEC);
    if (m_wakeup < 0) {
        error = SystemError("eventfd");
        close(m_socket);
        m_socket = -1;
        return false;
    }
    {
        std::lock_guard lock(m_stopMutex);
        m_stopping = false;
    }
    // The socket receives from here on; searches sent before the thread runs wait in it.
    m_thread = std::thread([this] { Serve(); });
    return true;
}

void SsdpResponder::Stop() {
    {
        std::lock_guard lock(m_stopMutex);
        m_stopping = true;
    }
    m_stopSignal.notify_all();
    if (m_wakeup >= 0) {
        const uint64_t one = 1;
        // Only a full counter fails, and then Serve() is woken already.
        static_cast<void>(write(m_wakeup, &one, sizeof one));
    }
    if (m_thread.joinable()) m_thread.join();
    for (int* fd : {&m_socket, &m_wakeup}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

bool SsdpResponder::WaitDelay() {
    const auto delay = std::chrono::milliseconds(m_delayMs.load());
    std::unique_lock lock(m_stopMutex);
    if (delay.count() > 0) {
        m_stopSignal.wait_for(lock, delay, [this] { return m_stopping; });
    }
    return !m_stopping;
}

void SsdpResponder::Serve() {
    std::vector<char> buffer(kMaxDatagram);
    for (;;) {
        pollfd fds[2] = {{m_socket, POLLIN, 0}, {m_wakeup, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents != 0) return;
        if ((fds[0].revents & POLLIN) == 0) continue;
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t received = recvfrom(m_socket, buffer.data(), buffer.size(), 0,
                                          reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (received <= 0) continue;
        SsdpSearch search;
        if (!ParseSsdpSearch(std::string_view(buffer.data(), static_cast<std::size_t>(received)),
                             search)) {
            continue;
        }
        ++m_searches;
        const std::vector<std::string> answers = m_answerer(search);
        if (answers.empty() || !WaitDelay()) continue;
        for (const std::string& answer : answers) {
            // A searcher that has gone away is no reason to stop answering others.
            static_cast<void>(sendto(m_socket, answer.data(), answer.size(), 0,
                                     reinterpret_cast<const sockaddr*>(&from), fromLength));
        }
    }
}

}  // namespace korvi::sim
