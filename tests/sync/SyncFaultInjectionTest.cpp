// A sync interrupted anywhere must not spoil the next one: fail the k-th PBX request (or the
// k-th partner update, or cancel there) for every k of a sync with adds, amends and deletes on
// both sides; one clean run afterwards must leave both sides and the sync list exactly as a
// sync that was never interrupted leaves them.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sync/PartnerSlots.h"

#include "app/Log.h"
#include "common/TestEnv.h"
#include "sync/MemoryPartnerStore.h"
#include "sync/SyncDriver.h"
#include "sync/SyncTestSupport.h"
#include "sync/SyncWorldFactories.h"

namespace korvi::test {
namespace {

const std::vector<std::string> kStart = {
    "Anna Lee: Mob=0170 111", "Ben Ode: Bus1=030 222",   "Cleo Park: Home1=040 333",
    "Dan Roe: Mob=0171 444",  "Eve Sand: Other=050 555",
};

void Edit(SyncWorld& w) {
    w.PbxAdd("Gil Vance: Mob=0173 888");
    w.PbxAdd("Ida Ames: Bus2=030 999");
    w.PbxAmend("Anna Lee", "Anna Lee: Mob=0170 112, Home1=040 112");
    w.PbxDelete("Ben Ode");
    w.PartnerAdd("Hal Wynn: Home2=040 999");
    w.PartnerAmend("Cleo Park", "Cleo Park: Home1=040 334");
    w.PartnerDelete("Dan Roe");
}

struct Outcome {
    std::vector<std::string> pbx, partner, syncList;
};

// Both sides linked by a clean first sync, then edited; the world is ready for the sync under
// test.
std::unique_ptr<SyncWorld> Prepared(const WorldFactory& f, SyncDriver*& driverOut,
                                    std::unique_ptr<SyncDriver>& driver) {
    auto world = f.make();
    if (!world) return nullptr;
    for (const auto& s : kStart) {
        world->PbxAdd(s);
        world->PartnerAdd(s);
    }
    driver = std::make_unique<SyncDriver>(*world);
    driverOut = driver.get();
    EXPECT_EQ(0, driver->Sync()) << driver->ctrl.resultText();
    Edit(*world);
    return world;
}

Outcome Read(SyncWorld& w, SyncDriver& d) {
    return {Canon(w.PbxState()), Canon(w.PartnerState()), d.SyncList()};
}

void ExpectHealed(SyncWorld& world, SyncDriver& d, const Outcome& reference,
                  const std::string& where) {
    world.FailPbxRequest(0);
    EXPECT_EQ(0, d.Sync()) << where << ": " << d.ctrl.resultText();
    const Outcome got = Read(world, d);
    EXPECT_EQ(reference.pbx, got.pbx) << where << ": PBX";
    EXPECT_EQ(reference.partner, got.partner) << where << ": partner";
    EXPECT_EQ(reference.syncList, got.syncList) << where << ": sync list";
}

struct FaultParam {
    WorldFactory world;
    SyncWorld::PbxFault how;
    const char* name;
};

void PrintTo(const FaultParam& p, std::ostream* os) { *os << p.world.name << " " << p.name; }

class SyncFaultInjectionTest : public testing::TestWithParam<FaultParam> {
protected:
    void SetUp() override { SetLogsFolder(MakeTempDir("logs")); }

