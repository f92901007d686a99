// Contact and number records spoken by every store, with their owning lists.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace korvi {

// A contact the PBX does not hold yet; also the "no contact type chosen" value.
inline constexpr int32_t kContactIdNew = 65535;
inline constexpr int32_t kContactTypeCentral = 65533;
inline constexpr int32_t kContactTypeNone = 65535;

enum NumberType : int32_t {
    kHome1 = 0,
    kHome2 = 1,
    kBus1 = 2,
    kBus2 = 3,
    kMob = 4,
    kOther = 5,
    kFaxHome = 6,
    kFaxBus = 7,
    kInt = 16,
    kNumberTypeInvalid = 65535,
};

enum NumberState : int32_t {
    kNoChange = 0,
    kAdded = 1,
    kDeleted = 2,  // a marker, not a number of the contact
    kAmended = 3,
};

struct TContactNumber {
    int32_t ref = 0;
    std::string number;
    int32_t numberType = 0;
    int32_t barring = 0;
    int32_t lineAccess = 0;
    int32_t cli = 0;
    int32_t state = 0;

    bool operator==(const TContactNumber&) const = default;
};

using TNumberList = std::vector<TContactNumber>;

struct TContact {
    int32_t contactId = 0;
    int32_t contactType = 0;
    std::string displayName;
    std::string lastName;
    std::string firstName;
    // No list and an empty list are distinct states: the comparison tells them apart.
    std::optional<TNumberList> numbers;
    std::string entryId;
    int32_t action = 0;

    bool operator==(const TContact&) const = default;
};

// An ordered list that owns its contacts. Entries may be null where a caller left a gap;
// the engine logs such entries instead of crashing.
using TContactList = std::vector<std::unique_ptr<TContact>>;

const char* NumberTypeName(int32_t code);
const char* NumberStateName(int32_t code);

// A copy without the action (the copy's action is 0); null when src is null.
std::unique_ptr<TContact> CopyContact(const TContact* src);
// Overwrites ids, names and numbers of dst with src's; dst keeps its action.
void AssignContact(TContact* dst, const TContact* src);
std::optional<TContactNumber> CopyNumber(const TContactNumber* src);

// Appends a number with the attributes of numbers that come from a partner store
// (ref 0, barring 1, line access 0, cli 1); an empty text adds nothing, not even a list.
void AddNumber(const std::string& text, int32_t numberType, TContact& contact);

void SetListBarring(TContactList& list, int32_t value);
void SetContactBarring(TContact& contact, int32_t value);
void ClearContactList(TContactList& list);

// "Null" in any case becomes empty; otherwise LF, CR and '"' are dropped and an apostrophe
// becomes a backtick. Works on any length.
void CleanName(std::string& text);

}  // namespace korvi
