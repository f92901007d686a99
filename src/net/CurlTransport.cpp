#include "net/CurlTransport.h"

#include <curl/curl.h>

#include <cctype>
#include <mutex>
#include <string_view>

#include <fmt/format.h>

#include "net/UrlText.h"

namespace korvi::net {

namespace {

// Far more than any answer of ours carries; a runaway answer must not grow the list forever.
constexpr std::size_t kMaxHeaderLines = 1000;

struct BodySink {
    std::string* body = nullptr;
    std::size_t limit = 0;
    bool overflow = false;
};

struct HeaderSink {
    std::vector<HttpHeader>* headers = nullptr;
    bool overflow = false;
};

// curl sends a request again on a fresh connection when a reused one closes before any answer
// byte. The server may have acted on the first one, and a create sent twice makes two items:
// for a method that is not idempotent the second attempt is stopped and reported as the lost
// connection.
struct AttemptCounter {
    int attempts = 0;
};

int CountAttempt(void* user, char*, char*, int, int) {
    auto* counter = static_cast<AttemptCounter*>(user);
    return ++counter->attempts > 1 ? CURL_PREREQFUNC_ABORT : CURL_PREREQFUNC_OK;
}

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<BodySink*>(user);
    const std::size_t bytes = size * count;
    if (sink->body->size() + bytes > sink->limit) {
        sink->overflow = true;
        return 0;  // makes curl end the transfer with CURLE_WRITE_ERROR
    }
    sink->body->append(data, bytes);
    return bytes;
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) {
        s.remove_suffix(1);
    }
    return s;
}