    // The outcome of the uninterrupted sync and the number of PBX requests it makes.
    bool Reference(Outcome& out, int& requests) {
        std::unique_ptr<SyncDriver> driver;
        SyncDriver* d = nullptr;
        auto world = Prepared(GetParam().world, d, driver);
        if (!world) return false;
        const int before = world->PbxRequests();
        EXPECT_EQ(0, d->Sync()) << d->ctrl.resultText();
        requests = world->PbxRequests() - before;
        out = Read(*world, *d);
        return true;
    }
};

TEST_P(SyncFaultInjectionTest, FailedPbxRequestAtEveryIndex_NextSyncHeals) {
    Outcome reference;
    int requests = 0;
    if (!Reference(reference, requests)) GTEST_SKIP() << "world not available";
    ASSERT_GT(requests, 5);
    for (int k = 1; k <= requests; ++k) {
        std::unique_ptr<SyncDriver> driver;
        SyncDriver* d = nullptr;
        auto world = Prepared(GetParam().world, d, driver);
        world->FailPbxRequest(k, GetParam().how);
        const int code = d->Sync();
        EXPECT_NE(0, code) << "request " << k << " failed, yet the sync reported success";
        ExpectHealed(*world, *d, reference, "request " + std::to_string(k));
        if (HasFailure()) break;
    }
}

// Answers every similar-contact question with one choice, however often it is asked.
class FixedChoicePrompt final : public Prompt {
public:
    explicit FixedChoicePrompt(int choice) : m_choice(choice) {}
    int Ask(const Question& q) override {
        EXPECT_EQ("similar-contact", q.id);
        return m_choice;
    }

private:
    int m_choice;
};

// The PBX side as the partner holds it: a store that keeps numbers by kind shows a lone second
// number of a kind as the first one.
std::vector<std::string> PbxAsPartnerHolds(SyncWorld& world) {
    const PartnerSlots slots = world.partnerSlots();
    std::vector<TContact> held;
    for (const auto& c : world.PbxState()) {
        TContact h = c;
        TNumberList dropped;
        if (slots.ByKind()) SplitForPartner(c, slots, h, dropped);
        held.push_back(std::move(h));
    }
    return Canon(held);
}

// What a sync after a whole-side copy that stopped anywhere must leave: both sides alike, no
// contact twice on a side, and every contact of the copy's source there - unless the copy had
// changed nothing yet and the sync ran as an ordinary one against the kept sync list (then its
// outcome is the uninterrupted ordinary sync's, deletions the user made included). A copy that
// had started has removed the target's sync list, so that sync matches by name; the similar
// contacts it asks about get the copy's source's version. One more sync has nothing to do.
void ExpectNothingLostNothingDoubled(SyncWorld& world, SyncDriver& d, int direction,
                                     const std::vector<std::string>& source,
                                     const Outcome& ordinary, const std::string& where) {
    FixedChoicePrompt prompt(direction == eSyncDir_ReplacePbx ? kUsePartner : kUsePbx);
    d.ctrl.SetPrompt(&prompt);
    EXPECT_EQ(0, d.Sync()) << where << ": " << d.ctrl.resultText();
    const Outcome got = Read(world, d);
    EXPECT_EQ(PbxAsPartnerHolds(world), got.partner) << where << ": the sides differ";
    const auto names = [](const std::vector<std::string>& canon) {
        std::multiset<std::string> out;
        for (const auto& c : canon) out.insert(c.substr(0, c.find('|', c.find('|') + 1)));
        return out;
    };
    const auto onPbx = names(got.pbx);
    for (const auto& n : onPbx) EXPECT_EQ(1u, onPbx.count(n)) << where << ": " << n << " twice";
    if (got.pbx != ordinary.pbx || got.syncList != ordinary.syncList) {
        for (const auto& n : names(source)) {
            EXPECT_EQ(1u, onPbx.count(n)) << where << ": " << n << " lost";
        }
    }
    EXPECT_EQ(0, d.Sync()) << where << ": " << d.ctrl.resultText();
    EXPECT_EQ(0, d.ctrl.pbxUpdates + d.ctrl.partnerUpdates) << where << ": not settled";
    d.ctrl.SetPrompt(&d.prompt);
}

// A whole-side copy failed at every PBX request of it.
TEST_P(SyncFaultInjectionTest, ReplaceFailedAtEveryIndex_NextSyncLosesAndDoublesNothing) {
    Outcome ordinary;
    {
        std::unique_ptr<SyncDriver> driver;
        SyncDriver* d = nullptr;
        auto world = Prepared(GetParam().world, d, driver);
        if (!world) GTEST_SKIP() << "world not available";
        ASSERT_EQ(0, d->Sync()) << d->ctrl.resultText();
        ordinary = Read(*world, *d);
    }
    for (const int direction : {eSyncDir_ReplacePbx, eSyncDir_ReplacePartner}) {
        int requests = 0;
        {
            std::unique_ptr<SyncDriver> driver;
            SyncDriver* d = nullptr;
            auto world = Prepared(GetParam().world, d, driver);
            const int before = world->PbxRequests();
            ASSERT_EQ(0, d->Sync(direction)) << d->ctrl.resultText();
            requests = world->PbxRequests() - before;
        }
        ASSERT_GT(requests, 0);
        for (int k = 1; k <= requests; ++k) {
            const std::string where = "direction " + std::to_string(direction) +
                                      " failed at request " + std::to_string(k);
            std::unique_ptr<SyncDriver> driver;
            SyncDriver* d = nullptr;
            auto world = Prepared(GetParam().world, d, driver);
            const auto source =
                Canon(direction == eSyncDir_ReplacePbx ? world->PartnerState() : world->PbxState());
            world->FailPbxRequest(k, GetParam().how);
            EXPECT_NE(0, d->Sync(direction)) << where;
            world->FailPbxRequest(0);
            ExpectNothingLostNothingDoubled(*world, *d, direction, source, ordinary, where);
            if (HasFailure()) return;
        }
    }
}

// An interrupted first-time sync: afterwards the pair is either still unlinked (nothing was
// applied, the next sync is a first-time sync again) or linked by what was applied; either
// way the user's choices must come out as an uninterrupted run makes them.
TEST_P(SyncFaultInjectionTest, FirstTimeSyncFailedAtEveryIndex_NextSyncHeals) {
    const std::vector<std::string> pbx = {"Anna Lee: Mob=0170 111", "Ben Ode: Bus1=030 222",
                                          "Jon Smith: Mob=0172 777", "Kai Ulm: Mob=0175 1"};
    const std::vector<std::string> partner = {"Ben Ode: Bus1=030 222", "John Smith: Mob=0172 777",
                                              "Cleo Park: Home1=040 333", "Kai Ulm: Mob=0175 2"};
    for (int choice : {kUsePbx, kUsePartner, kRetainBoth}) {
        FixedChoicePrompt prompt(choice);
        auto setUp = [&](std::unique_ptr<SyncDriver>& driver) {
            auto world = GetParam().world.make();
            if (!world) return world;
            for (const auto& c : pbx) world->PbxAdd(c);
            for (const auto& c : partner) world->PartnerAdd(c);
            driver = std::make_unique<SyncDriver>(*world);
            driver->ctrl.SetPrompt(&prompt);
            return world;
        };
        std::unique_ptr<SyncDriver> refDriver;
        auto refWorld = setUp(refDriver);
        if (!refWorld) GTEST_SKIP() << "world not available";
        const int before = refWorld->PbxRequests();
        ASSERT_EQ(0, refDriver->Sync()) << refDriver->ctrl.resultText();
        const int requests = refWorld->PbxRequests() - before;
        const Outcome reference = Read(*refWorld, *refDriver);

        for (int k = 1; k <= requests; ++k) {
            const std::string where =
                "choice " + std::to_string(choice) + ", request " + std::to_string(k);
            std::unique_ptr<SyncDriver> d;
            auto world = setUp(d);
            world->FailPbxRequest(k, GetParam().how);
            EXPECT_NE(0, d->Sync()) << where;
            ExpectHealed(*world, *d, reference, where);
            if (HasFailure()) return;
        }
    }
}

// The partner side and a cancel, on the in-memory world where they can be injected exactly.
class SyncInterruptionTest : public testing::Test {
protected:
    void SetUp() override { SetLogsFolder(MakeTempDir("logs")); }
};

TEST_F(SyncInterruptionTest, FailedOrThrowingPartnerUpdateOrCancelAtEveryIndex_NextSyncHeals) {
    const WorldFactory memory{"Memory", [] { return MakeMemoryWorld(); }};
    std::unique_ptr<SyncDriver> refDriver;
    SyncDriver* rd = nullptr;
    auto refWorld = Prepared(memory, rd, refDriver);
    auto& refPartner = dynamic_cast<MemoryPartnerStore&>(refWorld->partner());
    const int updatesBefore = refPartner.updateCalls();
    ASSERT_EQ(0, rd->Sync());
    const int updates = refPartner.updateCalls() - updatesBefore;
    const Outcome reference = Read(*refWorld, *rd);
    ASSERT_GE(updates, 3);

    enum Mode { kFail, kThrow, kCancel };
    for (Mode mode : {kFail, kThrow, kCancel}) {
        for (int k = 1; k <= updates; ++k) {
            std::unique_ptr<SyncDriver> driver;
            SyncDriver* d = nullptr;
            auto world = Prepared(memory, d, driver);
            auto& partner = dynamic_cast<MemoryPartnerStore&>(world->partner());
            const std::string where = std::string(mode == kFail    ? "failed"
                                                  : mode == kThrow ? "thrown"
                                                                   : "cancelled") +
                                      " at " + std::to_string(k);
            const int first = partner.updateCalls();
            if (mode == kCancel) {
                // The cancel arrives while the k-th partner update is being applied.
                partner.SetUpdateFilter([d, first, k](int, const TContact&, int call) {
                    if (call - first == k) d->stop = true;
                    return 0;
                });
            } else {
                partner.SetUpdateFilter([first, k, mode](int, const TContact&, int call) {
                    if (call - first != k) return 0;
                    if (mode == kThrow) throw std::runtime_error("store broke");
                    return -1;
                });
            }
            const int code = d->Sync();
            if (mode == kCancel) {
                EXPECT_EQ(kResultCancelled, code) << where;
            } else if (mode == kThrow) {
                EXPECT_EQ(kResultNoSyncFile, code) << where;
                EXPECT_EQ("store broke", d->ctrl.resultText()) << where;
            } else {
                EXPECT_EQ(-1, code) << where;
                EXPECT_NE(std::string::npos,
                          d->ctrl.resultText().find("(1 update in Outlook failed)"))
                    << where << ": " << d->ctrl.resultText();
            }
            EXPECT_FALSE(partner.open()) << where << ": folder left open";
            partner.SetUpdateFilter({});
            ExpectHealed(*world, *d, reference, where);
            if (HasFailure()) return;
        }
    }
}

// The partner side of a replace, and a cancel, where they can be injected exactly: the k-th
// item the partner store writes fails, or the user cancels there, or the user cancels at the
// k-th PBX request of a replace-pbx.
TEST_F(SyncInterruptionTest, ReplaceInterruptedAtEveryWrite_NextSyncLosesAndDoublesNothing) {
    const WorldFactory memory{"Memory", [] { return MakeMemoryWorld(); }};
    Outcome ordinary;
    {
        std::unique_ptr<SyncDriver> driver;
        SyncDriver* d = nullptr;
        auto world = Prepared(memory, d, driver);
        ASSERT_EQ(0, d->Sync()) << d->ctrl.resultText();
        ordinary = Read(*world, *d);
    }
    for (const int direction : {eSyncDir_ReplacePartner, eSyncDir_ReplacePbx}) {
        int writes = 0;
        {
            std::unique_ptr<SyncDriver> driver;
            SyncDriver* d = nullptr;
            auto world = Prepared(memory, d, driver);
            const int before = world->PbxRequests();
            ASSERT_EQ(0, d->Sync(direction)) << d->ctrl.resultText();
            writes = direction == eSyncDir_ReplacePartner
                         ? static_cast<int>(world->PartnerState().size())
                         : world->PbxRequests() - before;
        }
        for (const bool cancel : {false, true}) {
            if (direction == eSyncDir_ReplacePbx && !cancel) continue;  // the test above
            for (int k = 1; k <= writes; ++k) {
                const std::string where = std::string(cancel ? "cancelled" : "failed") +
                                          " at write " + std::to_string(k) + " of direction " +
                                          std::to_string(direction);
                std::unique_ptr<SyncDriver> driver;
                SyncDriver* d = nullptr;
                auto world = Prepared(memory, d, driver);
                const auto source = Canon(direction == eSyncDir_ReplacePbx ? world->PartnerState()
                                                                           : world->PbxState());
                auto& partner = dynamic_cast<MemoryPartnerStore&>(world->partner());
                if (direction == eSyncDir_ReplacePartner) {
                    partner.SetSaveFilter([d, k, cancel](int item) {
                        if (item != k) return 0;
                        if (!cancel) return -1;
                        d->stop = true;
                        return 0;
                    });
                } else {
                    ASSERT_TRUE(world->StopAtPbxRequest(k, d->stop));
                }
                // A cancel that arrives with the last write comes too late to stop anything.
                const int code = d->Sync(direction);
                if (!cancel || k < writes) {
                    EXPECT_NE(0, code) << where;
                }
                partner.SetSaveFilter({});
                world->FailPbxRequest(0);
                ExpectNothingLostNothingDoubled(*world, *d, direction, source, ordinary, where);
                if (HasFailure()) return;
            }
        }
    }
}

std::vector<FaultParam> AllFaults() {
    std::vector<FaultParam> out;
    for (const auto& w : WorldFactories()) {
        out.push_back({w, SyncWorld::PbxFault::kHttp500, "Http500"});
        // In memory a dropped connection is no different from any other failed request.
        if (std::string(w.name) != "Memory") {
            out.push_back({w, SyncWorld::PbxFault::kDropped, "Dropped"});
        }
        out.push_back({w, SyncWorld::PbxFault::kFaultFromThenOn, "FaultFromThenOn"});
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(Sync, SyncFaultInjectionTest, testing::ValuesIn(AllFaults()),
                         [](const auto& info) {
                             return std::string(info.param.world.name) + "_" + info.param.name;
                         });

}  // namespace
}  // namespace korvi::test
