// Between the cloud's phone number kinds and the eight number slots of a contact record: the
// load mapping (tried in order on the number's tag, with a capacity per kind) and the write
// mapping (a slot's kind as the rel of a gd:phoneNumber).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvi {

inline constexpr char kGdNamespace[] = "http://schemas.google.com/g/2005";
inline constexpr char kAtomNamespace[] = "http://www.w3.org/2005/Atom";
inline constexpr char kContactNamespace[] = "http://schemas.google.com/contact/2008";

struct PhoneLoadRow {
    const char* word;  // a tag containing it (letter case counting) matches the row
    int32_t slots[2];  // the slots, filled in this order
    int capacity;      // how many of the slots there are (1 or 2)
    const char* kind;  // the kind's name in the capacity warnings
};

// "mobile", "main", "work_fax", "work", "home_fax", "home": "work_fax" and "home_fax" before
// "work" and "home", "mobile" before all.
inline constexpr std::size_t kPhoneLoadRowCount = 6;
const std::array<PhoneLoadRow, kPhoneLoadRowCount>& PhoneLoadRows();

// The first row whose word the tag contains; -1 when none does (the number is not mapped).
int FindPhoneLoadRow(std::string_view tag);

// How many numbers of each row a contact has met, so that a row's slots fill in order.
class PhoneSlotUsage {
public:
    // The slot for the next number of the row, marking it used; -1 when the row is full.
    int32_t Take(int row);

private:
    std::array<int, kPhoneLoadRowCount> m_used{};
};

// What the group can hold of a contact's numbers, for the sync: the load row (the kind) whose
// slots include the type (-1: the type has none, 16 "Int"), and each row's slots in row order.
int PhoneKindOf(int32_t numberType);
std::vector<std::vector<int32_t>> PhoneKindSlots();

// The rel of a number type ("http://schemas.google.com/g/2005#home"); "" for a type without a
// cloud kind (16 "Int", any other).
std::string PhoneRelFor(int32_t numberType);

}  // namespace korvi
