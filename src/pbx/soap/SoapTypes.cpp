#include "pbx/soap/SoapTypes.h"

#include <array>

namespace korvi::soap {

namespace {

#define KORVI_SOAP_OPERATION(op, port, name)                                              \
    OperationInfo {                                                                       \
        op, name, name, port, "RequestData-" name, "ResponseData-" name, "Request-" name, \
            "Response-" name, name "RequestMessagePart", name "ResponseMessagePart"       \
    }

const std::array<OperationInfo, 6> kOperations = {
    KORVI_SOAP_OPERATION(Operation::kSysCheckService, kSysPortName, "SYS-CheckService"),
    KORVI_SOAP_OPERATION(Operation::kSpgGetExtnInfo, kSpgPortName, "SPG-GetExtnInfo"),
    KORVI_SOAP_OPERATION(Operation::kSpgGetContactIdList, kSpgPortName, "SPG-GetContactIdList"),
    KORVI_SOAP_OPERATION(Operation::kSpgGetContact, kSpgPortName, "SPG-GetContact"),
    KORVI_SOAP_OPERATION(Operation::kSpgDeleteContact, kSpgPortName, "SPG-DeleteContact"),
    KORVI_SOAP_OPERATION(Operation::kSpgAddOrUpdateContact, kSpgPortName, "SPG-AddOrUpdateContact"),
};

#undef KORVI_SOAP_OPERATION

}  // namespace

const OperationInfo& GetOperationInfo(Operation operation) {
    return kOperations[static_cast<std::size_t>(operation)];
}

std::span<const OperationInfo> AllOperations() { return kOperations; }

const OperationInfo* FindOperationByRequestElement(std::string_view localName) {
    for (const OperationInfo& info : kOperations) {
        if (info.requestElement == localName) return &info;
    }
    return nullptr;
}

const OperationInfo* FindOperationBySoapAction(std::string_view soapAction) {
    for (const OperationInfo& info : kOperations) {
        if (info.soapAction == soapAction) return &info;
    }
    return nullptr;
}

TUserDetailsStruct MakeUserDetails(std::string userID, std::string userPin) {
    TUserDetailsStruct details;
    details.userID = std::move(userID);
    details.userPin = std::move(userPin);
    details.clientDistr = kClientDistr;
    details.clientVer = kClientVer;
    return details;
}

}  // namespace korvi::soap
