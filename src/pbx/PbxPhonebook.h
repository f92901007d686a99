// The phonebook operations that the sync engine and the import/export actions need from the
// PBX client. The PBX client implements them over SOAP; a test may substitute its own.
#pragma once

#include <cstdint>
#include <string>

#include "app/Progress.h"
#include "model/Contact.h"

namespace korvi {

class PbxPhonebook {
public:
    virtual ~PbxPhonebook() = default;

    virtual int32_t CurrentContactType() const = 0;
    virtual std::string CurrentContactTypeName() const = 0;
    // Number of ids found by the last GetContactIdsForCurContactType.
    virtual std::size_t ContactIdCount() const = 0;

    [[nodiscard]] virtual int GetContactIdsForCurContactType(std::string& outText) = 0;
    [[nodiscard]] virtual int LoadContacts(TContactList* list, const StopFlag& cancel,
                                           std::string& outText) = 0;
    // As LoadContacts, but every contact exactly as the PBX holds it (names not cleaned, the
    // contacts without numbers too): what a backup of the phonebook must hold.
    [[nodiscard]] virtual int LoadAllContacts(TContactList* list, const StopFlag& cancel,
                                              std::string& outText) {
        return LoadContacts(list, cancel, outText);
    }
    [[nodiscard]] virtual int SaveContacts(TContactList* list, const StopFlag& cancel,
                                           std::string& outText) = 0;
    [[nodiscard]] virtual int DeleteContact(const std::string& deleteType, int32_t deleteParam,
                                            std::string& outText) = 0;
    [[nodiscard]] virtual int WriteContact(TContact& contact, std::string& outText) = 0;
};

}  // namespace korvi
