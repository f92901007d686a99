// Answers FindContact for one match kind over one list without scanning the list.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "model/Contact.h"
#include "model/ContactCompare.h"
#include "model/NameIndex.h"

namespace korvi {

// Built once over a list; Find then gives exactly what FindContact(matchKind, a, list, ...)
// gives: the same result code, the same position (the first match in list order) and the same
// number marks written into a. Contact ids and entry ids are looked up in hash maps (the first
// occurrence of a value wins; an empty entry id matches the first contact with an empty one),
// names through a NameIndex.
//
// The matcher keeps a reference to the list and copies of its keys: the list and its contacts
// must not change (no add, remove, reorder, or change of ids and names) while the matcher is
// used. Build a new one after a change. Find may run on several threads at once, each with
// its own a.
//
//     ContactMatcher byName(eMatch_Name, partnerContactList);
//     int i = -1;
//     const int r = byName.Find(*pbxContact, i, true);
class ContactMatcher {
public:
    ContactMatcher(int matchKind, const TContactList& list);

    ContactMatcher(const ContactMatcher&) = delete;
    ContactMatcher& operator=(const ContactMatcher&) = delete;
    ContactMatcher(ContactMatcher&&) = default;
    ContactMatcher& operator=(ContactMatcher&&) = default;

    [[nodiscard]] int Find(TContact& a, int& foundIndex, bool compareNumbers) const;
    // A null a matches nothing.
    [[nodiscard]] int Find(TContact* a, int& foundIndex, bool compareNumbers) const;

    [[nodiscard]] int matchKind() const { return m_matchKind; }

private:
    [[nodiscard]] int FirstPosition(const TContact& a) const;

    int m_matchKind;
    const TContactList* m_list;
    std::unordered_map<int32_t, int32_t> m_byContactId;
    std::unordered_map<std::string, int32_t> m_byEntryId;
    std::unique_ptr<NameIndex> m_byName;
};

}  // namespace korvi
