#include "sync/SyncListEditor.h"

namespace korvi {

SyncListEditor::SyncListEditor(TContactList& list) : m_list(list), m_removed(list.size(), false) {
    for (std::size_t i = 0; i < m_list.size(); ++i) Index(i);
}

SyncListEditor::~SyncListEditor() { Finish(); }

void SyncListEditor::Index(std::size_t pos) {
    const TContact* c = m_list[pos].get();
    if (c == nullptr) return;
    m_byContactId[c->contactId].insert(pos);
    m_byEntryId[c->entryId].insert(pos);
}

void SyncListEditor::Unindex(std::size_t pos) {
    const TContact* c = m_list[pos].get();
    if (c == nullptr) return;
    if (auto it = m_byContactId.find(c->contactId); it != m_byContactId.end()) {
        it->second.erase(pos);
        if (it->second.empty()) m_byContactId.erase(it);
    }
    if (auto it = m_byEntryId.find(c->entryId); it != m_byEntryId.end()) {
        it->second.erase(pos);
        if (it->second.empty()) m_byEntryId.erase(it);
    }
}

long SyncListEditor::FindByContactId(int32_t contactId) const {
    auto it = m_byContactId.find(contactId);
    return it == m_byContactId.end() ? -1 : static_cast<long>(*it->second.begin());
}

long SyncListEditor::FindByEntryId(const std::string& entryId) const {
    auto it = m_byEntryId.find(entryId);
    return it == m_byEntryId.end() ? -1 : static_cast<long>(*it->second.begin());
}

void SyncListEditor::Append(std::unique_ptr<TContact> contact) {
    m_list.push_back(std::move(contact));
    m_removed.push_back(false);
    Index(m_list.size() - 1);
}

void SyncListEditor::Remove(long pos) {
    if (pos < 0 || static_cast<std::size_t>(pos) >= m_list.size()) return;
    const auto p = static_cast<std::size_t>(pos);
    Unindex(p);
    m_list[p].reset();
    m_removed[p] = true;
}

void SyncListEditor::Assign(long pos, const TContact& src) {
    if (pos < 0 || static_cast<std::size_t>(pos) >= m_list.size()) return;
    const auto p = static_cast<std::size_t>(pos);
    if (!m_list[p]) return;
    Unindex(p);
    AssignContact(m_list[p].get(), &src);
    Index(p);
}

void SyncListEditor::Finish() {
    if (m_finished) return;
    m_finished = true;
    std::size_t out = 0;
    for (std::size_t i = 0; i < m_list.size(); ++i) {
        if (!m_removed[i]) m_list[out++] = std::move(m_list[i]);
    }
    m_list.resize(out);
}

}  // namespace korvi
