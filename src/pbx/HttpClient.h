// The one seam between the PBX client and the network: a single HTTP POST of a SOAP envelope.
// The real implementation is CurlHttpClient; tests use it against our simulator and replace it
// only for what no server can produce.
#pragma once

#include <string>

namespace korvi {

struct HttpPost {
    std::string url;
    std::string soapAction;  // sent in double quotes, as SOAP 1.1 asks
    std::string body;        // holds the PIN: never logged
    long timeoutMs = 0;
};

struct HttpReply {
    int curlCode = 0;  // 0 when the exchange completed (whatever the HTTP status)
    long status = 0;   // HTTP status of a completed exchange
    std::string body;
    std::string error;      // what went wrong when curlCode is not 0, naming the address
    bool timedOut = false;  // no connection or no answer within the timeout
};

class HttpClient {
public:
    virtual ~HttpClient() = default;
    [[nodiscard]] virtual HttpReply Send(const HttpPost& post) = 0;
    // New TCP connections this client has opened so far.
    virtual long ConnectionsOpened() const { return 0; }
};

}  // namespace korvi
