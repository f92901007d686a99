// A proxy for the PBX's two port types at one address: it turns a request struct into one HTTP
// POST and the answer into a response struct, or into a message that says what went wrong
// (transport failure, HTTP status, SOAP Fault, unreadable answer). Nothing of a request or an
// answer is ever logged: both carry the PIN.
#pragma once

#include <string>
#include <string_view>

#include "pbx/HttpClient.h"
#include "pbx/ProxySettings.h"
#include "pbx/soap/SoapEnvelope.h"
#include "pbx/soap/SoapTypes.h"

namespace korvi {

class ServiceProxy {
public:
    ServiceProxy(HttpClient& client, ProxySettings settings)
        : m_client(client), m_settings(std::move(settings)) {}

    const ProxySettings& settings() const { return m_settings; }
    // Whether the last call got an HTTP answer of any kind, and whether it failed because no
    // connection or no answer came within the timeout.
    bool answered() const { return m_answered; }
    bool timedOut() const { return m_timedOut; }

    // True with response filled; false with error set (response then holds nothing useful).
    template <class Request>
    [[nodiscard]] bool Call(const Request& request, typename Request::Response& response,
                            std::string& error) {
        const soap::OperationInfo& info = soap::GetOperationInfo(Request::kOperation);
        HttpReply reply;
        if (!Post(info, soap::BuildRequestEnvelope(request), reply, error)) return false;
        return Interpret(info, reply, soap::ParseResponseEnvelope(reply.body, response), error);
    }

private:
    [[nodiscard]] bool Post(const soap::OperationInfo& info, std::string envelope, HttpReply& reply,
                            std::string& error);
    [[nodiscard]] bool Interpret(const soap::OperationInfo& info, const HttpReply& reply,
                                 const soap::SoapResult& parsed, std::string& error) const;

    HttpClient& m_client;
    ProxySettings m_settings;
    bool m_answered = false;
    bool m_timedOut = false;
};

}  // namespace korvi
