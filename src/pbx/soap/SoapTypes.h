// The PBX's SOAP messages as plain structs: the six operations of the system and phonebook port
// types, their request and response types and the struct types they carry. Field order is the
// order of the XML sequences; std::optional marks an element that is written only when set and
// that a response may leave out; std::vector is an element repeated once per item.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvi::soap {

// Every element of the service, below the SOAP Body, lives in this namespace.
inline constexpr char kNamespace[] = "urn:v1.IPPBX.services.qvx";
// SOAP 1.1.
inline constexpr char kEnvelopeNamespace[] = "http://schemas.xmlsoap.org/soap/envelope/";

inline constexpr char kServiceName[] = "IPPBX-SOAP-Service";
inline constexpr char kSysPortName[] = "IPPBX-SYS-Services";
inline constexpr char kSpgPortName[] = "IPPBX-SPG-Services";

inline constexpr char kDeleteByType[] = "BY_TYPE";
inline constexpr char kDeleteByContactId[] = "BY_CONTACT_ID";

// The fixed client identification every request carries.
inline constexpr int32_t kClientDistr = 0;
inline constexpr char kClientVer[] = "1.1.17";

enum class Operation {
    kSysCheckService,
    kSpgGetExtnInfo,
    kSpgGetContactIdList,
    kSpgGetContact,
    kSpgDeleteContact,
    kSpgAddOrUpdateContact,
};

struct OperationInfo {
    Operation operation;
    std::string_view name;             // "SPG-GetContact"
    std::string_view soapAction;       // the SOAPAction header value, without quotes
    std::string_view port;             // kSysPortName or kSpgPortName
    std::string_view requestElement;   // "RequestData-SPG-GetContact"
    std::string_view responseElement;  // "ResponseData-SPG-GetContact"
    std::string_view requestType;      // "Request-SPG-GetContact"
    std::string_view responseType;     // "Response-SPG-GetContact"
    std::string_view requestPart;      // "SPG-GetContactRequestMessagePart"
    std::string_view responsePart;     // "SPG-GetContactResponseMessagePart"
};

const OperationInfo& GetOperationInfo(Operation operation);
// All six, in the order of the port types' methods.
std::span<const OperationInfo> AllOperations();
// Null when no operation has this request body element (local name) or SOAP action.
const OperationInfo* FindOperationByRequestElement(std::string_view localName);
const OperationInfo* FindOperationBySoapAction(std::string_view soapAction);

struct TUserDetailsStruct {
    std::string userID;
    std::string userPin;
    std::optional<int32_t> clientDistr;
    std::optional<std::string> clientVer;
    bool operator==(const TUserDetailsStruct&) const = default;
};

struct TSysInfoStruct {
    std::string platform;
    int32_t platformSubtype = 0;
    std::string swVersion;
    int32_t distr = 0;
    int32_t browserPort = 0;
    bool operator==(const TSysInfoStruct&) const = default;
};

struct TReturnStruct {
    std::string errDesc;
    int32_t errCode = 0;
    bool operator==(const TReturnStruct&) const = default;
};

struct TExtnInfoStruct {
    int32_t devID = 0;
    std::string extnName;
    std::string extnNumber;
    bool operator==(const TExtnInfoStruct&) const = default;
};

struct TContactNumberStruct {
    int32_t ref = 0;
    std::string number;
    int32_t numberType = 0;
    int32_t barring = 0;
    int32_t lineAccess = 0;
    int32_t cli = 0;
    bool operator==(const TContactNumberStruct&) const = default;
};

struct TContactStruct {
    int32_t contactId = 0;
    int32_t contactType = 0;
    std::string displayName;
    std::optional<std::string> lastName;
    std::optional<std::string> firstName;
    std::vector<TContactNumberStruct> contactNumbers;
    bool operator==(const TContactStruct&) const = default;
};

struct Response_SYS_CheckService {
    static constexpr Operation kOperation = Operation::kSysCheckService;
    std::optional<TSysInfoStruct> sysInfo;
    int32_t cIdx = 0;
    std::optional<std::string> browserChallenge;
    TReturnStruct returnData;
    bool operator==(const Response_SYS_CheckService&) const = default;
};

struct Response_SPG_GetExtnInfo {
    static constexpr Operation kOperation = Operation::kSpgGetExtnInfo;
    std::vector<TExtnInfoStruct> extnInfo;
    TReturnStruct returnData;
    bool operator==(const Response_SPG_GetExtnInfo&) const = default;
};

