// The sync list editor finds, removes and overwrites exactly the entries that a scan of the
// list in order would, through any sequence of edits.
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "model/ContactCompare.h"
#include "sync/SyncListEditor.h"

namespace korvi::test {
namespace {

std::unique_ptr<TContact> Entry(std::mt19937& rng, int tag) {
    auto c = std::make_unique<TContact>();
    c->displayName = "tag" + std::to_string(tag);
    c->contactId = 1000 + static_cast<int32_t>(rng() % 6);
    const int e = static_cast<int>(rng() % 6);
    c->entryId = e == 0 ? "" : "E" + std::to_string(e);
    return c;
}

std::string TagAt(const TContactList& list, int pos) {
    return pos < 0 ? "none" : list[static_cast<std::size_t>(pos)]->displayName;
}

TEST(SyncListEditorTest, RandomEdits_SameEntriesAsAScanInOrder) {
    std::mt19937 rng(11);
    for (int round = 0; round < 200; ++round) {
        TContactList edited, plain;
        int tag = 0;
        const int n = static_cast<int>(rng() % 12);
        for (int i = 0; i < n; ++i) {
            std::mt19937 copy = rng;
            edited.push_back(Entry(rng, tag));
            plain.push_back(Entry(copy, tag++));
        }
        if (n > 2 && rng() % 3 == 0) {  // a gap the list had before
            edited[1].reset();
            plain[1].reset();
        }
        {
            SyncListEditor editor(edited);
            for (int step = 0; step < 40; ++step) {
                TContact probe;
                probe.contactId = 1000 + static_cast<int32_t>(rng() % 6);
                const int e = static_cast<int>(rng() % 6);
                probe.entryId = e == 0 ? "" : "E" + std::to_string(e);
                int plainPos = -1;
                const bool byId = rng() % 2 == 0;
                (void)FindContact(byId ? eMatch_ContactId : eMatch_EntryId, probe, plain, plainPos,
                                  false);
                const long pos = byId ? editor.FindByContactId(probe.contactId)
                                      : editor.FindByEntryId(probe.entryId);
                ASSERT_EQ(TagAt(plain, plainPos), TagAt(edited, static_cast<int>(pos)))
                    << "round " << round << " step " << step;
                switch (rng() % 3) {
                    case 0:
                        if (plainPos >= 0) {
                            plain.erase(plain.begin() + plainPos);
                            editor.Remove(pos);
                        }
                        break;
                    case 1:
                        if (plainPos >= 0) {
                            std::mt19937 copy = rng;
                            auto a = Entry(rng, -1);
                            auto b = Entry(copy, -1);
                            AssignContact(plain[static_cast<std::size_t>(plainPos)].get(), b.get());
                            editor.Assign(pos, *a);
                        }
                        break;
                    default: {
                        std::mt19937 copy = rng;
                        editor.Append(Entry(rng, tag));
                        plain.push_back(Entry(copy, tag++));
                    }
                }
            }
        }
        ASSERT_EQ(plain.size(), edited.size()) << "round " << round;
        for (std::size_t i = 0; i < plain.size(); ++i) {
            ASSERT_EQ(plain[i] == nullptr, edited[i] == nullptr);
            if (plain[i]) {
                ASSERT_EQ(*plain[i], *edited[i]) << "round " << round << " at " << i;
            }
        }
    }
}

}  // namespace
}  // namespace korvi::test
