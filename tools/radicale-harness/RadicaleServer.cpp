#include "RadicaleServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

#include "ThrowawayTls.h"
#include "net/CurlTransport.h"

extern char** environ;

namespace korvi::test {

namespace {

using Clock = std::chrono::steady_clock;

int FreePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

bool Accepting(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool WriteAll(const std::filesystem::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

}  // namespace

RadicaleServer::RadicaleServer(Options options) : m_options(options) {}

RadicaleServer::~RadicaleServer() {
    Stop();
    std::error_code ec;
    if (m_ownDir) std::filesystem::remove_all(m_dir, ec);
}

std::string RadicaleServer::Url() const {
    return std::string(m_options.tls ? "https" : "http") + "://127.0.0.1:" + std::to_string(m_port);
}

bool RadicaleServer::Start(std::string& error) {
    m_dir = m_options.folder;
    if (m_dir.empty()) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "korvi-radicale-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            error = "cannot make a temporary folder";
            return false;
        }
        m_dir = pattern;
        m_ownDir = true;
    }
    std::error_code ec;
    std::filesystem::create_directories(m_dir / "storage", ec);
    if (ec || !WriteAll(m_dir / "users", std::string(kUser) + ":" + kPassword + "\n")) {
        error = "cannot prepare " + m_dir.string();
        return false;
    }
    if (m_options.tls) {
        tls::TlsFiles files;
        if (!tls::MakeThrowawayTls(m_dir, {"127.0.0.1", "localhost"}, files, error)) return false;
        m_caFile = files.caCert;
        m_certFile = files.serverCert;
        m_keyFile = files.serverKey;
    }
    // The port is free when chosen; another process may take it before the server binds it,
    // so a server that ends at once is started again on another.
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_port = FreePort();
        if (m_port == 0) {
            error = "no free port on 127.0.0.1";
            return false;
        }
        if (Spawn(error) && WaitUntilAccepting(error)) return true;
        Stop();
    }
    return false;
}

bool RadicaleServer::Restart(std::string& error) {
    if (m_pid > 0) return true;
    return Spawn(error) && WaitUntilAccepting(error);
}

bool RadicaleServer::Spawn(std::string& error) {
    // "-C ''" keeps the system's configuration (which wants a front-end proxy) out.
    std::vector<std::string> args = {"radicale",
                                     "-C",
                                     "",
                                     "--server-hosts",
                                     "127.0.0.1:" + std::to_string(m_port),
                                     "--auth-type",
                                     "htpasswd",
                                     "--auth-htpasswd-filename",
                                     (m_dir / "users").string(),
                                     "--auth-htpasswd-encryption",
                                     "plain",
                                     "--auth-delay",
                                     "0",
                                     "--rights-type",
                                     "owner_only",
                                     "--storage-filesystem-folder",
                                     (m_dir / "storage").string()};
    if (m_options.tls) {
        args.insert(args.end(), {"--server-ssl", "True", "--server-certificate",
                                 m_certFile.string(), "--server-key", m_keyFile.string()});
    }
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string log = (m_dir / "radicale.log").string();
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, "radicale", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        error = "cannot start radicale: " + std::string(strerror(rc));
        return false;
    }
    m_pid = pid;
    return true;
}

bool RadicaleServer::WaitUntilAccepting(std::string& error) {
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            error = "radicale ended at start: " + ReadAll(m_dir / "radicale.log");
            return false;
        }
        if (Accepting(m_port)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    error = "radicale did not accept connections within 20 s";
    return false;
}

void RadicaleServer::Stop() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    int status = 0;
    while (::waitpid(m_pid, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    m_pid = -1;
}

bool RadicaleServer::MakeAddressBook(const std::string& name, std::string& url,
                                     std::string& error) {
    net::CurlTransportOptions options;
    options.caFile = m_caFile.string();
    net::CurlTransport transport(options);
    net::HttpRequest request;
    request.method = "MKCOL";
    request.url = PrincipalUrl() + name + "/";
    request.basicAuth = net::BasicAuth{kUser, kPassword};
    request.headers = {{"Content-Type", "application/xml; charset=utf-8"}};
    request.body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><mkcol xmlns=\"DAV:\" "
        "xmlns:CR=\"urn:ietf:params:xml:ns:carddav\"><set><prop><resourcetype><collection/>"
        "<CR:addressbook/></resourcetype><displayname>" +
        name + "</displayname></prop></set></mkcol>";
    const net::HttpResponse r = transport.Send(request);
    if (!r.Completed() || r.status != 201) {
        error = "MKCOL " + request.url + ": " +
                (r.Completed() ? "HTTP " + std::to_string(r.status) : r.error);
        return false;
    }
    url = request.url;
    return true;
}

}  // namespace korvi::test
