// The sync with the cloud partner beyond the shared scenario table: the group's way of holding
// numbers by kind (a lone second home number is its first, a second mobile is not kept, an
// internal number never goes there), and a failure at every request to the service.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Log.h"
#include "app/TextIds.h"
#include "app/Texts.h"
#include "common/TestEnv.h"
#include "sync/CloudWorld.h"
#include "sync/SyncDriver.h"
#include "sync/SyncTestSupport.h"

namespace korvi::test {
namespace {

class CloudSyncTest : public testing::Test {
protected:
    void SetUp() override {
        SetLogsFolder(MakeTempDir("logs"));
        m_world = MakeCloudWorld();
        ASSERT_TRUE(m_world) << "the emulator did not start";
        m_driver = std::make_unique<SyncDriver>(*m_world);
    }

    void ExpectSides(const std::vector<std::string>& pbx, const std::vector<std::string>& cloud) {
        EXPECT_EQ(CanonSpecs(pbx), Canon(m_world->PbxState())) << "PBX";
        EXPECT_EQ(CanonSpecs(cloud), Canon(m_world->PartnerState())) << "cloud";
    }
    // A second sync has nothing left to do.
    void ExpectSettled() {
        EXPECT_EQ(0, m_driver->Sync()) << m_driver->ctrl.resultText();
        EXPECT_EQ(0, m_driver->ctrl.pbxUpdates + m_driver->ctrl.partnerUpdates) << "second run";
    }

