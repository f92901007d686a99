// The seam between our web clients and the network: one request in, one answer out. The real
// implementation is CurlTransport; tests use it against our emulators on loopback and replace
// it only for what no server can produce.
#pragma once

#include "net/HttpMessage.h"

namespace korvi::net {

class HttpTransport {
public:
    virtual ~HttpTransport() = default;
    // Never throws; a failure is an answer with a non-zero curlCode and its error text.
    [[nodiscard]] virtual HttpResponse Send(const HttpRequest& request) = 0;
    // New TCP connections this transport has opened so far.
    virtual long ConnectionsOpened() const { return 0; }
};

}  // namespace korvi::net
