// One description of every message type's elements, in sequence order, shared by the envelope
// writer and both readers so the three can never disagree on a name or an order.
// VisitFields(v, s) calls v(elementName, member) once per element of s; the member's type says
// how it occurs: int32_t or std::string (a simple element, once), a struct (once),
// std::optional<...> (optional) or std::vector<...> (repeated, no wrapper).
#pragma once

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "pbx/soap/SoapTypes.h"

namespace korvi::soap::detail {

template <class S, class T>
concept Is = std::same_as<std::remove_const_t<S>, T>;

template <class T>
struct IsOptional : std::false_type {};
template <class T>
struct IsOptional<std::optional<T>> : std::true_type {};

template <class T>
struct IsVector : std::false_type {};
template <class T>
struct IsVector<std::vector<T>> : std::true_type {};

template <class T>
concept SimpleValue = std::same_as<T, int32_t> || std::same_as<T, std::string>;

template <class V, Is<TUserDetailsStruct> S>
void VisitFields(V& v, S& s) {
    v("userID", s.userID);
    v("userPin", s.userPin);
    v("clientDistr", s.clientDistr);
    v("clientVer", s.clientVer);
}

template <class V, Is<TSysInfoStruct> S>
void VisitFields(V& v, S& s) {
    v("platform", s.platform);
    v("platformSubtype", s.platformSubtype);
    v("swVersion", s.swVersion);
    v("distr", s.distr);
    v("browserPort", s.browserPort);
}

template <class V, Is<TReturnStruct> S>
void VisitFields(V& v, S& s) {
    v("errDesc", s.errDesc);
    v("errCode", s.errCode);
}

template <class V, Is<TExtnInfoStruct> S>
void VisitFields(V& v, S& s) {
    v("devID", s.devID);
    v("extnName", s.extnName);
    v("extnNumber", s.extnNumber);
}

template <class V, Is<TContactNumberStruct> S>
void VisitFields(V& v, S& s) {
    v("ref", s.ref);
    v("number", s.number);
    v("numberType", s.numberType);
    v("barring", s.barring);
    v("lineAccess", s.lineAccess);
    v("cli", s.cli);
}

template <class V, Is<TContactStruct> S>
void VisitFields(V& v, S& s) {
    v("contactId", s.contactId);
    v("contactType", s.contactType);
    v("displayName", s.displayName);
    v("lastName", s.lastName);
    v("firstName", s.firstName);
    v("contactNumbers", s.contactNumbers);
}

template <class V, Is<Request_SYS_CheckService> S>
void VisitFields(V& v, S& s) {
    v("userDetails", s.userDetails);
    v("getBrowserChallenge", s.getBrowserChallenge);
}

template <class V, Is<Request_SPG_GetExtnInfo> S>
void VisitFields(V& v, S& s) {
    v("userDetails", s.userDetails);
}

template <class V, Is<Request_SPG_GetContactIdList> S>
void VisitFields(V& v, S& s) {
    v("userDetails", s.userDetails);
    v("contactType", s.contactType);
}

template <class V, Is<Request_SPG_GetContact> S>
void VisitFields(V& v, S& s) {
    v("userDetails", s.userDetails);
    v("contactId", s.contactId);
}

template <class V, Is<Request_SPG_DeleteContact> S>
void VisitFields(V& v, S& s) {
    v("userDetails", s.userDetails);
    v("deleteType", s.deleteType);
    v("deleteParam", s.deleteParam);
}

template <class V, Is<Request_SPG_AddOrUpdateContact> S>
void VisitFields(V& v, S& s) {
    v("userDetails", s.userDetails);
    v("contact", s.contact);
}

template <class V, Is<Response_SYS_CheckService> S>
void VisitFields(V& v, S& s) {
    v("sysInfo", s.sysInfo);
    v("cIdx", s.cIdx);
    v("browserChallenge", s.browserChallenge);
    v("returnData", s.returnData);
}

template <class V, Is<Response_SPG_GetExtnInfo> S>
void VisitFields(V& v, S& s) {
    v("extnInfo", s.extnInfo);
    v("returnData", s.returnData);
}

template <class V, Is<Response_SPG_GetContactIdList> S>
void VisitFields(V& v, S& s) {
    v("contactIdList", s.contactIdList);
    v("returnData", s.returnData);
}

template <class V, Is<Response_SPG_GetContact> S>
void VisitFields(V& v, S& s) {
    v("contact", s.contact);
    v("returnData", s.returnData);
}

template <class V, Is<Response_SPG_DeleteContact> S>
void VisitFields(V& v, S& s) {
    v("returnData", s.returnData);
}

template <class V, Is<Response_SPG_AddOrUpdateContact> S>
void VisitFields(V& v, S& s) {
    v("contactId", s.contactId);
    v("returnData", s.returnData);
}

}  // namespace korvi::soap::detail
