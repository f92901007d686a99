// A tiny HTTP server on 127.0.0.1 for the answers no well-behaved server gives: truncated or
// malformed bodies, a body of another operation, a connection closed mid-answer, an answer
// that never comes, a body of 100 MB. Each request is handed to the test's handler, which
// says what to send back.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace korvi::test {

struct RawRequest {
    std::string head;  // request line and headers
    std::string body;
};

struct RawAnswer {
    enum Kind {
        kSend,          // write `bytes`, keep the connection open for the next request
        kSendAndClose,  // write `bytes`, then close
        kHang,          // write nothing and keep the connection until the server stops
    };
    Kind kind = kSend;
    std::string bytes;
    // kSend only: after `bytes`, this many filler bytes (a huge body without holding it).
    std::size_t fillerBytes = 0;
};

// A complete HTTP/1.1 answer with a Content-Length that matches the body.
std::string HttpAnswer(int status, const std::string& body,
                       const std::string& contentType = "text/xml; charset=utf-8");

class RawHttpServer {
public:
    using Handler = std::function<RawAnswer(const RawRequest&)>;
    // kOneAtATime serves a connection until the client closes it and only then accepts the
    // next; the others wait in the listen queue, as on a PBX with a single server thread.
    enum class Serving { kConcurrently, kOneAtATime };

    explicit RawHttpServer(Handler handler, Serving serving = Serving::kConcurrently);
    ~RawHttpServer();
    RawHttpServer(const RawHttpServer&) = delete;
    RawHttpServer& operator=(const RawHttpServer&) = delete;

    // 0 when the server could not start.
    int port() const { return m_port; }
    std::string url() const;
    int connections() const { return m_connections.load(); }
    int requests() const { return m_requests.load(); }
    std::vector<RawRequest> received() const;

private:
    void AcceptLoop();
    void Serve(int fd);

    Handler m_handler;
    Serving m_serving;
    int m_listenFd = -1;
    int m_port = 0;
    int m_wakeFds[2] = {-1, -1};
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    std::atomic<int> m_requests{0};
    mutable std::mutex m_mutex;
    std::vector<RawRequest> m_received;
    std::vector<std::thread> m_threads;
    std::thread m_acceptThread;
};

}  // namespace korvi::test
