// The client side of the PBX messages: a request struct becomes a SOAP 1.1 envelope (UTF-8 with
// declaration, no header, one namespace-qualified body element, children in sequence order),
// and a response envelope becomes a response struct.
#pragma once

#include <string>
#include <string_view>

#include "pbx/soap/SoapTypes.h"

namespace korvi::soap {

struct SoapResult {
    enum Kind { Ok, Fault, Error };
    Kind kind = Ok;
    // Fault only: the texts of the SOAP Fault's faultcode and faultstring.
    std::string faultcode;
    std::string faultstring;
    // Fault and Error: one line for the user. A Fault's message is its faultstring (or
    // "SOAP Fault <faultcode>" when the string is empty); an Error's says what was wrong and
    // where ("Invalid integer 'x1' in element 'contactId'"). Never holds the PIN.
    std::string message;

    bool ok() const { return kind == Ok; }
};

// Strings are sent as they are, with two exceptions a XML 1.0 document cannot carry: bytes
// that are not UTF-8 become U+FFFD and control characters other than tab, LF and CR are
// dropped, so the envelope is always well-formed.
std::string BuildRequestEnvelope(const Request_SYS_CheckService& request);
std::string BuildRequestEnvelope(const Request_SPG_GetExtnInfo& request);
std::string BuildRequestEnvelope(const Request_SPG_GetContactIdList& request);
std::string BuildRequestEnvelope(const Request_SPG_GetContact& request);
std::string BuildRequestEnvelope(const Request_SPG_DeleteContact& request);
std::string BuildRequestEnvelope(const Request_SPG_AddOrUpdateContact& request);

// Resets response to its defaults, then fills it. Elements are matched by local name, in any
// prefix; unknown elements are skipped; absent ones leave the defaults. A SOAP Fault in the
// body is Fault (the response stays at its defaults, so it never reads as errCode 0 success
// to a caller that checks the kind). Malformed or truncated XML, text that is not UTF-8, no
// Envelope/Body, a body element of another operation and a bad integer are Error.
[[nodiscard]] SoapResult ParseResponseEnvelope(std::string_view xml,
                                               Response_SYS_CheckService& response);
[[nodiscard]] SoapResult ParseResponseEnvelope(std::string_view xml,
                                               Response_SPG_GetExtnInfo& response);
[[nodiscard]] SoapResult ParseResponseEnvelope(std::string_view xml,
                                               Response_SPG_GetContactIdList& response);
[[nodiscard]] SoapResult ParseResponseEnvelope(std::string_view xml,
                                               Response_SPG_GetContact& response);
[[nodiscard]] SoapResult ParseResponseEnvelope(std::string_view xml,
                                               Response_SPG_DeleteContact& response);
[[nodiscard]] SoapResult ParseResponseEnvelope(std::string_view xml,
                                               Response_SPG_AddOrUpdateContact& response);

}  // namespace korvi::soap
