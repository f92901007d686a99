#include "PbxSimulator.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <variant>

#include <httplib.h>

#include "SimSeed.h"
#include "SimSsdp.h"
#include "SimWsdl.h"
#include "pbx/soap/SoapServerEnvelope.h"
#include "pbx/soap/SoapXmlReader.h"

namespace korvi::sim {

namespace {

constexpr char kXmlContentType[] = "text/xml; charset=\"utf-8\"";
// Bounds for Start's wait on the listener thread.
constexpr auto kStartTimeout = std::chrono::seconds(5);
// Long enough for a benchmark's one connection, short enough that Stop() never waits long on a
// client that keeps its connection open.
constexpr time_t kKeepAliveSeconds = 2;
constexpr size_t kKeepAliveRequests = 1'000'000;

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::string_view Unquote(std::string_view s) {
    s = Trim(s);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
    return s;
}

// SOAP 1.1 travels as text/xml; any charset other than UTF-8 is not what we parse.
bool CheckContentType(const std::string& value, std::string& error) {
    std::string_view v = value;
    const std::size_t semi = v.find(';');
    const std::string media = Lower(Trim(v.substr(0, semi)));
    if (media != "text/xml") {
        error = "Content-Type must be text/xml, not '" + value + "'";
        return false;
    }
    std::string_view params = semi == std::string_view::npos ? "" : v.substr(semi + 1);
    while (!params.empty()) {
        const std::size_t next = params.find(';');
        std::string_view param = Trim(params.substr(0, next));
        params = next == std::string_view::npos ? "" : params.substr(next + 1);
        const std::size_t eq = param.find('=');
        if (eq == std::string_view::npos) continue;
        if (Lower(Trim(param.substr(0, eq))) == "charset" &&
            Lower(Unquote(param.substr(eq + 1))) != "utf-8") {
            error = "Unsupported charset in Content-Type '" + value + "'";
            return false;
        }
    }
    return true;
}

int PortOf(const sockaddr_storage& addr) {
    if (addr.ss_family == AF_INET) {
        return ntohs(reinterpret_cast<const sockaddr_in&>(addr).sin_port);
    }
    if (addr.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<const sockaddr_in6&>(addr).sin6_port);
    }
    return -1;
}

// httplib hands a handler no socket, so a dropped connection is made by finding the socket of
// this request among our descriptors and shutting it down: the client then reads end-of-file
// where the answer should be. Bounded by the number of open descriptors.
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

void SendFault(httplib::Response& res, std::string_view faultcode, std::string_view faultstring) {
    res.status = 500;
    res.set_content(soap::BuildFaultEnvelope(faultcode, faultstring), kXmlContentType);
}

bool Listen(httplib::Server& server, const std::string& host, int wantedPort, int& boundPort) {
    if (wantedPort == 0) {
        boundPort = server.bind_to_any_port(host);
        return boundPort > 0;
    }
    boundPort = wantedPort;
    return server.bind_to_port(host, wantedPort);
}

bool WaitRunning(const httplib::Server& server) {
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    // httplib 0.11 offers no ready signal: is_running() is the only way to know.
    while (!server.is_running()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace

PbxSimulator::PbxSimulator(SimOptions options)
    : m_options(std::move(options)),
      m_service(m_options),
      m_failRequest(m_options.failRequest),
      m_dropRequest(m_options.dropRequest),
      m_faultAfter(m_options.faultAfter),
      m_delayMs(m_options.delayMs) {}

PbxSimulator::~PbxSimulator() { Stop(); }

std::string PbxSimulator::Url() const {
    return "http://" + m_options.host + ":" + std::to_string(m_port);
}

std::string PbxSimulator::PortalUrl() const {
    return "http://" + m_options.host + ":" + std::to_string(m_portalPort);
}

bool PbxSimulator::Start(std::string& error) {
    if (m_server) {
        error = "The simulator is already running";
        return false;
    }
    // A restart keeps the phonebook, as a rebooted PBX would.
    if (!m_loaded) {
        if (!m_service.LoadOrSeed(error)) return false;
        m_loaded = true;
    }
    {
        std::lock_guard lock(m_stopMutex);
        m_stopping = false;
    }

    auto server = std::make_unique<httplib::Server>();
    // httplib sends headers and body in separate writes; with Nagle's algorithm the body would
    // wait for the client's delayed ACK (40 ms a request).
    server->set_tcp_nodelay(true);
    server->set_keep_alive_max_count(kKeepAliveRequests);
    server->set_keep_alive_timeout(kKeepAliveSeconds);
    server->set_payload_max_length(m_options.maxRequestBytes);
    server->Post(
        "/", [this](const httplib::Request& req, httplib::Response& res) { HandleSoap(req, res); });
    server->Get(
        "/", [this](const httplib::Request& req, httplib::Response& res) { HandleGet(req, res); });
    server->set_exception_handler(
        [](const httplib::Request&, httplib::Response& res, std::exception_ptr ep) {
            std::string what = "Internal error";
            try {
                if (ep) std::rethrow_exception(ep);
            } catch (const std::exception& e) {
                what += std::string(": ") + e.what();
            } catch (...) {
            }
            SendFault(res, soap::kFaultServer, what);
        });
    if (m_options.ssdp) {
        server->Get(kSimDescriptionPath, [this](const httplib::Request&, httplib::Response& res) {
            res.status = 200;
            res.set_content(m_ssdp->Description(), kXmlContentType);
        });
    }
    int port = -1;
    if (!Listen(*server, m_options.host, m_options.port, port)) {
        error = "Could not listen on " + m_options.host + ":" + std::to_string(m_options.port);
        return false;
    }

    std::unique_ptr<httplib::Server> portal;
    int portalPort = -1;
    if (m_options.portalPort >= 0) {
        portal = std::make_unique<httplib::Server>();
        portal->Get("/", [this](const httplib::Request& req, httplib::Response& res) {
            HandlePortal(req, res);
        });
        if (!Listen(*portal, m_options.host, m_options.portalPort, portalPort)) {
            error = "Could not listen on " + m_options.host + ":" +
                    std::to_string(m_options.portalPort) + " for the portal";
            return false;
        }
    }
    const int32_t browserPort =
        m_options.browserPort >= 0 ? m_options.browserPort : (portal ? portalPort : 0);
    m_service.SetBrowserPort(browserPort);

    m_server = std::move(server);
    m_port = port;
    if (m_options.ssdp) {
        m_ssdp = std::make_unique<SimSsdp>(m_options.host, m_port,
                                           m_options.platform + " PBX " + m_options.host);
    }
    m_serverThread = std::thread([s = m_server.get()] { s->listen_after_bind(); });
    if (portal) {
        m_portal = std::move(portal);
        m_portalPort = portalPort;
        m_portalThread = std::thread([s = m_portal.get()] { s->listen_after_bind(); });
    }
    if (!WaitRunning(*m_server) || (m_portal && !WaitRunning(*m_portal))) {
        Stop();
        error = "The simulator did not start listening";
        return false;
    }
    // Searches are answered only once the description they point to is served.
    if (m_ssdp && !m_ssdp->Start(error)) {
        Stop();
        return false;
    }
    return true;
}

void PbxSimulator::Stop() {
    {
        std::lock_guard lock(m_stopMutex);
        m_stopping = true;
    }
    m_stopSignal.notify_all();
    if (m_ssdp) m_ssdp->Stop();
    for (auto* pair : {&m_server, &m_portal}) {
        if (*pair) (*pair)->stop();
    }
    if (m_serverThread.joinable()) m_serverThread.join();
    if (m_portalThread.joinable()) m_portalThread.join();
    m_server.reset();
    m_portal.reset();
    m_ssdp.reset();
}

int PbxSimulator::SeedContacts(int count, int32_t contactType, int firstIndex) {
    int stored = 0;
    for (int i = 0; i < count; ++i) {
        if (m_service.AddContact(MakeSeedContact(firstIndex + i, contactType)) != 0) ++stored;
    }
    return stored;
}

void PbxSimulator::ClearFaults() {
    m_failRequest = 0;
    m_dropRequest = 0;
    m_faultAfter = 0;
    m_delayMs = 0;
    m_service.ClearFailingNames();
}

uint64_t PbxSimulator::ConnectionCount() const {
    std::lock_guard lock(m_countMutex);
    return m_clientPorts.size();
}

uint64_t PbxSimulator::OperationCount(soap::Operation operation) const {
    return m_operations[static_cast<std::size_t>(operation)];
}

void PbxSimulator::ResetCounters() {
    m_requests = 0;
    for (auto& n : m_operations) n = 0;
    std::lock_guard lock(m_countMutex);
    m_clientPorts.clear();
}

void PbxSimulator::Delay() {
    const int ms = m_delayMs;
    if (ms <= 0) return;
    std::unique_lock lock(m_stopMutex);
    m_stopSignal.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stopping; });
}

void PbxSimulator::HandleSoap(const httplib::Request& req, httplib::Response& res) {
    const int64_t number = static_cast<int64_t>(++m_requests);
    {
        std::lock_guard lock(m_countMutex);
        m_clientPorts.insert(req.remote_port);
    }
    Delay();
    if (number == m_dropRequest && ShutdownConnection(req.local_port, req.remote_port)) {
        res.status = 500;  // never reaches the client
        return;
    }
    if (number == m_failRequest) {
        res.status = 500;
        res.set_content("Internal Server Error\n", "text/plain");
        return;
    }
    const int64_t faultAfter = m_faultAfter;
    if (faultAfter > 0 && number >= faultAfter) {
        SendFault(
            res, soap::kFaultServer,
            "Service unavailable (fault injected from request " + std::to_string(faultAfter) + ")");
        return;
    }
    std::string error;
    if (!CheckContentType(req.get_header_value("Content-Type"), error)) {
        SendFault(res, soap::kFaultClient, error);
        return;
    }
    soap::AnyRequest request;
    soap::SoapResult parsed = soap::ParseRequestEnvelope(req.body, request);
    if (!parsed.ok()) {
        SendFault(res, parsed.faultcode, parsed.faultstring);
        return;
    }
    const soap::OperationInfo& info = soap::GetOperationInfo(soap::OperationOf(request));
    if (!req.has_header("SOAPAction")) {
        SendFault(res, soap::kFaultClient, "Missing SOAPAction header");
        return;
    }
    const std::string action = req.get_header_value("SOAPAction");
    if (Unquote(action) != info.soapAction) {
        SendFault(res, soap::kFaultClient,
                  "SOAPAction '" + action + "' does not match the operation '" +
                      std::string(info.name) + "'");
        return;
    }
    ++m_operations[static_cast<std::size_t>(info.operation)];

    std::string serverError;
    const std::string body = std::visit(
        [&](const auto& r) -> std::string {
            using R = std::decay_t<decltype(r)>;
            if constexpr (std::is_same_v<R, soap::Request_SPG_DeleteContact> ||
                          std::is_same_v<R, soap::Request_SPG_AddOrUpdateContact>) {
                return soap::BuildResponseEnvelope(m_service.Handle(r, serverError));
            } else {
                return soap::BuildResponseEnvelope(m_service.Handle(r));
            }
        },
        request);
    if (!serverError.empty()) {
        SendFault(res, soap::kFaultServer, serverError);
        return;
    }
    res.status = 200;
    res.set_content(body, kXmlContentType);
}

void PbxSimulator::HandleGet(const httplib::Request& req, httplib::Response& res) {
    if (req.has_param("wsdl")) {
        res.status = 200;
        res.set_content(WsdlFor(Url() + "/"), kXmlContentType);
        return;
    }
    res.status = 404;
    res.set_content("SOAP requests are POSTed here; the service description is at /?wsdl\n",
                    "text/plain");
}

void PbxSimulator::HandlePortal(const httplib::Request& req, httplib::Response& res) {
    int32_t cIdx = 0;
    const bool ok = req.get_param_value("formtype") == "login" &&
                    soap::ParseXsdInt(req.get_param_value("cIdx"), cIdx) == soap::IntParse::kOk &&
                    m_service.CheckPortalLogin(req.get_param_value("username"), cIdx,
                                               req.get_param_value("response"));
    res.status = ok ? 200 : 403;
    res.set_content(ok ? "logged in\n" : "login failed\n", "text/plain");
}

}  // namespace korvi::sim