std::size_t WriteHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<HeaderSink*>(user);
    const std::size_t bytes = size * count;
    std::string_view line(data, bytes);
    if (line.starts_with("HTTP/")) {
        // A new answer begins (after a 100 Continue, say): only the last one's headers count.
        sink->headers->clear();
        return bytes;
    }
    if (line.empty() || line.front() == '\r' || line.front() == '\n') return bytes;
    if ((line.front() == ' ' || line.front() == '\t') && !sink->headers->empty()) {
        sink->headers->back().value += " ";
        sink->headers->back().value += TrimBlanks(line);
        return bytes;
    }
    if (sink->headers->size() >= kMaxHeaderLines) {
        sink->overflow = true;
        return 0;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return bytes;
    sink->headers->push_back(HttpHeader{std::string(TrimBlanks(line.substr(0, colon))),
                                        std::string(TrimBlanks(line.substr(colon + 1)))});
    return bytes;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

bool IsWebAddress(std::string_view url) {
    return StartsWithIgnoringCase(url, "http://") || StartsWithIgnoringCase(url, "https://");
}

bool IsMethodToken(std::string_view method) {
    if (method.empty()) return false;
    for (char c : method) {
        if (!((c >= 'A' && c <= 'Z') || c == '-' || c == '_')) return false;
    }
    return true;
}

// A line break in a header would let a value start a header (or a request) of its own.
bool IsHeaderSafe(const HttpHeader& header) {
    if (header.name.empty()) return false;
    for (char c : header.name) {
        if (c == ':' || c == ' ' || c == '\r' || c == '\n' || c == '\0') return false;
    }
    for (char c : header.value) {
        if (c == '\r' || c == '\n' || c == '\0') return false;
    }
    return true;
}

bool Idempotent(std::string_view method) { return method != "POST" && method != "PATCH"; }

bool SendsBody(std::string_view method) { return method != "GET" && method != "HEAD"; }

bool GlobalInit() {
    static std::once_flag once;
    static CURLcode code = CURLE_OK;
    std::call_once(once, [] { code = curl_global_init(CURL_GLOBAL_DEFAULT); });
    return code == CURLE_OK;
}

// curl's own words are precise ("Failed to connect to 127.0.0.1 port 9: Connection refused");
// the prefix tells the user which kind of failure it was.
std::string DescribeFailure(CURLcode code, const char* errbuf, const HttpRequest& request,
                            const CurlTransportOptions& options, const BodySink& body,
                            const HeaderSink& headers, const AttemptCounter& attempts) {
    const std::string url = UrlForMessages(request.url);
    if (code == CURLE_ABORTED_BY_CALLBACK && attempts.attempts > 1) {
        return fmt::format(
            "Connection to {} closed without a complete answer (no answer received; the "
            "request is not sent again)",
            url);
    }
    const std::string detail = (errbuf != nullptr && errbuf[0] != '\0')
                                   ? std::string(errbuf)
                                   : std::string(curl_easy_strerror(code));
    switch (code) {
        case CURLE_OPERATION_TIMEDOUT:
            return fmt::format("Timeout: no answer from {} within {} ms ({})", url,
                               request.timeoutMs, detail);
        case CURLE_COULDNT_CONNECT:
            return fmt::format("Could not connect to {}: {}", url, detail);
        case CURLE_COULDNT_RESOLVE_HOST:
            return fmt::format("Could not resolve the host of {}: {}", url, detail);
        case CURLE_URL_MALFORMAT:
            return fmt::format("Invalid address {}: {}", url, detail);
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_WEIRD_SERVER_REPLY:
            return fmt::format("Answer from {} is not HTTP: {}", url, detail);
        case CURLE_PEER_FAILED_VERIFICATION:
            return fmt::format("The certificate of {} is not trusted: {}", url, detail);
        case CURLE_SSL_CONNECT_ERROR:
            return fmt::format("Secure connection to {} failed: {}", url, detail);
        case CURLE_SSL_CACERT_BADFILE:
            return fmt::format("Certificate authority file '{}' could not be used: {}",
                               options.caFile, detail);
        case CURLE_FILESIZE_EXCEEDED:
            return fmt::format("Answer from {} is larger than {} bytes", url, body.limit);
        case CURLE_WRITE_ERROR:
            if (body.overflow) {
                return fmt::format("Answer from {} is larger than {} bytes", url, body.limit);
            }
            if (headers.overflow) {
                return fmt::format("Answer from {} has more than {} header lines", url,
                                   kMaxHeaderLines);
            }
            break;
        case CURLE_GOT_NOTHING:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_PARTIAL_FILE:
            return fmt::format("Connection to {} closed without a complete answer ({})", url,
                               detail);
        default:
            break;
    }
    return fmt::format("HTTP request to {} failed: {}", url, detail);
}

HttpResponse Refused(CURLcode code, std::string error) {
    HttpResponse response;
    response.curlCode = code;
    response.error = std::move(error);
    return response;
}

// The request as curl's header list; null with `error` set when it cannot be sent safely.
curl_slist* BuildHeaderList(const HttpRequest& request, std::string& error) {
    curl_slist* list = nullptr;
    auto append = [&list, &error](const std::string& line) {
        curl_slist* next = curl_slist_append(list, line.c_str());
        if (next == nullptr) {
            curl_slist_free_all(list);
            list = nullptr;
            error = "Out of memory building the HTTP request";
            return false;
        }
        list = next;
        return true;
    };
    // An Expect: 100-continue round trip per request would halve the rate.
    if (!append("Expect:")) return nullptr;
    bool hasContentType = false;
    for (const auto& header : request.headers) {
        if (!IsHeaderSafe(header)) {
            curl_slist_free_all(list);
            error = fmt::format("Invalid request header '{}' for {}", header.name,
                                UrlForMessages(request.url));
            return nullptr;
        }
        hasContentType = hasContentType || StartsWithIgnoringCase(header.name, "content-type");
        // curl sends "Name:" as a removal; "Name;" is how it spells an empty header.
        const std::string line =
            header.value.empty() ? header.name + ";" : header.name + ": " + header.value;
        if (!append(line)) return nullptr;
    }
    // A body without a type of the caller's is sent without one, not as curl's form default.
    if (SendsBody(request.method) && !hasContentType && !append("Content-Type:")) return nullptr;
    return list;
}

}  // namespace

CurlTransport::CurlTransport(CurlTransportOptions options) : m_options(std::move(options)) {
    if (GlobalInit()) m_curl = curl_easy_init();
}

CurlTransport::~CurlTransport() {
    if (m_curl != nullptr) curl_easy_cleanup(static_cast<CURL*>(m_curl));
}

