// HttpTransport on one libcurl easy handle. The handle lives as long as the transport, so the
// requests of one operation reuse one kept-alive connection. Not for use by two threads at once.
#pragma once

#include <cstddef>
#include <string>

#include "net/HttpTransport.h"

namespace korvi::net {

struct CurlTransportOptions {
    // PEM file of the certificate authorities to trust; empty: the system's store.
    std::string caFile;
    // Empty: curl sends none.
    std::string userAgent;
    // An answer body above this size is refused, so a runaway answer cannot exhaust memory.
    std::size_t maxBodyBytes = 64u * 1024u * 1024u;
};

class CurlTransport final : public HttpTransport {
public:
    explicit CurlTransport(CurlTransportOptions options = {});
    ~CurlTransport() override;
    CurlTransport(const CurlTransport&) = delete;
    CurlTransport& operator=(const CurlTransport&) = delete;

    // HTTPS always verifies the certificate chain and the host name, with TLS 1.2 or newer.
    [[nodiscard]] HttpResponse Send(const HttpRequest& request) override;
    long ConnectionsOpened() const override { return m_connections; }

    const CurlTransportOptions& options() const { return m_options; }
    void SetOptions(CurlTransportOptions options) { m_options = std::move(options); }

private:
    void* m_curl = nullptr;  // CURL*; kept opaque so that users need no curl headers
    CurlTransportOptions m_options;
    long m_connections = 0;
};

}  // namespace korvi::net
