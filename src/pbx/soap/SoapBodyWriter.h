// Builds the envelope of any message type from its field description; requests, responses and
// the simulator's answers all go through here.
#pragma once

#include <string>
#include <string_view>
#include <type_traits>

#include "pbx/soap/SoapFields.h"
#include "pbx/soap/SoapTypes.h"
#include "pbx/soap/SoapXmlWriter.h"

namespace korvi::soap::detail {

class BodyWriteVisitor {
public:
    explicit BodyWriteVisitor(SoapXmlWriter& writer) : m_writer(writer) {}

    template <class T>
    void operator()(std::string_view name, const T& value) {
        if constexpr (std::is_same_v<T, int32_t>) {
            m_writer.Int(name, value);
        } else if constexpr (std::is_same_v<T, std::string>) {
            m_writer.Text(name, value);
        } else if constexpr (IsOptional<T>::value) {
            if (value) (*this)(name, *value);
        } else if constexpr (IsVector<T>::value) {
            for (const auto& item : value) (*this)(name, item);
        } else {
            m_writer.Open(name);
            VisitFields(*this, value);
            m_writer.Close(name);
        }
    }

private:
    SoapXmlWriter& m_writer;
};

template <class Message>
std::string BuildEnvelope(const Message& message, std::string_view bodyElement) {
    SoapXmlWriter writer;
    writer.OpenBodyElement(bodyElement, kNamespace);
    BodyWriteVisitor visitor(writer);
    VisitFields(visitor, message);
    writer.Close(bodyElement);
    return writer.Finish();
}

}  // namespace korvi::soap::detail
