#include "sync/ListLookup.h"

#include "model/ContactCompare.h"

namespace korvi {

ListLookup::ListLookup(int matchKind, const TContactList& list, MatchStrategy strategy)
    : m_kind(matchKind), m_list(list) {
    if (strategy == MatchStrategy::kIndexed) {
        m_matcher = std::make_unique<ContactMatcher>(static_cast<MatchKind>(matchKind), list);
    }
}

int ListLookup::Find(TContact& a, int& foundIndex, bool compareNumbers) const {
    if (m_matcher) return m_matcher->Find(a, foundIndex, compareNumbers);
    return FindContact(static_cast<MatchKind>(m_kind), a, m_list, foundIndex, compareNumbers);
}

}  // namespace korvi
