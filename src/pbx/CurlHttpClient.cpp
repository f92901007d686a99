#include "pbx/CurlHttpClient.h"

#include <curl/curl.h>

#include <cctype>
#include <mutex>
#include <string_view>

#include <fmt/format.h>

namespace korvi {

namespace {

struct BodySink {
    std::string* body = nullptr;
    std::size_t limit = 0;
    bool overflow = false;
};

// curl silently sends a request again on a fresh connection when a reused one closes before
// any answer byte. The PBX may have acted on the first one (an add would then be doubled), and
// nothing is to be retried: the second attempt is stopped and reported as the lost connection.
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

bool IsWebAddress(std::string_view url) {
    auto startsWith = [url](std::string_view scheme) {
        if (url.size() < scheme.size()) return false;
        for (std::size_t i = 0; i < scheme.size(); ++i) {
            if (std::tolower(static_cast<unsigned char>(url[i])) != scheme[i]) return false;
        }
        return true;
    };
    return startsWith("http://") || startsWith("https://");
}

bool GlobalInit() {
    static std::once_flag once;
    static CURLcode code = CURLE_OK;
    std::call_once(once, [] { code = curl_global_init(CURL_GLOBAL_DEFAULT); });
    return code == CURLE_OK;
}

// curl's own words are precise ("Failed to connect to 127.0.0.1 port 9: Connection refused");
// the prefix tells the user which kind of failure it was.
std::string DescribeFailure(CURLcode code, const char* errbuf, const HttpPost& post,
                            const BodySink& sink, const AttemptCounter& attempts) {
    if (code == CURLE_ABORTED_BY_CALLBACK && attempts.attempts > 1) {
        return fmt::format(
            "Connection to {} closed without a complete answer (no answer "
            "received; the request is not sent again)",
            post.url);
    }
    const std::string detail = (errbuf != nullptr && errbuf[0] != '\0')
                                   ? std::string(errbuf)
                                   : std::string(curl_easy_strerror(code));
    switch (code) {
        case CURLE_OPERATION_TIMEDOUT:
            return fmt::format("Timeout: no answer from {} within {} ms ({})", post.url,
                               post.timeoutMs, detail);
        case CURLE_COULDNT_CONNECT:
            return fmt::format("Could not connect to {}: {}", post.url, detail);
        case CURLE_COULDNT_RESOLVE_HOST:
            return fmt::format("Could not resolve the host of {}: {}", post.url, detail);
        case CURLE_URL_MALFORMAT:
            return fmt::format("Invalid address {}: {}", post.url, detail);
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_WEIRD_SERVER_REPLY:
            return fmt::format("Answer from {} is not HTTP: {}", post.url, detail);
        case CURLE_FILESIZE_EXCEEDED:
            return fmt::format("Answer from {} is larger than {} bytes", post.url, sink.limit);
        case CURLE_WRITE_ERROR:
            if (sink.overflow) {
                return fmt::format("Answer from {} is larger than {} bytes", post.url, sink.limit);
            }
            break;
        case CURLE_GOT_NOTHING:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_PARTIAL_FILE:
            return fmt::format("Connection to {} closed without a complete answer ({})", post.url,
                               detail);
        default:
            break;
    }
    return fmt::format("HTTP request to {} failed: {}", post.url, detail);
}

}  // namespace

CurlHttpClient::CurlHttpClient(std::size_t maxBodyBytes) : m_maxBodyBytes(maxBodyBytes) {
    if (GlobalInit()) m_curl = curl_easy_init();
    CURL* curl = static_cast<CURL*>(m_curl);
    if (curl == nullptr) return;
    // What every request of this client shares is set once; each call sets only its own.
    CURLcode code = CURLE_OK;
    auto set = [&](CURLoption option, auto value) {
        if (code == CURLE_OK) code = curl_easy_setopt(curl, option, value);
    };
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_NOSIGNAL, 1L);
    // The PBX is on the LAN; a proxy from the environment must never see loopback traffic.
    set(CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
    set(CURLOPT_POST, 1L);
    set(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(m_maxBodyBytes));
    // A LAN PBX presents a self-signed certificate for its own address: accepted as it is.
    set(CURLOPT_SSL_VERIFYPEER, 0L);
    set(CURLOPT_SSL_VERIFYHOST, 0L);
    set(CURLOPT_WRITEFUNCTION, &WriteBody);
    set(CURLOPT_PREREQFUNCTION, &CountAttempt);
    m_setupCode = code;
}

CurlHttpClient::~CurlHttpClient() {
    if (m_curl != nullptr) curl_easy_cleanup(static_cast<CURL*>(m_curl));
    curl_slist_free_all(static_cast<curl_slist*>(m_headers));
}

bool CurlHttpClient::UseHeaders(const std::string& soapAction) {
    if (m_headers != nullptr && soapAction == m_headerAction) return true;
    const std::string actionHeader = "SOAPAction: \"" + soapAction + "\"";
    curl_slist* headers = nullptr;
    for (const char* h : {"Content-Type: text/xml; charset=\"utf-8\"", actionHeader.c_str(),
                          // An Expect: 100-continue round trip per call would halve the rate.
                          "Expect:"}) {
        curl_slist* next = curl_slist_append(headers, h);
        if (next == nullptr) {
            curl_slist_free_all(headers);
            return false;
        }
        headers = next;
    }
    // The handle points at the new list before the old one is freed.
    CURL* curl = static_cast<CURL*>(m_curl);
    if (curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers) != CURLE_OK) {
        curl_slist_free_all(headers);
        return false;
    }
    curl_slist_free_all(static_cast<curl_slist*>(m_headers));
    m_headers = headers;
    m_headerAction = soapAction;
    return true;
}