    std::unique_ptr<CloudWorld> m_world;
    std::unique_ptr<SyncDriver> m_driver;
};

TEST_F(CloudSyncTest, SecondNumbersOfAKind_AreTheGroupsFirstOnes) {
    // A lone Home2 and Bus2 go to the group as its home and work numbers, and stay Home2 and
    // Bus2 in the PBX: no change is seen afterwards.
    m_world->PbxAdd("Ann Lee: Home2=040 1, Bus2=030 1");
    ASSERT_EQ(0, m_driver->Sync()) << m_driver->ctrl.resultText();
    ExpectSides({"Ann Lee: Home2=040 1, Bus2=030 1"}, {"Ann Lee: Home1=040 1, Bus1=030 1"});
    ExpectSettled();

    // A home number added in the group as a second one.
    m_world->PartnerAmend("Ann Lee", "Ann Lee: Home1=040 1, Home2=040 2, Bus1=030 1");
    ASSERT_EQ(0, m_driver->Sync()) << m_driver->ctrl.resultText();
    EXPECT_EQ(1, m_driver->ctrl.pbxAmends);
    ExpectSides({"Ann Lee: Home1=040 1, Home2=040 2, Bus1=030 1"},
                {"Ann Lee: Home1=040 1, Home2=040 2, Bus1=030 1"});
    ExpectSettled();

    // Added in the group: a contact has no Home2 there, only home numbers.
    m_world->PartnerAdd("Hal Wynn: Home2=040 9");
    ASSERT_EQ(0, m_driver->Sync()) << m_driver->ctrl.resultText();
    ExpectSides({"Ann Lee: Home1=040 1, Home2=040 2, Bus1=030 1", "Hal Wynn: Home1=040 9"},
                {"Ann Lee: Home1=040 1, Home2=040 2, Bus1=030 1", "Hal Wynn: Home1=040 9"});
}

TEST_F(CloudSyncTest, NumbersTheGroupCannotHold_StayInThePbxThroughAnAmend) {
    m_world->PbxAdd("Kai Ulm: Mob=0175 1, Mob=0175 2, Int=221");
    ASSERT_EQ(0, m_driver->Sync()) << m_driver->ctrl.resultText();
    // The group shows the first mobile (the second is written too, but not read: every load
    // says so with -12); the internal number is not sent.
    EXPECT_EQ(CanonSpecs({"Kai Ulm: Mob=0175 1"}), Canon(m_world->PartnerState()));
    m_world->PartnerAmend("Kai Ulm", "Kai Ulm: Mob=0175 9");
    EXPECT_EQ(kResultGmailNumbersSkipped, m_driver->Sync()) << m_driver->ctrl.resultText();
    EXPECT_EQ(1, m_driver->ctrl.pbxAmends);
    ExpectSides({"Kai Ulm: Mob=0175 9, Mob=0175 2, Int=221"}, {"Kai Ulm: Mob=0175 9"});
    EXPECT_EQ(kResultGmailNumbersSkipped, m_driver->Sync());
    EXPECT_EQ(0, m_driver->ctrl.pbxUpdates + m_driver->ctrl.partnerUpdates) << "second run";
}

TEST_F(CloudSyncTest, FirstTimeWithTheGroupsFirstMobile_LinkedWithoutQuestion) {
    m_world->PbxAdd("Lia Moss: Mob=0176 1, Mob=0176 2");
    m_world->PartnerAdd("Lia Moss: Mob=0176 1");
    ASSERT_EQ(0, m_driver->Sync()) << m_driver->ctrl.resultText();
    EXPECT_EQ(0, m_driver->ctrl.pbxUpdates + m_driver->ctrl.partnerUpdates);
    ExpectSides({"Lia Moss: Mob=0176 1, Mob=0176 2"}, {"Lia Moss: Mob=0176 1"});
    ExpectSettled();
}

TEST_F(CloudSyncTest, NumbersTheGroupCannotRead_SyncSucceedsWithMinus12WithoutText) {
    m_world->PbxAdd("Ann Lee: Mob=0170 1");
    ASSERT_EQ(0, m_driver->Sync()) << m_driver->ctrl.resultText();
    // Three home numbers: the third is not read, the sync says so and still links the rest.
    m_world->PartnerAdd("Hal Wynn: Home1=040 1, Home2=040 2, Home1=040 3");
    EXPECT_EQ(kResultGmailNumbersSkipped, m_driver->Sync());
    EXPECT_EQ("", m_driver->ctrl.resultText());
    EXPECT_EQ(1, m_driver->ctrl.pbxAdds);
    ExpectSides({"Ann Lee: Mob=0170 1", "Hal Wynn: Home1=040 1, Home2=040 2"},
                {"Ann Lee: Mob=0170 1", "Hal Wynn: Home1=040 1, Home2=040 2"});
    EXPECT_TRUE(m_driver->SyncFileExists());
}

TEST_F(CloudSyncTest, LoginFirst_AFailedLoginEndsTheSyncBeforeAnythingIsRead) {
    m_world->PbxAdd("Ann Lee: Mob=0170 1");
    m_driver->ctrl.gmailPassword = "not-the-password";
    EXPECT_EQ(kResultGmailFailure, m_driver->Sync());
    EXPECT_EQ(Text(kTextGmailLoginFailed) + " HTTP/1.1 403 Forbidden", m_driver->ctrl.resultText());
    EXPECT_FALSE(m_driver->SyncFileExists());
    EXPECT_TRUE(m_world->PartnerState().empty());
}

// ---- A failure at every request to the service ----

const std::vector<std::string> kStart = {
    "Anna Lee: Mob=0170 111", "Ben Ode: Bus1=030 222",   "Cleo Park: Home1=040 333",
    "Dan Roe: Mob=0171 444",  "Eve Sand: Other=050 555",
};

void Edit(SyncWorld& w) {
    w.PbxAdd("Gil Vance: Mob=0173 888");
    w.PbxAmend("Anna Lee", "Anna Lee: Mob=0170 112, Home1=040 112");
    w.PbxDelete("Ben Ode");
    w.PartnerAdd("Hal Wynn: Home1=040 999");
    w.PartnerAmend("Cleo Park", "Cleo Park: Home1=040 334");
    w.PartnerDelete("Dan Roe");
}

struct Outcome {
    std::vector<std::string> pbx, cloud, syncList;
    bool operator==(const Outcome&) const = default;
};

struct Prepared {
    std::unique_ptr<CloudWorld> world;
    std::unique_ptr<SyncDriver> driver;
};

// Both sides linked by a clean first sync, then edited on both sides.
Prepared Prepare() {
    Prepared p;
    p.world = MakeCloudWorld();
    if (!p.world) return p;
    for (const auto& s : kStart) {
        p.world->PbxAdd(s);
        p.world->PartnerAdd(s);
    }
    p.driver = std::make_unique<SyncDriver>(*p.world);
    EXPECT_EQ(0, p.driver->Sync()) << p.driver->ctrl.resultText();
    Edit(*p.world);
    return p;
}

Outcome Read(Prepared& p) {
    return {Canon(p.world->PbxState()), Canon(p.world->PartnerState()), p.driver->SyncList()};
}

class CloudFaultTest : public testing::TestWithParam<CloudWorld::CloudFault> {
protected:
    void SetUp() override { SetLogsFolder(MakeTempDir("logs")); }
};

TEST_P(CloudFaultTest, FailedRequestAtEveryIndex_EndsClearlyAndTheNextSyncHeals) {
    Prepared ref = Prepare();
    ASSERT_TRUE(ref.world);
    const int before = ref.world->CloudRequests();
    ASSERT_EQ(0, ref.driver->Sync()) << ref.driver->ctrl.resultText();
    const int requests = ref.world->CloudRequests() - before;
    const Outcome reference = Read(ref);
    ASSERT_EQ(requests, 6) << "a read, an add, an amend (read, write), a delete (read, delete)";

    for (int k = 1; k <= requests; ++k) {
        const std::string where = "request " + std::to_string(k);
        Prepared p = Prepare();
        ASSERT_TRUE(p.world);
        p.world->FailCloudRequest(k, GetParam());
        const int code = p.driver->Sync();
        // A dropped read may be sent again on a fresh connection and succeed: then the sync is
        // simply done. A failure says so, and the next sync finishes the job.
        if (code != 0) {
            EXPECT_FALSE(p.driver->ctrl.resultText().empty()) << where;
            p.world->FailCloudRequest(0);
            EXPECT_EQ(0, p.driver->Sync()) << where << ": " << p.driver->ctrl.resultText();
        } else {
            EXPECT_EQ(GetParam(), CloudWorld::CloudFault::kDropped) << where << " succeeded";
        }
        EXPECT_EQ(reference, Read(p)) << where;
        if (HasFailure()) break;
    }
}

INSTANTIATE_TEST_SUITE_P(Cloud, CloudFaultTest,
                         testing::Values(CloudWorld::CloudFault::kHttp500,
                                         CloudWorld::CloudFault::kDropped),
                         [](const auto& info) {
                             return info.param == CloudWorld::CloudFault::kHttp500 ? "Http500"
                                                                                   : "Dropped";
                         });

}  // namespace
}  // namespace korvi::test
