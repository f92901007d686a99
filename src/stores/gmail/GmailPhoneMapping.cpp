#include "stores/gmail/GmailPhoneMapping.h"

#include "model/Contact.h"

namespace korvi {

const std::array<PhoneLoadRow, kPhoneLoadRowCount>& PhoneLoadRows() {
    static const std::array<PhoneLoadRow, kPhoneLoadRowCount> rows = {{
        {"mobile", {kMob, kMob}, 1, "mobile"},
        {"main", {kOther, kOther}, 1, "main"},
        {"work_fax", {kFaxBus, kFaxBus}, 1, "work_fax"},
        {"work", {kBus1, kBus2}, 2, "work"},
        {"home_fax", {kFaxHome, kFaxHome}, 1, "home_fax"},
        {"home", {kHome1, kHome2}, 2, "home"},
    }};
    return rows;
}

int FindPhoneLoadRow(std::string_view tag) {
    const auto& rows = PhoneLoadRows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (tag.find(rows[i].word) != std::string_view::npos) return static_cast<int>(i);
    }
    return -1;
}

int32_t PhoneSlotUsage::Take(int row) {
    const PhoneLoadRow& r = PhoneLoadRows()[static_cast<std::size_t>(row)];
    int& used = m_used[static_cast<std::size_t>(row)];
    if (used >= r.capacity) return -1;
    return r.slots[used++];
}

int PhoneKindOf(int32_t numberType) {
    const auto& rows = PhoneLoadRows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (int s = 0; s < rows[i].capacity; ++s) {
            if (rows[i].slots[s] == numberType) return static_cast<int>(i);
        }
    }
    return -1;
}

std::vector<std::vector<int32_t>> PhoneKindSlots() {
    std::vector<std::vector<int32_t>> kinds;
    for (const auto& row : PhoneLoadRows()) {
        kinds.emplace_back(row.slots, row.slots + row.capacity);
    }
    return kinds;
}

std::string PhoneRelFor(int32_t numberType) {
    const char* fragment = nullptr;
    switch (numberType) {
        case kHome1:
        case kHome2:
            fragment = "home";
            break;
        case kBus1:
        case kBus2:
            fragment = "work";
            break;
        case kMob:
            fragment = "mobile";
            break;
        case kOther:
            fragment = "main";
            break;
        case kFaxHome:
            fragment = "home_fax";
            break;
        case kFaxBus:
            fragment = "work_fax";
            break;
        default:
            return "";
    }
    return std::string(kGdNamespace) + "#" + fragment;
}

}  // namespace korvi
