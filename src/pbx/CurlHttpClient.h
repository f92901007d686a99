// HttpClient on one libcurl easy handle. The handle lives as long as the client, so every
// call of one operation (5,000 GetContact calls of a load) reuses one kept-alive connection.
#pragma once

#include <cstddef>
#include <string>

#include "pbx/HttpClient.h"

namespace korvi {

class CurlHttpClient final : public HttpClient {
public:
    // A body above this size is refused, so a runaway answer cannot exhaust memory.
    static constexpr std::size_t kDefaultMaxBodyBytes = 16u * 1024u * 1024u;

    explicit CurlHttpClient(std::size_t maxBodyBytes = kDefaultMaxBodyBytes);
    ~CurlHttpClient() override;
    CurlHttpClient(const CurlHttpClient&) = delete;
    CurlHttpClient& operator=(const CurlHttpClient&) = delete;

    [[nodiscard]] HttpReply Send(const HttpPost& post) override;
    long ConnectionsOpened() const override { return m_connections; }

private:
    // The request headers for a SOAP action, built once and kept while the action repeats.
    [[nodiscard]] bool UseHeaders(const std::string& soapAction);

    void* m_curl = nullptr;     // CURL*; kept opaque so that users need no curl headers
    void* m_headers = nullptr;  // curl_slist* of m_headerAction's request headers
    std::string m_headerAction;
    int m_setupCode = 0;  // CURLcode of setting the options every request shares
    std::size_t m_maxBodyBytes;
    long m_connections = 0;
};

}  // namespace korvi
