// Conflict resolution against the plain procedure it must equal (find the first conflicting
// pair, drop one, start again), on random action lists; and the invalid rule that must end.
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/Log.h"
#include "common/TestEnv.h"
#include "sync/ConflictResolution.h"
#include "sync/SyncTestSupport.h"

namespace korvi::test {
namespace {

using testing::ElementsAre;

// The procedure as it is written, pass after pass; returns its log lines.
std::vector<std::string> ReferenceResolve(TContactList& list, int rule) {
    std::vector<std::string> log = {"LOG: >>> ResolveConflicts"};
    for (;;) {
        log.push_back("LOG: : actionList->Count " + std::to_string(list.size()));
        bool found = false;
        for (std::size_t i = 0; i < list.size() && !found; ++i) {
            for (std::size_t j = i + 1; j < list.size() && !found; ++j) {
                if (!list[i] || !list[j] || list[i]->entryId.empty() ||
                    list[i]->entryId != list[j]->entryId) {
                    continue;
                }
                found = true;
                log.push_back("LOG: Resolving conflict between " + std::to_string(i) + " and " +
                              std::to_string(j));
                const int32_t a = list[i]->action;
                bool dropFirst;
                if (rule == 0) {
                    log.push_back("LOG: eSync_PBX_wins");
                    dropFirst = !(a >= 1 && a <= 3);
                } else {
                    log.push_back("LOG: eSync_PC_wins");
                    dropFirst = !(a >= 4 && a <= 6);
                }
                list.erase(list.begin() + static_cast<long>(dropFirst ? i : j));
            }
        }
        if (!found) break;
    }
    log.push_back("LOG: <<< ResolveConflicts");
    return log;
}

class ConflictResolutionTest : public testing::Test {
protected:
    void SetUp() override {
        SetLogsFolder(MakeTempDir("logs"));
        SetDetailedLogging(true);
    }
    std::vector<std::string> TakeLog() {
        auto lines = LogLines(DetailedLogFilePath().string());
        std::filesystem::remove(DetailedLogFilePath());
        return lines;
    }
};

TEST_F(ConflictResolutionTest, RandomLists_SameSurvivorsAndLogAsThePlainPasses) {
    std::mt19937 rng(7);
    for (int round = 0; round < 400; ++round) {
        const int n = static_cast<int>(rng() % 30);
        const int keys = 1 + static_cast<int>(rng() % 8);
        TContactList mine, reference;
        for (int i = 0; i < n; ++i) {
            if (rng() % 17 == 0) {
                mine.push_back(nullptr);
                reference.push_back(nullptr);
                continue;
            }
            TContact c;
            c.displayName = "action " + std::to_string(i);
            const int k = static_cast<int>(rng() % (keys + 1));
            c.entryId = k == 0 ? "" : "E" + std::to_string(k);
            c.action = 1 + static_cast<int32_t>(rng() % 6);
            mine.push_back(std::make_unique<TContact>(c));
            reference.push_back(std::make_unique<TContact>(c));
        }
        const int rule = static_cast<int>(rng() % 2);
        Tctrl ctrl;
        ctrl.conflictResolution = rule;
        ctrl.actionList = std::move(mine);
        ResolveConflicts(ctrl);
        const auto expectedLog = ReferenceResolve(reference, rule);
        ASSERT_EQ(expectedLog, TakeLog()) << "round " << round;
        ASSERT_EQ(reference.size(), ctrl.actionList.size()) << "round " << round;
        for (std::size_t i = 0; i < reference.size(); ++i) {
            ASSERT_EQ(reference[i] == nullptr, ctrl.actionList[i] == nullptr);
            if (reference[i]) {
                ASSERT_EQ(reference[i]->displayName, ctrl.actionList[i]->displayName)
                    << "round " << round;
            }
        }
    }
}

TEST_F(ConflictResolutionTest, InvalidRule_LogsEachPairOnceKeepsBothAndEnds) {
    Tctrl ctrl;
    ctrl.conflictResolution = 2;
    for (auto [entry, action] : {std::pair{"E1", eAmendInPartner},
                                 {"E2", eDelInPartner},
                                 {"E1", eAmendInPBX},
                                 {"", eAddInPBX},
                                 {"", eAddInPartner}}) {
        auto c = std::make_unique<TContact>();
        c->entryId = entry;
        c->action = action;
        ctrl.actionList.push_back(std::move(c));
    }
    ResolveConflicts(ctrl);
    EXPECT_EQ(5u, ctrl.actionList.size());
    EXPECT_THAT(TakeLog(),
                ElementsAre("LOG: >>> ResolveConflicts", "LOG: : actionList->Count 5",
                            "LOG: Resolving conflict between 0 and 2",
                            "ERR: Invalid Conflict Resolution Setting", "ERR: NULL del_ct",
                            "LOG: : actionList->Count 5", "LOG: <<< ResolveConflicts"));
}

TEST_F(ConflictResolutionTest, ManyConflicts_ResolvedWithoutRescanning) {
    // Every contact amended on both sides: 20,000 actions, 10,000 conflicts. The plain passes
    // would take hours here.
    Tctrl ctrl;
    ctrl.conflictResolution = eSync_PC_wins;
    for (int side = 0; side < 2; ++side) {
        for (int i = 0; i < 10000; ++i) {
            auto c = std::make_unique<TContact>();
            c->entryId = "E" + std::to_string(i);
            c->action = side == 0 ? eAmendInPartner : eAmendInPBX;
            ctrl.actionList.push_back(std::move(c));
        }
    }
    SetDetailedLogging(false);
    ResolveConflicts(ctrl);
    ASSERT_EQ(10000u, ctrl.actionList.size());
    for (const auto& a : ctrl.actionList) ASSERT_EQ(eAmendInPartner, a->action);
}

}  // namespace
}  // namespace korvi::test
