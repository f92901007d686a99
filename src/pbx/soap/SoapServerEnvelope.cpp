#include "pbx/soap/SoapServerEnvelope.h"

#include <type_traits>

#include "pbx/soap/SoapBodyWriter.h"
#include "pbx/soap/SoapFields.h"
#include "pbx/soap/SoapXmlReader.h"

namespace korvi::soap {

namespace {

constexpr char kSoap12Namespace[] = "http://www.w3.org/2003/05/soap-envelope";
constexpr char kFaultMustUnderstand[] = "soap:MustUnderstand";

SoapResult FaultResult(std::string faultcode, std::string faultstring) {
    SoapResult r;
    r.kind = SoapResult::Fault;
    r.faultcode = std::move(faultcode);
    r.message = faultstring;
    r.faultstring = std::move(faultstring);
    return r;
}

// Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on "'" + std::string(...).
std::string Quoted(std::string_view name) {
    std::string quoted;
    quoted.reserve(name.size() + 2);
    quoted += '\'';
    quoted += name;
    quoted += '\'';
    return quoted;
}

// Checks what a schema-validating stack checks on every element of the body: attributes other
// than namespace declarations (xsi:type, xsi:nil ...) are not in the schema.
bool CheckAttributes(const pugi::xml_node& element, std::string& error) {
    for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
        if (IsNamespaceDeclaration(a)) continue;
        error = "Unexpected attribute " + Quoted(a.name()) + " on element " +
                Quoted(XmlLocalName(element));
        return false;
    }
    return true;
}

// Reads the children of one element as the schema's sequence: each field in order, a required
// one exactly once, an optional one at most once, a repeated one any number of times, all in
// the service namespace; anything left over is an error.
class StrictReadVisitor {
public:
    StrictReadVisitor(const pugi::xml_node& parent, std::string& error)
        : m_parentName(XmlLocalName(parent)), m_error(error) {
        if (HasNonBlankText(parent)) {
            m_error = "Unexpected text in element " + Quoted(m_parentName);
        }
        m_next = NextElement(parent.first_child());
    }

    template <class T>
    void operator()(std::string_view name, T& member) {
        if (!m_error.empty()) return;
        if constexpr (detail::IsOptional<T>::value) {
            if (!Matches(name)) return;
            member.emplace();
            ReadValue(Take(), name, *member);
        } else if constexpr (detail::IsVector<T>::value) {
            while (m_error.empty() && Matches(name)) {
                member.emplace_back();
                ReadValue(Take(), name, member.back());
            }
        } else {
            if (!m_next) {
                m_error = "Missing element " + Quoted(name) + " in " + Quoted(m_parentName);
                return;
            }
            if (!Matches(name)) {
                if (m_error.empty()) {
                    m_error = "Unexpected element " + Quoted(XmlLocalName(m_next)) + " in " +
                              Quoted(m_parentName) + " where " + Quoted(name) + " was expected";
                }
                return;
            }
            ReadValue(Take(), name, member);
        }
    }

    // After the last field: nothing may remain.
    void Finish() {
        if (m_error.empty() && m_next) {
            m_error = "Unexpected element " + Quoted(XmlLocalName(m_next)) + " in " +
                      Quoted(m_parentName);
        }
    }

    template <class S>
    static void ReadStruct(const pugi::xml_node& element, S& target, std::string& error) {
        if (!CheckAttributes(element, error)) return;
        StrictReadVisitor visitor(element, error);
        detail::VisitFields(visitor, target);
        visitor.Finish();
    }

private:
    static pugi::xml_node NextElement(pugi::xml_node n) {
        while (n && n.type() != pugi::node_element) n = n.next_sibling();
        return n;
    }

    // True when the next element is `name` in the service namespace. The same local name in
    // another namespace (or none) is an error, reported here, because that is the mistake a
    // client makes when it forgets to qualify its elements.
    bool Matches(std::string_view name) {
        if (!m_next || XmlLocalName(m_next) != name) return false;
        const std::string_view ns = ElementNamespace(m_next);
        if (ns == kNamespace) return true;
        if (ns.empty()) {
            m_error = "Element " + Quoted(name) + " in " + Quoted(m_parentName) +
                      " is not namespace-qualified";
        } else {
            m_error = "Element " + Quoted(name) + " in " + Quoted(m_parentName) +
                      " is in namespace '" + std::string(ns) + "' instead of '" + kNamespace + "'";
        }
        return false;
    }

