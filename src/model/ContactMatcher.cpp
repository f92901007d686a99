#include "model/ContactMatcher.h"

#include <utility>
#include <vector>

namespace korvi {

ContactMatcher::ContactMatcher(int matchKind, const TContactList& list)
    : m_matchKind(matchKind), m_list(&list) {
    switch (matchKind) {
        case eMatch_ContactId:
            m_byContactId.reserve(list.size());
            for (std::size_t i = 0; i < list.size(); ++i) {
                if (list[i]) m_byContactId.try_emplace(list[i]->contactId, static_cast<int32_t>(i));
            }
            break;
        case eMatch_EntryId:
            m_byEntryId.reserve(list.size());
            for (std::size_t i = 0; i < list.size(); ++i) {
                if (list[i]) m_byEntryId.try_emplace(list[i]->entryId, static_cast<int32_t>(i));
            }
            break;
        case eMatch_Name: {
            // Null entries keep their place with an empty key, which never matches.
            std::vector<std::string> keys(list.size());
            for (std::size_t i = 0; i < list.size(); ++i) {
                if (list[i]) keys[i] = ContactNameKey(*list[i]);
            }
            m_byName = std::make_unique<NameIndex>(std::move(keys));
            break;
        }
        default:
            break;  // an unknown kind matches nothing, as in FindContact
    }
}

int ContactMatcher::FirstPosition(const TContact& a) const {
    switch (m_matchKind) {
        case eMatch_ContactId: {
            const auto it = m_byContactId.find(a.contactId);
            return it == m_byContactId.end() ? -1 : it->second;
        }
        case eMatch_EntryId: {
            const auto it = m_byEntryId.find(a.entryId);
            return it == m_byEntryId.end() ? -1 : it->second;
        }
        case eMatch_Name:
            return m_byName->FindFirst(ContactNameKey(a));
        default:
            return -1;
    }
}

int ContactMatcher::Find(TContact& a, int& foundIndex, bool compareNumbers) const {
    foundIndex = -1;
    const int pos = FirstPosition(a);
    // A list that shrank behind the matcher's back must not be read out of bounds.
    if (pos < 0 || static_cast<std::size_t>(pos) >= m_list->size() ||
        !(*m_list)[static_cast<std::size_t>(pos)]) {
        return kCompareNoMatch;
    }
    foundIndex = pos;
    return CompareMatchedContacts(a, *(*m_list)[static_cast<std::size_t>(pos)], compareNumbers);
}

int ContactMatcher::Find(TContact* a, int& foundIndex, bool compareNumbers) const {
    if (a == nullptr) {
        foundIndex = -1;
        return kCompareNoMatch;
    }
    return Find(*a, foundIndex, compareNumbers);
}

}  // namespace korvi
