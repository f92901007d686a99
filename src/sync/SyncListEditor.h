// Edits the sync list in memory while an applied action list is recorded in it: finds the
// first entry with a contactId or an entryId (as a scan in list order would), appends, removes
// and overwrites entries, without rescanning the list for every action.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/Contact.h"

namespace korvi {

class SyncListEditor {
public:
    // The list is edited in place; removed entries leave a gap until Finish().
    explicit SyncListEditor(TContactList& list);
    ~SyncListEditor();
    SyncListEditor(const SyncListEditor&) = delete;
    SyncListEditor& operator=(const SyncListEditor&) = delete;

    // Position of the first entry with that key, or -1.
    [[nodiscard]] long FindByContactId(int32_t contactId) const;
    [[nodiscard]] long FindByEntryId(const std::string& entryId) const;

    void Append(std::unique_ptr<TContact> contact);
    void Remove(long pos);
    // AssignContact(entry, src), keeping the keys up to date.
    void Assign(long pos, const TContact& src);

    // Closes the gaps of removed entries (gaps the list had before stay).
    void Finish();

private:
    void Index(std::size_t pos);
    void Unindex(std::size_t pos);

    TContactList& m_list;
    std::vector<bool> m_removed;
    std::unordered_map<int32_t, std::set<std::size_t>> m_byContactId;
    std::unordered_map<std::string, std::set<std::size_t>> m_byEntryId;
    bool m_finished = false;
};

}  // namespace korvi