struct Response_SPG_GetContactIdList {
    static constexpr Operation kOperation = Operation::kSpgGetContactIdList;
    std::vector<int32_t> contactIdList;
    TReturnStruct returnData;
    bool operator==(const Response_SPG_GetContactIdList&) const = default;
};

struct Response_SPG_GetContact {
    static constexpr Operation kOperation = Operation::kSpgGetContact;
    std::optional<TContactStruct> contact;
    TReturnStruct returnData;
    bool operator==(const Response_SPG_GetContact&) const = default;
};

struct Response_SPG_DeleteContact {
    static constexpr Operation kOperation = Operation::kSpgDeleteContact;
    TReturnStruct returnData;
    bool operator==(const Response_SPG_DeleteContact&) const = default;
};

struct Response_SPG_AddOrUpdateContact {
    static constexpr Operation kOperation = Operation::kSpgAddOrUpdateContact;
    int32_t contactId = 0;
    TReturnStruct returnData;
    bool operator==(const Response_SPG_AddOrUpdateContact&) const = default;
};

// Each request names its response type, so a transport can offer one generic call:
//   template <class Req> SoapResult Call(const Req& req, typename Req::Response& resp);
struct Request_SYS_CheckService {
    static constexpr Operation kOperation = Operation::kSysCheckService;
    using Response = Response_SYS_CheckService;
    TUserDetailsStruct userDetails;
    int32_t getBrowserChallenge = 0;  // 1 asks for a portal challenge
    bool operator==(const Request_SYS_CheckService&) const = default;
};

struct Request_SPG_GetExtnInfo {
    static constexpr Operation kOperation = Operation::kSpgGetExtnInfo;
    using Response = Response_SPG_GetExtnInfo;
    TUserDetailsStruct userDetails;
    bool operator==(const Request_SPG_GetExtnInfo&) const = default;
};

struct Request_SPG_GetContactIdList {
    static constexpr Operation kOperation = Operation::kSpgGetContactIdList;
    using Response = Response_SPG_GetContactIdList;
    TUserDetailsStruct userDetails;
    int32_t contactType = 0;
    bool operator==(const Request_SPG_GetContactIdList&) const = default;
};

struct Request_SPG_GetContact {
    static constexpr Operation kOperation = Operation::kSpgGetContact;
    using Response = Response_SPG_GetContact;
    TUserDetailsStruct userDetails;
    int32_t contactId = 0;
    bool operator==(const Request_SPG_GetContact&) const = default;
};

struct Request_SPG_DeleteContact {
    static constexpr Operation kOperation = Operation::kSpgDeleteContact;
    using Response = Response_SPG_DeleteContact;
    TUserDetailsStruct userDetails;
    std::string deleteType;   // kDeleteByType or kDeleteByContactId
    int32_t deleteParam = 0;  // the contact type for BY_TYPE, the contact id for BY_CONTACT_ID
    bool operator==(const Request_SPG_DeleteContact&) const = default;
};

struct Request_SPG_AddOrUpdateContact {
    static constexpr Operation kOperation = Operation::kSpgAddOrUpdateContact;
    using Response = Response_SPG_AddOrUpdateContact;
    TUserDetailsStruct userDetails;
    TContactStruct contact;  // contactId 65535 adds, any other id updates
    bool operator==(const Request_SPG_AddOrUpdateContact&) const = default;
};

// The element types of the body carry no fields of their own.
using RequestData_SYS_CheckService = Request_SYS_CheckService;
using RequestData_SPG_GetExtnInfo = Request_SPG_GetExtnInfo;
using RequestData_SPG_GetContactIdList = Request_SPG_GetContactIdList;
using RequestData_SPG_GetContact = Request_SPG_GetContact;
using RequestData_SPG_DeleteContact = Request_SPG_DeleteContact;
using RequestData_SPG_AddOrUpdateContact = Request_SPG_AddOrUpdateContact;
using ResponseData_SYS_CheckService = Response_SYS_CheckService;
using ResponseData_SPG_GetExtnInfo = Response_SPG_GetExtnInfo;
using ResponseData_SPG_GetContactIdList = Response_SPG_GetContactIdList;
using ResponseData_SPG_GetContact = Response_SPG_GetContact;
using ResponseData_SPG_DeleteContact = Response_SPG_DeleteContact;
using ResponseData_SPG_AddOrUpdateContact = Response_SPG_AddOrUpdateContact;

// The values every request of this client carries in userDetails.
TUserDetailsStruct MakeUserDetails(std::string userID, std::string userPin);

}  // namespace korvi::soap