    pugi::xml_node Take() {
        pugi::xml_node taken = m_next;
        m_next = NextElement(m_next.next_sibling());
        return taken;
    }

    template <class T>
    void ReadValue(const pugi::xml_node& element, std::string_view name, T& member) {
        if constexpr (std::is_same_v<T, int32_t> || std::is_same_v<T, std::string>) {
            if (!CheckAttributes(element, m_error)) return;
            if (NextElement(element.first_child())) {
                m_error = "Element " + Quoted(name) + " must hold text, not elements";
                return;
            }
            const std::string text = ElementText(element);
            if constexpr (std::is_same_v<T, int32_t>) {
                switch (ParseXsdInt(text, member)) {
                    case IntParse::kOk:
                        break;
                    case IntParse::kInvalid:
                        m_error =
                            "Invalid integer " + QuoteValue(text) + " in element " + Quoted(name);
                        break;
                    case IntParse::kOutOfRange:
                        m_error = "Integer " + QuoteValue(text) + " out of range in element " +
                                  Quoted(name);
                        break;
                }
            } else {
                member = text;
            }
        } else {
            ReadStruct(element, member, m_error);
        }
    }

    std::string_view m_parentName;
    std::string& m_error;
    pugi::xml_node m_next;
};

template <class Request>
SoapResult ReadBodyElement(const pugi::xml_node& element, AnyRequest& out) {
    Request request;
    std::string error;
    StrictReadVisitor::ReadStruct(element, request, error);
    if (!error.empty()) return FaultResult(kFaultClient, error);
    out = std::move(request);
    return {};
}

// We understand no header entry, so one marked mustUnderstand must be refused; others are
// ignored as SOAP 1.1 allows.
std::string MustUnderstandEntry(const pugi::xml_node& header) {
    for (pugi::xml_node entry = header.first_child(); entry; entry = entry.next_sibling()) {
        if (entry.type() != pugi::node_element) continue;
        for (pugi::xml_attribute a = entry.first_attribute(); a; a = a.next_attribute()) {
            const std::string_view name = a.name();
            const std::string_view value = a.value();
            if (name.ends_with(":mustUnderstand") &&
                AttributeNamespace(a, entry) == kEnvelopeNamespace &&
                (value == "1" || value == "true")) {
                return std::string(XmlLocalName(entry));
            }
        }
    }
    return {};
}

}  // namespace

Operation OperationOf(const AnyRequest& request) {
    return std::visit([](const auto& r) { return r.kOperation; }, request);
}

