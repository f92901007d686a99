// The PBX side of the messages, for the simulator: requests are read as strictly as a
// schema-validating SOAP stack would read them, responses and faults are built.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "pbx/soap/SoapEnvelope.h"
#include "pbx/soap/SoapTypes.h"

namespace korvi::soap {

using AnyRequest =
    std::variant<Request_SYS_CheckService, Request_SPG_GetExtnInfo, Request_SPG_GetContactIdList,
                 Request_SPG_GetContact, Request_SPG_DeleteContact, Request_SPG_AddOrUpdateContact>;

Operation OperationOf(const AnyRequest& request);

// faultcode values, prefixed as the fault envelope declares them.
inline constexpr char kFaultClient[] = "soap:Client";
inline constexpr char kFaultServer[] = "soap:Server";
inline constexpr char kFaultVersionMismatch[] = "soap:VersionMismatch";

// Ok with the request filled, or Fault with faultcode and a faultstring that says what is wrong
// and where: not XML, not UTF-8, not a SOAP 1.1 envelope, a Header entry that must be
// understood, a body element that is not exactly one known RequestData element of the service
// namespace, an unqualified, wrongly qualified, unknown, missing, repeated or misplaced
// element, an attribute other than a namespace declaration, text where only elements belong,
// or an integer that is not a 32-bit decimal.
[[nodiscard]] SoapResult ParseRequestEnvelope(std::string_view xml, AnyRequest& request);

std::string BuildResponseEnvelope(const Response_SYS_CheckService& response);
std::string BuildResponseEnvelope(const Response_SPG_GetExtnInfo& response);
std::string BuildResponseEnvelope(const Response_SPG_GetContactIdList& response);
std::string BuildResponseEnvelope(const Response_SPG_GetContact& response);
std::string BuildResponseEnvelope(const Response_SPG_DeleteContact& response);
std::string BuildResponseEnvelope(const Response_SPG_AddOrUpdateContact& response);

std::string BuildFaultEnvelope(std::string_view faultcode, std::string_view faultstring);

}  // namespace korvi::soap
