// One kind of lookup over a whole contact list, answered either by the index or by the plain
// scan that is the reference. Both give the same result, the same position and the same number
// marks; the list must not change while the lookup is in use.
#pragma once

#include <memory>

#include "model/Contact.h"
#include "model/ContactMatcher.h"

namespace korvi {

enum class MatchStrategy { kIndexed, kPlainScan };

class ListLookup {
public:
    ListLookup(int matchKind, const TContactList& list, MatchStrategy strategy);

    // The result code of FindContact(matchKind, a, list, foundIndex, compareNumbers).
    [[nodiscard]] int Find(TContact& a, int& foundIndex, bool compareNumbers) const;

private:
    int m_kind;
    const TContactList& m_list;
    std::unique_ptr<ContactMatcher> m_matcher;
};

}  // namespace korvi
