// Whatever the bytes, the reader ends with Ok, Fault or Error, and a failure says what it was;
// a Fault never reads as an answer.
#include <cstddef>
#include <string>
#include <string_view>

#include "ReaderChecks.h"
#include "pbx/soap/SoapEnvelope.h"

namespace korvi::fuzz {

namespace {

using namespace korvi::soap;

template <typename Response>
std::string ReadAnswer(std::string_view xml) {
    Response response;
    const SoapResult r = ParseResponseEnvelope(xml, response);
    if (r.kind != SoapResult::Ok && r.message.empty()) return "a failure without a message";
    if (r.kind == SoapResult::Fault && !(response == Response{}))
        return "a Fault filled the answer: " + r.message;
    return {};
}

}  // namespace

std::string CheckSoapAnswer(std::string_view input) {
    if (input.empty()) return {};
    const std::string_view xml = input.substr(1);
    switch (static_cast<unsigned char>(input[0]) % 6) {
        case 0:
            return ReadAnswer<Response_SYS_CheckService>(xml);
        case 1:
            return ReadAnswer<Response_SPG_GetExtnInfo>(xml);
        case 2:
            return ReadAnswer<Response_SPG_GetContactIdList>(xml);
        case 3:
            return ReadAnswer<Response_SPG_GetContact>(xml);
        case 4:
            return ReadAnswer<Response_SPG_DeleteContact>(xml);
        default:
            return ReadAnswer<Response_SPG_AddOrUpdateContact>(xml);
    }
}

}  // namespace korvi::fuzz