HttpReply CurlHttpClient::Send(const HttpPost& post) {
    HttpReply reply;
    CURL* curl = static_cast<CURL*>(m_curl);
    if (curl == nullptr) {
        reply.curlCode = CURLE_FAILED_INIT;
        reply.error = "HTTP client could not be initialised";
        return reply;
    }
    if (post.timeoutMs <= 0) {
        // curl reads 0 as "wait forever"; every call here must have a bound.
        reply.curlCode = CURLE_BAD_FUNCTION_ARGUMENT;
        reply.error = fmt::format("Invalid timeout of {} ms", post.timeoutMs);
        return reply;
    }

    if (!IsWebAddress(post.url)) {
        reply.curlCode = CURLE_UNSUPPORTED_PROTOCOL;
        reply.error =
            fmt::format("Invalid address {}: only http:// and https:// are served", post.url);
        return reply;
    }

    char errbuf[CURL_ERROR_SIZE] = {};
    BodySink sink{&reply.body, m_maxBodyBytes, false};
    AttemptCounter attempts;

    if (!UseHeaders(post.soapAction)) {
        reply.curlCode = CURLE_OUT_OF_MEMORY;
        reply.error = "Out of memory building the HTTP request";
        return reply;
    }

    // The handle keeps its connection cache between calls; only the per-call options change.
    CURLcode code = static_cast<CURLcode>(m_setupCode);
    auto set = [&](CURLoption option, auto value) {
        if (code == CURLE_OK) code = curl_easy_setopt(curl, option, value);
    };
    set(CURLOPT_ERRORBUFFER, errbuf);
    set(CURLOPT_URL, post.url.c_str());
    set(CURLOPT_POSTFIELDS, post.body.data());
    set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(post.body.size()));
    set(CURLOPT_CONNECTTIMEOUT_MS, post.timeoutMs);
    set(CURLOPT_TIMEOUT_MS, post.timeoutMs);
    set(CURLOPT_WRITEDATA, &sink);
    set(CURLOPT_PREREQDATA, &attempts);
    if (code == CURLE_OK) code = curl_easy_perform(curl);

    long connects = 0;
    if (curl_easy_getinfo(curl, CURLINFO_NUM_CONNECTS, &connects) == CURLE_OK) {
        m_connections += connects;
    }
    if (code == CURLE_OK) {
        if (curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status) != CURLE_OK) {
            reply.status = 0;
        }
    } else {
        reply.curlCode = code;
        reply.timedOut = code == CURLE_OPERATION_TIMEDOUT;
        reply.error = DescribeFailure(code, errbuf, post, sink, attempts);
        reply.body.clear();
    }

    // The handle must not keep pointers into this call's buffers. Clearing a pointer option
    // cannot fail, and the next call sets every one of them again before it performs.
    static_cast<void>(curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, static_cast<char*>(nullptr)));
    static_cast<void>(curl_easy_setopt(curl, CURLOPT_POSTFIELDS, static_cast<char*>(nullptr)));
    static_cast<void>(curl_easy_setopt(curl, CURLOPT_WRITEDATA, static_cast<void*>(nullptr)));
    static_cast<void>(curl_easy_setopt(curl, CURLOPT_PREREQDATA, static_cast<void*>(nullptr)));
    return reply;
}

}  // namespace korvi
