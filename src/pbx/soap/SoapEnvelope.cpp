#include "pbx/soap/SoapEnvelope.h"

#include <type_traits>

#include "pbx/soap/SoapBodyWriter.h"
#include "pbx/soap/SoapFields.h"
#include "pbx/soap/SoapXmlReader.h"

namespace korvi::soap {

namespace {

constexpr char kSource[] = "SOAP response";

SoapResult ErrorResult(std::string message) {
    SoapResult r;
    r.kind = SoapResult::Error;
    r.message = std::string(kSource) + ": " + message;
    return r;
}

// Reads an element's children into a struct by local name, in any order and any prefix, as a
// tolerant client must: a PBX built on another SOAP stack may prefix, reorder or add.
class LenientReadVisitor {
public:
    LenientReadVisitor(const pugi::xml_node& element, std::string& error)
        : m_element(element), m_local(XmlLocalName(element)), m_error(error) {}

    template <class T>
    void operator()(std::string_view name, T& member) {
        if (!m_error.empty() || name != m_local) return;
        Read(m_element, name, member, m_error);
    }

    template <class S>
    static void ReadStruct(const pugi::xml_node& parent, S& target, std::string& error) {
        for (pugi::xml_node child = parent.first_child(); child && error.empty();
             child = child.next_sibling()) {
            if (child.type() != pugi::node_element) continue;
            LenientReadVisitor visitor(child, error);
            detail::VisitFields(visitor, target);
        }
    }

private:
    template <class T>
    static void Read(const pugi::xml_node& element, std::string_view name, T& member,
                     std::string& error) {
        if constexpr (std::is_same_v<T, int32_t>) {
            const std::string text = ElementText(element);
            switch (ParseXsdInt(text, member)) {
                case IntParse::kOk:
                    break;
                case IntParse::kInvalid:
                    error = "Invalid integer " + QuoteValue(text) + " in element '" +
                            std::string(name) + "'";
                    break;
                case IntParse::kOutOfRange:
                    error = "Integer " + QuoteValue(text) + " out of range in element '" +
                            std::string(name) + "'";
                    break;
            }
        } else if constexpr (std::is_same_v<T, std::string>) {
            member = ElementText(element);
        } else if constexpr (detail::IsOptional<T>::value) {
            member.emplace();
            Read(element, name, *member, error);
        } else if constexpr (detail::IsVector<T>::value) {
            member.emplace_back();
            Read(element, name, member.back(), error);
        } else {
            member = T{};
            ReadStruct(element, member, error);
        }
    }

    const pugi::xml_node& m_element;
    std::string_view m_local;
    std::string& m_error;
};

pugi::xml_node FirstElementChild(const pugi::xml_node& parent) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element) return c;
    }
    return {};
}

pugi::xml_node ChildByLocalName(const pugi::xml_node& parent, std::string_view local) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && XmlLocalName(c) == local) return c;
    }
    return {};
}

template <class Response>
SoapResult ParseResponse(std::string_view xml, Response& response) {
    response = Response{};
    const OperationInfo& info = GetOperationInfo(Response::kOperation);
    if (xml.empty()) return ErrorResult("Empty response");
    pugi::xml_document doc;
    if (XmlResult loaded = LoadSoapDocument(xml, doc, kSource); !loaded.ok()) {
        SoapResult r;
        r.kind = SoapResult::Error;
        r.message = loaded.text;
        return r;
    }
    pugi::xml_node envelope = doc.document_element();
    if (XmlLocalName(envelope) != "Envelope") {
        return ErrorResult("Not a SOAP envelope (document element '" +
                           std::string(XmlLocalName(envelope)) + "')");
    }
    pugi::xml_node body = ChildByLocalName(envelope, "Body");
    if (!body) return ErrorResult("SOAP envelope has no Body");
    pugi::xml_node first = FirstElementChild(body);
    if (!first) return ErrorResult("SOAP Body is empty");
    const std::string_view local = XmlLocalName(first);
    if (local == "Fault") {
        SoapResult r;
        r.kind = SoapResult::Fault;
        r.faultcode = ElementText(ChildByLocalName(first, "faultcode"));
        r.faultstring = ElementText(ChildByLocalName(first, "faultstring"));
        r.message = r.faultstring.empty() ? "SOAP Fault " + r.faultcode : r.faultstring;
        return r;
    }
    if (local != info.responseElement) {
        return ErrorResult("Expected '" + std::string(info.responseElement) + "' but got '" +
                           std::string(local) + "'");
    }
    std::string error;
    LenientReadVisitor::ReadStruct(first, response, error);
    if (!error.empty()) {
        response = Response{};
        return ErrorResult(error);
    }
    return {};
}

}  // namespace

std::string BuildRequestEnvelope(const Request_SYS_CheckService& request) {
    return detail::BuildEnvelope(request, GetOperationInfo(request.kOperation).requestElement);
}
std::string BuildRequestEnvelope(const Request_SPG_GetExtnInfo& request) {
    return detail::BuildEnvelope(request, GetOperationInfo(request.kOperation).requestElement);
}
std::string BuildRequestEnvelope(const Request_SPG_GetContactIdList& request) {
    return detail::BuildEnvelope(request, GetOperationInfo(request.kOperation).requestElement);
}
std::string BuildRequestEnvelope(const Request_SPG_GetContact& request) {
    return detail::BuildEnvelope(request, GetOperationInfo(request.kOperation).requestElement);
}
std::string BuildRequestEnvelope(const Request_SPG_DeleteContact& request) {
    return detail::BuildEnvelope(request, GetOperationInfo(request.kOperation).requestElement);
}
std::string BuildRequestEnvelope(const Request_SPG_AddOrUpdateContact& request) {
    return detail::BuildEnvelope(request, GetOperationInfo(request.kOperation).requestElement);
}

SoapResult ParseResponseEnvelope(std::string_view xml, Response_SYS_CheckService& response) {
    return ParseResponse(xml, response);
}
SoapResult ParseResponseEnvelope(std::string_view xml, Response_SPG_GetExtnInfo& response) {
    return ParseResponse(xml, response);
}
SoapResult ParseResponseEnvelope(std::string_view xml, Response_SPG_GetContactIdList& response) {
    return ParseResponse(xml, response);
}
SoapResult ParseResponseEnvelope(std::string_view xml, Response_SPG_GetContact& response) {
    return ParseResponse(xml, response);
}
SoapResult ParseResponseEnvelope(std::string_view xml, Response_SPG_DeleteContact& response) {
    return ParseResponse(xml, response);
}
SoapResult ParseResponseEnvelope(std::string_view xml, Response_SPG_AddOrUpdateContact& response) {
    return ParseResponse(xml, response);
}

}  // namespace korvi::soap