HttpResponse CurlTransport::Send(const HttpRequest& request) {
    CURL* curl = static_cast<CURL*>(m_curl);
    if (curl == nullptr) return Refused(CURLE_FAILED_INIT, "HTTP client could not be initialised");
    if (request.timeoutMs <= 0 || request.connectTimeoutMs < 0) {
        // curl reads 0 as "wait forever"; every request here must have a bound.
        return Refused(CURLE_BAD_FUNCTION_ARGUMENT,
                       fmt::format("Invalid timeout of {} ms", request.timeoutMs));
    }
    if (!IsWebAddress(request.url)) {
        return Refused(CURLE_UNSUPPORTED_PROTOCOL,
                       fmt::format("Invalid address {}: only http:// and https:// are served",
                                   UrlForMessages(request.url)));
    }
    if (!IsMethodToken(request.method)) {
        return Refused(CURLE_BAD_FUNCTION_ARGUMENT,
                       fmt::format("Invalid HTTP method '{}'", request.method));
    }
    if (!SendsBody(request.method) && !request.body.empty()) {
        return Refused(CURLE_BAD_FUNCTION_ARGUMENT,
                       fmt::format("A {} request carries no body", request.method));
    }
    std::string headerError;
    curl_slist* headerList = BuildHeaderList(request, headerError);
    if (headerList == nullptr) return Refused(CURLE_BAD_FUNCTION_ARGUMENT, headerError);

    HttpResponse response;
    char errbuf[CURL_ERROR_SIZE] = {};
    BodySink body{&response.body, m_options.maxBodyBytes, false};
    HeaderSink headers{&response.headers, false};
    AttemptCounter attempts;

    // The handle keeps its connection cache across requests; every option is set anew.
    CURLcode code = CURLE_OK;
    auto set = [&](CURLoption option, auto value) {
        if (code == CURLE_OK) code = curl_easy_setopt(curl, option, value);
    };
    set(CURLOPT_ERRORBUFFER, errbuf);
    set(CURLOPT_URL, request.url.c_str());
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_NOSIGNAL, 1L);
    // Loopback traffic (our emulators) must never go through a proxy from the environment.
    set(CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
    set(CURLOPT_FOLLOWLOCATION, 0L);
    if (request.method == "GET") {
        set(CURLOPT_HTTPGET, 1L);
    } else if (request.method == "HEAD") {
        set(CURLOPT_NOBODY, 1L);
    } else {
        set(CURLOPT_POST, 1L);
        set(CURLOPT_POSTFIELDS, request.body.data());
        set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        if (request.method != "POST") set(CURLOPT_CUSTOMREQUEST, request.method.c_str());
    }
    set(CURLOPT_HTTPHEADER, headerList);
    if (request.basicAuth) {
        set(CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
        set(CURLOPT_USERNAME, request.basicAuth->user.c_str());
        set(CURLOPT_PASSWORD, request.basicAuth->password.c_str());
    }
    if (!m_options.userAgent.empty()) set(CURLOPT_USERAGENT, m_options.userAgent.c_str());
    set(CURLOPT_CONNECTTIMEOUT_MS,
        request.connectTimeoutMs > 0 ? request.connectTimeoutMs : request.timeoutMs);
    set(CURLOPT_TIMEOUT_MS, request.timeoutMs);
    set(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(m_options.maxBodyBytes));
    set(CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    if (!m_options.caFile.empty()) set(CURLOPT_CAINFO, m_options.caFile.c_str());
    set(CURLOPT_WRITEFUNCTION, &WriteBody);
    set(CURLOPT_WRITEDATA, &body);
    set(CURLOPT_HEADERFUNCTION, &WriteHeader);
    set(CURLOPT_HEADERDATA, &headers);
    if (!Idempotent(request.method)) {
        set(CURLOPT_PREREQFUNCTION, &CountAttempt);
        set(CURLOPT_PREREQDATA, &attempts);
    }
    if (code == CURLE_OK) code = curl_easy_perform(curl);

    long connects = 0;
    if (curl_easy_getinfo(curl, CURLINFO_NUM_CONNECTS, &connects) == CURLE_OK) {
        m_connections += connects;
    }
    if (code == CURLE_OK) {
        if (curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status) != CURLE_OK) {
            response.status = 0;
        }
    } else {
        response.curlCode = code;
        response.error = DescribeFailure(code, errbuf, request, m_options, body, headers, attempts);
        response.status = 0;
        response.headers.clear();
        response.body.clear();
    }
    // The handle must keep no pointer into this call's buffers (the password among them); a
    // reset keeps the live connections.
    curl_easy_reset(curl);
    curl_slist_free_all(headerList);
    return response;
}

}  // namespace korvi::net