SoapResult ParseRequestEnvelope(std::string_view xml, AnyRequest& request) {
    pugi::xml_document doc;
    if (XmlResult loaded = LoadSoapDocument(xml, doc, "SOAP request", true); !loaded.ok()) {
        return FaultResult(kFaultClient, loaded.text);
    }
    for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling()) {
        if (n.type() == pugi::node_doctype) {
            return FaultResult(kFaultClient, "A SOAP message must not have a DOCTYPE");
        }
    }
    pugi::xml_node envelope = doc.document_element();
    const std::string_view envNs = ElementNamespace(envelope);
    if (XmlLocalName(envelope) != "Envelope" ||
        (envNs != kEnvelopeNamespace && envNs != kSoap12Namespace)) {
        return FaultResult(
            kFaultClient, "Not a SOAP envelope (document element " + Quoted(envelope.name()) + ")");
    }
    if (envNs != kEnvelopeNamespace) {
        return FaultResult(kFaultVersionMismatch, "Envelope is not in the SOAP 1.1 namespace '" +
                                                      std::string(kEnvelopeNamespace) + "'");
    }
    if (HasNonBlankText(envelope)) {
        return FaultResult(kFaultClient, "Unexpected text in the SOAP Envelope");
    }
    pugi::xml_node body;
    bool first = true;
    for (pugi::xml_node n = envelope.first_child(); n; n = n.next_sibling()) {
        if (n.type() != pugi::node_element) continue;
        const bool inEnv = ElementNamespace(n) == kEnvelopeNamespace;
        const std::string_view local = XmlLocalName(n);
        if (first && inEnv && local == "Header") {
            first = false;
            if (std::string entry = MustUnderstandEntry(n); !entry.empty()) {
                return FaultResult(kFaultMustUnderstand,
                                   "Header entry " + Quoted(entry) + " is not understood");
            }
            continue;
        }
        first = false;
        if (!body && inEnv && local == "Body") {
            body = n;
            continue;
        }
        return FaultResult(kFaultClient,
                           "Unexpected element " + Quoted(n.name()) + " in the SOAP Envelope");
    }
    if (!body) return FaultResult(kFaultClient, "SOAP Envelope has no Body");
    if (HasNonBlankText(body)) return FaultResult(kFaultClient, "Unexpected text in the SOAP Body");

    pugi::xml_node element;
    for (pugi::xml_node n = body.first_child(); n; n = n.next_sibling()) {
        if (n.type() != pugi::node_element) continue;
        if (element) {
            return FaultResult(kFaultClient, "SOAP Body holds more than one element");
        }
        element = n;
    }
    if (!element) return FaultResult(kFaultClient, "SOAP Body holds no element");
    const std::string_view local = XmlLocalName(element);
    const std::string_view ns = ElementNamespace(element);
    const OperationInfo* info = FindOperationByRequestElement(local);
    if (!info) {
        return FaultResult(kFaultClient, "Unknown operation element " + Quoted(local));
    }
    if (ns != kNamespace) {
        return FaultResult(kFaultClient,
                           "Element " + Quoted(local) +
                               (ns.empty() ? std::string(" is not namespace-qualified")
                                           : " is in namespace '" + std::string(ns) +
                                                 "' instead of '" + kNamespace + "'"));
    }
    switch (info->operation) {
        case Operation::kSysCheckService:
            return ReadBodyElement<Request_SYS_CheckService>(element, request);
        case Operation::kSpgGetExtnInfo:
            return ReadBodyElement<Request_SPG_GetExtnInfo>(element, request);
        case Operation::kSpgGetContactIdList:
            return ReadBodyElement<Request_SPG_GetContactIdList>(element, request);
        case Operation::kSpgGetContact:
            return ReadBodyElement<Request_SPG_GetContact>(element, request);
        case Operation::kSpgDeleteContact:
            return ReadBodyElement<Request_SPG_DeleteContact>(element, request);
        case Operation::kSpgAddOrUpdateContact:
            return ReadBodyElement<Request_SPG_AddOrUpdateContact>(element, request);
    }
    return FaultResult(kFaultServer, "Unhandled operation");
}

std::string BuildResponseEnvelope(const Response_SYS_CheckService& response) {
    return detail::BuildEnvelope(response, GetOperationInfo(response.kOperation).responseElement);
}
std::string BuildResponseEnvelope(const Response_SPG_GetExtnInfo& response) {
    return detail::BuildEnvelope(response, GetOperationInfo(response.kOperation).responseElement);
}
std::string BuildResponseEnvelope(const Response_SPG_GetContactIdList& response) {
    return detail::BuildEnvelope(response, GetOperationInfo(response.kOperation).responseElement);
}
std::string BuildResponseEnvelope(const Response_SPG_GetContact& response) {
    return detail::BuildEnvelope(response, GetOperationInfo(response.kOperation).responseElement);
}
std::string BuildResponseEnvelope(const Response_SPG_DeleteContact& response) {
    return detail::BuildEnvelope(response, GetOperationInfo(response.kOperation).responseElement);
}
std::string BuildResponseEnvelope(const Response_SPG_AddOrUpdateContact& response) {
    return detail::BuildEnvelope(response, GetOperationInfo(response.kOperation).responseElement);
}

std::string BuildFaultEnvelope(std::string_view faultcode, std::string_view faultstring) {
    // SOAP 1.1 fault children are unqualified; the faultcode's "soap" prefix is the one the
    // envelope declares.
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<soap:Envelope xmlns:soap=\"";
    out += kEnvelopeNamespace;
    out += "\"><soap:Body><soap:Fault><faultcode>";
    SoapXmlWriter::AppendEscaped(out, faultcode);
    out += "</faultcode><faultstring>";
    SoapXmlWriter::AppendEscaped(out, faultstring);
    out += "</faultstring></soap:Fault></soap:Body></soap:Envelope>\n";
    return out;
}

}  // namespace korvi::soap
