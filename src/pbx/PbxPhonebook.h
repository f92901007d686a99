// The phonebook operations that the sync engine and the import/export actions need from the
// PBX client. The PBX client implements them over SOAP; a test may substitute its own.
#pragma once

#include <cstdint>
#include <string>

#include "app/Progress.h"
#include "app/Result.h"
#include "model/Contact.h"

namespace korvi {

class PbxPhonebook {
public:
    virtual ~PbxPhonebook() = default;

    virtual int32_t CurrentContactType() const = 0;
    virtual std::string CurrentContactTypeName() const = 0;
    // Number of ids found by the last GetContactIdsForCurContactType.
    virtual std::size_t ContactIdCount() const = 0;

    virtual Result GetContactIdsForCurContactType() = 0;
    virtual Result LoadContacts(TContactList* list, const StopFlag& cancel) = 0;
    // As LoadContacts, but every contact exactly as the PBX holds it (names not cleaned, the
    // contacts without numbers too): what a backup of the phonebook must hold.
    virtual Result LoadAllContacts(TContactList* list, const StopFlag& cancel) {
        return LoadContacts(list, cancel);
    }
    virtual Result SaveContacts(TContactList* list, const StopFlag& cancel) = 0;
    virtual Result DeleteContact(const std::string& deleteType, int32_t deleteParam) = 0;
    virtual Result WriteContact(TContact& contact) = 0;
};

}  // namespace korvi
