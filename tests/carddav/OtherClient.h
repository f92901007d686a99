// Another CardDAV client on the same address book: plain HTTP requests made by the test.
#pragma once

#include <string>

#include "carddav/SharedRadicale.h"
#include "net/CurlTransport.h"

namespace korvi::test {

class OtherClient {
public:
    explicit OtherClient(std::string caFile = {}) : m_transport(Options(std::move(caFile))) {}

    net::HttpResponse Send(const std::string& method, const std::string& url,
                           const std::string& body = {}, const std::string& ifMatch = {}) {
        net::HttpRequest r;
        r.method = method;
        r.url = url;
        r.body = body;
        r.basicAuth = net::BasicAuth{RadicaleServer::kUser, RadicaleServer::kPassword};
        if (method == "PUT") r.headers.push_back({"Content-Type", "text/vcard; charset=utf-8"});
        if (!ifMatch.empty()) r.headers.push_back({"If-Match", ifMatch});
        return m_transport.Send(r);
    }
    std::string Get(const std::string& url) { return Send("GET", url).body; }
    long Put(const std::string& url, const std::string& card) {
        return Send("PUT", url, card).status;
    }

private:
    static net::CurlTransportOptions Options(std::string caFile) {
        net::CurlTransportOptions o;
        o.caFile = std::move(caFile);
        return o;
    }

    net::CurlTransport m_transport;
};

}  // namespace korvi::test
