// Requests and responses with the values that break careless message code: markup characters,
// non-ASCII text, blanks-only and empty strings, the int32 limits, no and several numbers.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <variant>

#include "pbx/soap/SoapServerEnvelope.h"
#include "pbx/soap/SoapTypes.h"

namespace korvi::test {

inline soap::TContactStruct SampleContact() {
    soap::TContactStruct c;
    c.contactId = 65535;
    c.contactType = 65533;
    c.displayName = "Smith & <Sons> \"Ltd\" O'Brien";
    c.lastName =
        "Gr\xC3\xBC\xC3\x9F"
        "e \xE2\x82\xAC";  // "Grüße €"
    c.firstName = "";
    c.contactNumbers.push_back({1, "+49 (89) 123-456", 2, 1, 0, 1});
    c.contactNumbers.push_back(
        {std::numeric_limits<int32_t>::max(), " ", 16, std::numeric_limits<int32_t>::min(), -1, 0});
    return c;
}

inline soap::TUserDetailsStruct SampleUser() {
    return soap::MakeUserDetails("j\xC3\xB6rg & co", "12<34>");
}

// One request of each operation.
inline std::vector<soap::AnyRequest> SampleRequests() {
    std::vector<soap::AnyRequest> out;
    soap::Request_SYS_CheckService check;
    check.userDetails = SampleUser();
    check.getBrowserChallenge = 1;
    out.emplace_back(check);

    soap::Request_SPG_GetExtnInfo extn;
    extn.userDetails = soap::TUserDetailsStruct{"user", "", std::nullopt, std::nullopt};
    out.emplace_back(extn);

    soap::Request_SPG_GetContactIdList ids;
    ids.userDetails = SampleUser();
    ids.contactType = 65533;
    out.emplace_back(ids);

    soap::Request_SPG_GetContact get;
    get.userDetails = SampleUser();
    get.contactId = std::numeric_limits<int32_t>::min();
    out.emplace_back(get);

    soap::Request_SPG_DeleteContact del;
    del.userDetails = SampleUser();
    del.deleteType = soap::kDeleteByContactId;
    del.deleteParam = 1000;
    out.emplace_back(del);

    soap::Request_SPG_AddOrUpdateContact add;
    add.userDetails = SampleUser();
    add.contact = SampleContact();
    out.emplace_back(add);

    soap::Request_SPG_AddOrUpdateContact bare;
    bare.userDetails = SampleUser();
    bare.contact.contactId = 1001;
    bare.contact.contactType = 7;
    bare.contact.displayName = "No numbers";
    out.emplace_back(bare);
    return out;
}

inline std::string RequestEnvelope(const soap::AnyRequest& request) {
    return std::visit([](const auto& r) { return soap::BuildRequestEnvelope(r); }, request);
}

inline soap::Response_SYS_CheckService SampleCheckServiceResponse() {
    soap::Response_SYS_CheckService r;
    r.sysInfo = soap::TSysInfoStruct{"FC-Sim & <1>", 3, "12.4.0", 2, 8080};
    r.cIdx = 17;
    r.browserChallenge = "a1b2c3";
    r.returnData = {"OK", 0};
    return r;
}

inline soap::Response_SPG_GetContact SampleGetContactResponse() {
    soap::Response_SPG_GetContact r;
    r.contact = SampleContact();
    r.contact->contactId = 1000;
    r.returnData = {"", 0};
    return r;
}

}  // namespace korvi::test
