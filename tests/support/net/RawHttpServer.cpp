#include "net/RawHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace korvi::test {

namespace {

// Waits until fd is readable or the server is told to stop; false on stop or error.
bool WaitReadable(int fd, int wakeFd) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(fds, 2, -1);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        if (fds[1].revents != 0) return false;
        return fds[0].revents != 0;
    }
}

bool SendAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::size_t ContentLength(const std::string& head) {
    // Header names are case-insensitive; curl writes "Content-Length".
    std::string lower = head;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    const auto pos = lower.find("\r\ncontent-length:");
    if (pos == std::string::npos) return 0;
    return static_cast<std::size_t>(std::strtoul(head.c_str() + pos + 17, nullptr, 10));
}

}  // namespace

std::string HttpAnswer(int status, const std::string& body, const std::string& contentType) {
    std::string reason = status == 200 ? "OK" : status == 500 ? "Internal Server Error" : "Other";
    return "HTTP/1.1 " + std::to_string(status) + " " + reason +
           "\r\nContent-Type: " + contentType +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

RawHttpServer::RawHttpServer(Handler handler, Serving serving)
    : m_handler(std::move(handler)), m_serving(serving) {
    if (::pipe(m_wakeFds) != 0) return;
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0) return;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof(addr);
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        ::listen(m_listenFd, 16) != 0 ||
        ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        return;
    }
    m_port = ntohs(addr.sin_port);
    m_acceptThread = std::thread([this] { AcceptLoop(); });
}

RawHttpServer::~RawHttpServer() {
    m_stop = true;
    if (m_wakeFds[1] >= 0) {
        const char byte = 1;
        // The pipe is empty and ours: a failed write would only leave threads to the kernel.
        static_cast<void>(::write(m_wakeFds[1], &byte, 1));
    }
    if (m_acceptThread.joinable()) m_acceptThread.join();
    for (auto& t : m_threads) t.join();
    if (m_listenFd >= 0) ::close(m_listenFd);
    for (int fd : m_wakeFds) {
        if (fd >= 0) ::close(fd);
    }
}

std::string RawHttpServer::url() const { return "http://127.0.0.1:" + std::to_string(m_port); }

std::vector<RawRequest> RawHttpServer::received() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

void RawHttpServer::AcceptLoop() {
    while (!m_stop) {
        if (!WaitReadable(m_listenFd, m_wakeFds[0])) return;
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        ++m_connections;
        if (m_serving == Serving::kOneAtATime) {
            Serve(fd);
            ::close(fd);
            continue;
        }
        m_threads.emplace_back([this, fd] {
            Serve(fd);
            ::close(fd);
        });
    }
}

void RawHttpServer::Serve(int fd) {
    std::string buffer;
    char chunk[65536];
    while (!m_stop) {
        RawRequest request;
        std::size_t headEnd = std::string::npos;
        while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
            if (!WaitReadable(fd, m_wakeFds[0])) return;
            const ssize_t n = ::recv(fd, chunk, sizeof(chunk), 0);
            if (n <= 0) return;
            buffer.append(chunk, static_cast<std::size_t>(n));
        }
        request.head = buffer.substr(0, headEnd);
        buffer.erase(0, headEnd + 4);
        const std::size_t length = ContentLength(request.head + "\r\n");
        while (buffer.size() < length) {
            if (!WaitReadable(fd, m_wakeFds[0])) return;
            const ssize_t n = ::recv(fd, chunk, sizeof(chunk), 0);
            if (n <= 0) return;
            buffer.append(chunk, static_cast<std::size_t>(n));
        }
        request.body = buffer.substr(0, length);
        buffer.erase(0, length);
        ++m_requests;
        {
            std::lock_guard lock(m_mutex);
            m_received.push_back(request);
        }

        const RawAnswer answer = m_handler(request);
        if (answer.kind == RawAnswer::kHang) {
            // Keep the connection open and silent until the client gives up or we stop.
            while (WaitReadable(fd, m_wakeFds[0])) {
                if (::recv(fd, chunk, sizeof(chunk), 0) <= 0) return;
            }
            return;
        }
        if (!SendAll(fd, answer.bytes.data(), answer.bytes.size())) return;
        if (answer.fillerBytes > 0) {
            std::memset(chunk, 'x', sizeof(chunk));
            std::size_t left = answer.fillerBytes;
            while (left > 0 && !m_stop) {
                const std::size_t n = std::min(left, sizeof(chunk));
                if (!SendAll(fd, chunk, n)) return;  // the client hung up: as expected
                left -= n;
            }
        }
        if (answer.kind == RawAnswer::kSendAndClose) return;
    }
}

}  // namespace korvi::test
