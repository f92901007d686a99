#include "pbx/ServiceProxy.h"

#include <fmt/format.h>

namespace korvi {

bool ServiceProxy::Post(const soap::OperationInfo& info, std::string envelope, HttpReply& reply,
                        std::string& error) {
    HttpPost post;
    post.url = m_settings.address;
    post.soapAction = std::string(info.soapAction);
    post.body = std::move(envelope);
    post.timeoutMs = m_settings.timeoutMs;
    reply = m_client.Send(post);
    m_answered = reply.curlCode == 0;
    m_timedOut = reply.timedOut;
    if (reply.curlCode != 0) {
        error =
            reply.error.empty() ? fmt::format("{} to {} failed", info.name, post.url) : reply.error;
        return false;
    }
    return true;
}

bool ServiceProxy::Interpret(const soap::OperationInfo& info, const HttpReply& reply,
                             const soap::SoapResult& parsed, std::string& error) const {
    // A SOAP 1.1 server answers a fault with status 500; some answer it with 200. Either way
    // the fault's own words are the most useful message.
    if (parsed.kind == soap::SoapResult::Fault && (reply.status == 200 || reply.status == 500)) {
        error = fmt::format("SOAP Fault from {} ({}): {}", m_settings.address, info.name,
                            parsed.message);
        return false;
    }
    if (reply.status != 200) {
        error =
            fmt::format("HTTP error {} from {} ({})", reply.status, m_settings.address, info.name);
        return false;
    }
    if (!parsed.ok()) {
        error = fmt::format("Invalid answer from {} to {}: {}", m_settings.address, info.name,
                            parsed.message);
        return false;
    }
    return true;
}

}  // namespace korvi
