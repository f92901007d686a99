// What our simulators share about serving on loopback with cpp-httplib: binding 127.0.0.1,
// waiting until the listener runs, and dropping one request's connection without an answer.
#pragma once

namespace httplib {
class Server;
}

namespace korvi::simsupport {

inline constexpr char kLoopback[] = "127.0.0.1";

// Binds 127.0.0.1 on wantedPort (0: any free port); boundPort is the port bound.
[[nodiscard]] bool BindLoopback(httplib::Server& server, int wantedPort, int& boundPort);

// httplib 0.11 offers no ready signal: waits (a few seconds at most) until is_running().
[[nodiscard]] bool WaitRunning(const httplib::Server& server);

// httplib hands a handler no socket, so a dropped connection is made by finding the socket of
// this request among the process's descriptors and shutting it down: the client then reads
// end-of-file where the answer should be. False when no such socket was found.
[[nodiscard]] bool ShutdownConnection(int localPort, int remotePort);

}  // namespace korvi::simsupport
