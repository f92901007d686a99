// The engine's indexed lookups give the same action lists (and the same number marks on the
// loaded lists) as the plain scans, in change detection and in the first-time matching, on
// random lists full of duplicates, near-duplicate names and odd keys.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Log.h"
#include "common/TestEnv.h"
#include "sync/ChangeDetection.h"
#include "sync/FirstTimeSync.h"

namespace korvi::test {
namespace {

const char* const kFirst[] = {"Anna", "Ana",    "Anne", "",         "Jon",
                              "John", " Jon\t", "Jöhn", "\xff\xfe", "Zoë"};
const char* const kLast[] = {"Lee", "Le", "Smith", "", "Smyth", "O`Neil", "Lee "};

TContact RandomContact(std::mt19937& rng) {
    TContact c;
    c.firstName = kFirst[rng() % std::size(kFirst)];
    c.lastName = kLast[rng() % std::size(kLast)];
    if (rng() % 40 == 0) c.lastName = std::string(990 + rng() % 20, 'x');
    c.displayName = c.firstName + " " + c.lastName;
    c.contactId = 1000 + static_cast<int32_t>(rng() % 30);
    const int e = static_cast<int>(rng() % 30);
    c.entryId = e == 0 ? "" : "E" + std::to_string(e);
    const int numbers = static_cast<int>(rng() % 4);
    for (int i = 0; i < numbers; ++i) {
        AddNumber("0" + std::to_string(rng() % 5), static_cast<int32_t>(rng() % 5), c);
    }
    return c;
}

struct Lists {
    TContactList pbx, partner, sync;
};

void Fill(TContactList& out, std::mt19937& rng, int n) {
    for (int i = 0; i < n; ++i) out.push_back(std::make_unique<TContact>(RandomContact(rng)));
}

void CopyInto(Tctrl& ctrl, const Lists& l) {
    auto copy = [](const TContactList& from, TContactList& to) {
        to.clear();
        for (const auto& c : from) to.push_back(std::make_unique<TContact>(*c));
    };
    copy(l.pbx, ctrl.pbxContactList);
    copy(l.partner, ctrl.partnerContactList);
    copy(l.sync, ctrl.syncContactList);
}

void ExpectSameLists(const TContactList& a, const TContactList& b, const std::string& what) {
    ASSERT_EQ(a.size(), b.size()) << what;
    for (std::size_t i = 0; i < a.size(); ++i) {
        ASSERT_EQ(*a[i], *b[i]) << what << " at " << i;
    }
}

// Chooses by the order of the question, so both runs get the same answers if they ask the
// same questions in the same order.
class CyclingPrompt final : public Prompt {
public:
    int Ask(const Question& q) override {
        asked.push_back(q.pbxLines.empty() ? std::string() : q.pbxLines.front());
        return 1 + static_cast<int>(asked.size() % 3);
    }
    std::vector<std::string> asked;
};

class EngineMatchingTest : public testing::Test {
protected:
    void SetUp() override { SetLogsFolder(MakeTempDir("logs")); }
};

TEST_F(EngineMatchingTest, ChangeDetection_IndexedEqualsPlainScan) {
    std::mt19937 rng(5);
    for (int round = 0; round < 150; ++round) {
        Lists l;
        Fill(l.pbx, rng, static_cast<int>(rng() % 25));
        Fill(l.partner, rng, static_cast<int>(rng() % 25));
        Fill(l.sync, rng, static_cast<int>(rng() % 25));
        Tctrl indexed, plain;
        indexed.partnerName = plain.partnerName = "Outlook";
        CopyInto(indexed, l);
        CopyInto(plain, l);
        SyncPbxToPartner(indexed, MatchStrategy::kIndexed);
        SyncPartnerToPbx(indexed, 201, MatchStrategy::kIndexed);
        SyncPbxToPartner(plain, MatchStrategy::kPlainScan);
        SyncPartnerToPbx(plain, 201, MatchStrategy::kPlainScan);
        const std::string where = "round " + std::to_string(round);
        ExpectSameLists(plain.actionList, indexed.actionList, where + " actions");
        ExpectSameLists(plain.pbxContactList, indexed.pbxContactList, where + " PBX marks");
        ExpectSameLists(plain.partnerContactList, indexed.partnerContactList,
                        where + " partner marks");
        if (HasFailure()) return;
    }
}

TEST_F(EngineMatchingTest, FirstTimeMatching_IndexedEqualsPlainScan) {
    std::mt19937 rng(9);
    for (int round = 0; round < 150; ++round) {
        Lists l;
        Fill(l.pbx, rng, static_cast<int>(rng() % 25));
        Fill(l.partner, rng, static_cast<int>(rng() % 25));
        Tctrl indexed, plain;
        CyclingPrompt indexedPrompt, plainPrompt;
        indexed.SetPrompt(&indexedPrompt);
        plain.SetPrompt(&plainPrompt);
        indexed.partnerName = plain.partnerName = "Outlook";
        CopyInto(indexed, l);
        CopyInto(plain, l);
        SyncRunState indexedRun, plainRun;
        const int a = FirstTimeSync(indexed, indexedRun, MatchStrategy::kIndexed);
        const int b = FirstTimeSync(plain, plainRun, MatchStrategy::kPlainScan);
        const std::string where = "round " + std::to_string(round);
        ASSERT_EQ(b, a) << where;
        ASSERT_EQ(plainPrompt.asked, indexedPrompt.asked) << where;
        ExpectSameLists(plain.actionList, indexed.actionList, where + " actions");
        ExpectSameLists(plain.syncContactList, indexed.syncContactList, where + " sync list");
        ExpectSameLists(plain.pbxContactList, indexed.pbxContactList, where + " PBX marks");
        ExpectSameLists(plain.partnerContactList, indexed.partnerContactList,
                        where + " partner marks");
        if (HasFailure()) return;
    }
}

}  // namespace
}  // namespace korvi::test
