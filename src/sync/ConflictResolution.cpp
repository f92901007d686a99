#include "sync/ConflictResolution.h"

#include <algorithm>
#include <set>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/Log.h"

namespace korvi {

namespace {

// Counts removed positions so that a log line can name an action by its current index.
class RemovedCounter {
public:
    explicit RemovedCounter(std::size_t n) : m_tree(n + 1, 0) {}
    void Remove(std::size_t pos) {
        for (std::size_t i = pos + 1; i < m_tree.size(); i += i & (~i + 1)) ++m_tree[i];
    }
    // Removed positions below pos.
    int Before(std::size_t pos) const {
        int sum = 0;
        for (std::size_t i = pos; i > 0; i -= i & (~i + 1)) sum += m_tree[i];
        return sum;
    }

private:
    std::vector<int> m_tree;
};

bool WritesIntoPbx(int32_t code) { return code >= eAddInPBX && code <= eAmendInPBX; }
bool WritesIntoPartner(int32_t code) { return code >= eAddInPartner && code <= eAmendInPartner; }

}  // namespace

void ResolveConflicts(Tctrl& ctrl) {
    TContactList& list = ctrl.actionList;
    const int rule = ctrl.conflictResolution;
    WriteLog("LOG: >>> ResolveConflicts");

    // Members of each entryId, in list order; only groups of two or more can conflict.
    std::unordered_map<std::string_view, std::vector<std::size_t>> byEntry;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] && !list[i]->entryId.empty()) byEntry[list[i]->entryId].push_back(i);
    }
    std::vector<std::vector<std::size_t>*> groups;
    for (auto& [key, members] : byEntry) {
        if (members.size() > 1) groups.push_back(&members);
    }

    std::vector<bool> removed(list.size(), false);
    RemovedCounter counter(list.size());
    auto current = [&](std::size_t pos) { return static_cast<int>(pos) - counter.Before(pos); };
    int count = static_cast<int>(list.size());

    if (rule != eSync_PBX_wins && rule != eSync_PC_wins) {
        // Nothing can be removed, so the passes meet the pairs in (i, j) order, each once.
        std::vector<std::pair<std::size_t, std::size_t>> pairs;
        for (auto* g : groups) {
            for (std::size_t a = 0; a < g->size(); ++a) {
                for (std::size_t b = a + 1; b < g->size(); ++b)
                    pairs.emplace_back((*g)[a], (*g)[b]);
            }
        }
        std::sort(pairs.begin(), pairs.end());
        for (const auto& [i, j] : pairs) {
            WriteLog("LOG: : actionList->Count %d", count);
            WriteLog("LOG: Resolving conflict between %d and %d", static_cast<int>(i),
                     static_cast<int>(j));
            WriteLog("ERR: Invalid Conflict Resolution Setting");
            WriteLog("ERR: NULL del_ct");
        }
        WriteLog("LOG: : actionList->Count %d", count);
        WriteLog("LOG: <<< ResolveConflicts");
        return;
    }

    // A pass finds the group whose first surviving member comes first, and pairs that member
    // with the group's next survivor.
    struct GroupCursor {
        std::vector<std::size_t>* members;
        std::size_t first;  // index into members of the first survivor
        std::size_t second;
    };
    std::vector<GroupCursor> cursors;
    std::set<std::pair<std::size_t, std::size_t>> queue;  // (position of first survivor, group)
    for (auto* g : groups) {
        cursors.push_back({g, 0, 1});
        queue.emplace((*g)[0], cursors.size() - 1);
    }
    while (!queue.empty()) {
        const auto [pos, gi] = *queue.begin();
        queue.erase(queue.begin());
        GroupCursor& g = cursors[gi];
        const std::size_t i = (*g.members)[g.first];
        const std::size_t j = (*g.members)[g.second];
        WriteLog("LOG: : actionList->Count %d", count);
        WriteLog("LOG: Resolving conflict between %d and %d", current(i), current(j));
        bool dropFirst;
        if (rule == eSync_PBX_wins) {
            WriteLog("LOG: eSync_PBX_wins");
            dropFirst = !WritesIntoPbx(list[i]->action);
        } else {
            WriteLog("LOG: eSync_PC_wins");
            dropFirst = !WritesIntoPartner(list[i]->action);
        }
        const std::size_t gone = dropFirst ? i : j;
        removed[gone] = true;
        counter.Remove(gone);
        --count;
        if (dropFirst) {
            g.first = g.second;
        }
        g.second = g.second + 1;
        if (g.second < g.members->size()) queue.emplace((*g.members)[g.first], gi);
    }
    WriteLog("LOG: : actionList->Count %d", count);

    std::size_t out = 0;
    for (std::size_t k = 0; k < list.size(); ++k) {
        if (!removed[k]) list[out++] = std::move(list[k]);
    }
    list.resize(out);
    WriteLog("LOG: <<< ResolveConflicts");
}

}  // namespace korvi
