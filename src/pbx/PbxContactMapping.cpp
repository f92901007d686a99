#include "pbx/PbxContactMapping.h"

namespace korvi {

std::unique_ptr<TContact> ContactFromPbx(soap::TContactStruct pbxContact, bool cleanNames) {
    auto contact = std::make_unique<TContact>();
    contact->contactId = pbxContact.contactId;
    contact->contactType = pbxContact.contactType;
    contact->displayName = std::move(pbxContact.displayName);
    if (pbxContact.lastName) contact->lastName = std::move(*pbxContact.lastName);
    if (pbxContact.firstName) contact->firstName = std::move(*pbxContact.firstName);
    if (cleanNames) {
        CleanName(contact->displayName);
        CleanName(contact->lastName);
        CleanName(contact->firstName);
    }
    if (!pbxContact.contactNumbers.empty()) {
        TNumberList numbers;
        numbers.reserve(pbxContact.contactNumbers.size());
        for (auto& n : pbxContact.contactNumbers) {
            TContactNumber number;
            number.ref = n.ref;
            number.number = std::move(n.number);
            number.numberType = n.numberType;
            number.barring = n.barring;
            number.lineAccess = n.lineAccess;
            number.cli = n.cli;
            number.state = kNoChange;
            numbers.push_back(std::move(number));
        }
        contact->numbers = std::move(numbers);
    }
    return contact;
}

soap::TContactStruct ContactToPbx(const TContact& contact, int32_t contactType) {
    soap::TContactStruct out;
    out.contactId = contact.contactId;
    out.contactType = contactType;
    out.displayName = contact.displayName;
    out.lastName = contact.lastName;
    out.firstName = contact.firstName;
    if (contact.numbers) {
        for (const auto& n : *contact.numbers) {
            if (n.state == kDeleted) continue;
            out.contactNumbers.push_back(
                {n.ref, n.number, n.numberType, n.barring, n.lineAccess, n.cli});
        }
    }
    return out;
}

}  // namespace korvi
