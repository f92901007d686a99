// One HTTP request and its answer, as every web client of ours speaks them (the cloud contact
// store, the address book server). Plain values: no library types, so users need no curl.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvi::net {

struct HttpHeader {
    std::string name;
    std::string value;
};

struct BasicAuth {
    std::string user;
    std::string password;  // never logged
};

struct HttpRequest {
    // Any method token: GET, POST, PUT, DELETE, PROPFIND, REPORT, ...
    std::string method = "GET";
    std::string url;
    // Sent in this order. A header given here replaces curl's own of that name (Content-Type,
    // Accept, User-Agent); an empty value is sent as an empty header. No CR or LF anywhere.
    std::vector<HttpHeader> headers;
    // Sent for every method but GET and HEAD (an empty body as Content-Length: 0).
    std::string body;
    std::optional<BasicAuth> basicAuth;
    // Bound of the whole exchange; must be positive.
    long timeoutMs = 30'000;
    // Bound of the connection set-up alone; 0: the whole exchange's bound.
    long connectTimeoutMs = 0;
};

struct HttpResponse {
    // 0 when the exchange completed, whatever the status; then status, headers and body hold
    // the answer. Otherwise a libcurl code and `error` says what went wrong.
    int curlCode = 0;
    long status = 0;
    // The final answer's headers in the order received (not those of a 100 Continue).
    std::vector<HttpHeader> headers;
    std::string body;
    // Names the host and path, never the query, user or password of the address.
    std::string error;

    bool Completed() const { return curlCode == 0; }
    // The first header of that name (compared without letter case); nullopt when absent.
    std::optional<std::string> Header(std::string_view name) const;
};

}  // namespace korvi::net
