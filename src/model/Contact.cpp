#include "model/Contact.h"

#include <algorithm>
#include <string_view>

namespace korvi {

const char* NumberTypeName(int32_t code) {
    switch (code) {
        case kHome1:
            return "Home1";
        case kHome2:
            return "Home2";
        case kBus1:
            return "Bus1";
        case kBus2:
            return "Bus2";
        case kMob:
            return "Mob";
        case kOther:
            return "Other";
        case kFaxHome:
            return "Fax_Home";
        case kFaxBus:
            return "Fax_Bus";
        case kInt:
            return "Int";
        case kNumberTypeInvalid:
            return "Invalid";
        default:
            return "Unk";
    }
}

const char* NumberStateName(int32_t code) {
    switch (code) {
        case kNoChange:
            return "No Change";
        case kAdded:
            return "Added";
        case kDeleted:
            return "Deleted";
        case kAmended:
            return "Amended";
        default:
            return "Unk";
    }
}

std::unique_ptr<TContact> CopyContact(const TContact* src) {
    if (src == nullptr) return nullptr;
    auto copy = std::make_unique<TContact>(*src);
    copy->action = 0;
    return copy;
}

void AssignContact(TContact* dst, const TContact* src) {
    if (dst == nullptr || src == nullptr || dst == src) return;
    dst->contactId = src->contactId;
    dst->contactType = src->contactType;
    dst->entryId = src->entryId;
    dst->firstName = src->firstName;
    dst->lastName = src->lastName;
    dst->displayName = src->displayName;
    dst->numbers = src->numbers;
}

std::optional<TContactNumber> CopyNumber(const TContactNumber* src) {
    if (src == nullptr) return std::nullopt;
    return *src;
}

void AddNumber(const std::string& text, int32_t numberType, TContact& contact) {
    if (text.empty()) return;
    if (!contact.numbers) contact.numbers.emplace();
    TContactNumber n;
    n.number = text;
    n.numberType = numberType;
    n.ref = 0;
    n.barring = 1;
    n.lineAccess = 0;
    n.cli = 1;
    n.state = kNoChange;
    contact.numbers->push_back(std::move(n));
}

void SetContactBarring(TContact& contact, int32_t value) {
    if (!contact.numbers) return;
    for (auto& n : *contact.numbers) n.barring = value;
}

void SetListBarring(TContactList& list, int32_t value) {
    for (auto& c : list) {
        if (c) SetContactBarring(*c, value);
    }
}

void ClearContactList(TContactList& list) { list.clear(); }

void CleanName(std::string& text) {
    // ASCII folding only: std::tolower follows the process locale, and a name must clean the
    // same way whatever locale the front end has set.
    static constexpr std::string_view kNull = "null";
    if (std::equal(text.begin(), text.end(), kNull.begin(), kNull.end(), [](char x, char y) {
            return (x >= 'A' && x <= 'Z' ? static_cast<char>(x - 'A' + 'a') : x) == y;
        })) {
        text.clear();
        return;
    }
    if (text.empty()) return;
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        if (ch == '\n' || ch == '\r' || ch == '"') continue;
        out.push_back(ch == '\'' ? '`' : ch);
    }
    text = std::move(out);
}

}  // namespace korvi
