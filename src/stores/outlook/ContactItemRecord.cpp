#include "stores/outlook/ContactItemRecord.h"

#include <string>

namespace korvi::outlook {

ItemRecord ReadItemRecord(const OlContactItem& item, TContact& record) {
    std::string displayName = item.FileAs();
    std::string lastName = item.LastName();
    const std::string middleName = item.MiddleName();
    const std::string companyName = item.CompanyName();
    std::string firstName = item.FirstName();
    if (!middleName.empty()) firstName += " " + middleName;
    if (!companyName.empty() && lastName.empty() && firstName.empty()) lastName = companyName;
    CleanName(displayName);
    CleanName(lastName);
    CleanName(firstName);
    record.contactId = 0;
    record.displayName = std::move(displayName);
    record.lastName = std::move(lastName);
    record.firstName = std::move(firstName);
    record.numbers.reset();
    if (record.displayName.empty()) return ItemRecord::kInvalidName;
    for (int slot = 0; slot < 8; ++slot) {
        std::string number = item.Get(kSlotProperties[slot]);
        CleanName(number);
        AddNumber(number, slot, record);
    }
    return record.numbers ? ItemRecord::kLoaded : ItemRecord::kNoNumbers;
}

void WriteItemRecord(const TContact& record, OlContactItem& item) {
    item.SetFileAs(record.displayName);
    item.SetLastName(record.lastName);
    // The first name was read with the middle name joined to it; writing the joined text back
    // beside the unchanged middle name would add the middle name once more at every amend.
    std::string firstName = record.firstName;
    const std::string middleName = item.MiddleName();
    const std::string joinedTail = " " + middleName;
    if (!middleName.empty() && firstName.size() > joinedTail.size() &&
        firstName.compare(firstName.size() - joinedTail.size(), joinedTail.size(), joinedTail) == 0)
        firstName.resize(firstName.size() - joinedTail.size());
    item.SetFirstName(firstName);
    if (!record.numbers) return;
    for (const auto& number : *record.numbers) {
        if (number.numberType < kHome1 || number.numberType > kFaxBus) continue;
        item.Set(kSlotProperties[number.numberType],
                 number.state == kDeleted ? std::string() : number.number);
    }
}

}  // namespace korvi::outlook
