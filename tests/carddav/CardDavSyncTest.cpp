// The sync with an address book server beyond the scenario table: the server stopped at
// every request of a sync (before the request, or after carrying it out without answering),
// then a clean sync that must end exactly as an uninterrupted one; and another CardDAV client
// (vdirsyncer) on the same address book.
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Log.h"
#include "carddav/CardDavWorld.h"
#include "carddav/SharedRadicale.h"
#include "common/TestEnv.h"
#include "net/CurlTransport.h"
#include "sync/SyncDriver.h"
#include "sync/SyncTestSupport.h"

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

// Stops the server at the k-th request it carries: before the request goes out (it then
// finds no server), or after the server carried it out, with the answer lost.
class StoppingTransport final : public net::HttpTransport {
public:
    enum class When { kBefore, kAfterCarriedOut };

    explicit StoppingTransport(const CardDavSettings& settings) : m_inner(Options(settings)) {}

    net::HttpResponse Send(const net::HttpRequest& request) override {
        ++m_count;
        RadicaleServer* server = Server();
        if (m_count == m_stopAt && m_when == When::kBefore && server) server->Stop();
        net::HttpResponse r = m_inner.Send(request);
        if (m_count == m_stopAt && m_when == When::kAfterCarriedOut && server) {
            server->Stop();
            r = net::HttpResponse{};
            r.curlCode = 52;
            r.error = "Server returned nothing (no headers, no data)";
        }
        return r;
    }

    void StopAt(int k, When when) {
        m_stopAt = m_count + k;
        m_when = when;
    }
    int count() const { return m_count; }

private:
    static net::CurlTransportOptions Options(const CardDavSettings& settings) {
        net::CurlTransportOptions o;
        o.caFile = settings.caFile;
        return o;
    }
    static RadicaleServer* Server() {
        std::string whyNot;
        return SharedRadicale(whyNot);
    }

    net::CurlTransport m_inner;
    int m_count = 0;
    int m_stopAt = 0;
    When m_when = When::kBefore;
};

struct Outcome {
    std::vector<std::string> pbx, partner, syncList;
};

struct Prepared {
    std::unique_ptr<CardDavWorld> world;
    std::unique_ptr<SyncDriver> driver;
    StoppingTransport* transport = nullptr;
};

// Both sides linked by a clean first sync, then edited.
Prepared Prepare() {
    Prepared p;
    auto transport = std::make_shared<StoppingTransport*>(nullptr);
    p.world = MakeCardDavWorld([transport](const CardDavSettings& s) {
        auto t = std::make_unique<StoppingTransport>(s);
        *transport = t.get();
        return t;
    });
    if (!p.world) return p;
    for (const auto& s : kStart) {
        p.world->PbxAdd(s);
        p.world->PartnerAdd(s);
    }
    p.driver = std::make_unique<SyncDriver>(*p.world);
    EXPECT_EQ(0, p.driver->Sync()) << p.driver->ctrl.resultText();
    Edit(*p.world);
    p.transport = *transport;
    return p;
}

Outcome Read(SyncWorld& w, SyncDriver& d) {
    return {Canon(w.PbxState()), Canon(w.PartnerState()), d.SyncList()};
}

class CardDavServerStopTest : public testing::TestWithParam<StoppingTransport::When> {
protected:
    void SetUp() override {
        SetLogsFolder(MakeTempDir("logs"));
        SetDetailedLogging(true);
    }
};

TEST_P(CardDavServerStopTest, StoppedAtEveryRequest_NextSyncEndsAsAnUninterruptedOne) {
    Prepared ref = Prepare();
    ASSERT_TRUE(ref.world && ref.transport);
    const int before = ref.transport->count();
    ASSERT_EQ(0, ref.driver->Sync()) << ref.driver->ctrl.resultText();
    const int requests = ref.transport->count() - before;
    const Outcome reference = Read(*ref.world, *ref.driver);
    ASSERT_GE(requests, 5) << "a sync with adds, amends and deletes on the server";

    std::string whyNot;
    RadicaleServer* server = SharedRadicale(whyNot);
    ASSERT_NE(nullptr, server) << whyNot;
    for (int k = 1; k <= requests; ++k) {
        const std::string where = "stopped at request " + std::to_string(k);
        Prepared p = Prepare();
        ASSERT_TRUE(p.world && p.transport) << where;
        p.transport->StopAt(k, GetParam());
        const int code = p.driver->Sync();
        EXPECT_NE(0, code) << where;
        EXPECT_FALSE(p.driver->ctrl.resultText().empty()) << where;
        std::string error;
        ASSERT_TRUE(server->Restart(error)) << error;
        EXPECT_EQ(0, p.driver->Sync()) << where << ": " << p.driver->ctrl.resultText();
        const Outcome got = Read(*p.world, *p.driver);
        EXPECT_EQ(reference.pbx, got.pbx) << where << ": PBX";
        EXPECT_EQ(reference.partner, got.partner) << where << ": address book";
        EXPECT_EQ(reference.syncList, got.syncList) << where << ": sync list";
        if (HasFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(CardDav, CardDavServerStopTest,
                         testing::Values(StoppingTransport::When::kBefore,
                                         StoppingTransport::When::kAfterCarriedOut),
                         [](const auto& info) {
                             return info.param == StoppingTransport::When::kBefore
                                        ? std::string("BeforeTheRequest")
                                        : std::string("AfterCarryingItOutUnanswered");
                         });

class CardDavInteropTest : public testing::Test {
protected:
    void SetUp() override { SetLogsFolder(MakeTempDir("logs")); }
};

std::vector<std::filesystem::path> CardFiles(const std::filesystem::path& dir) {
    std::vector<std::filesystem::path> out;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().extension() == ".vcf") out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

// Other CardDAV clients see the cards the sync writes, and their edits come back.
TEST_F(CardDavInteropTest, VdirsyncerSeesTheCardsAndItsEditsReachThePbx) {
    if (!ProgramOnPathForTest("vdirsyncer")) GTEST_SKIP() << "vdirsyncer is not installed";
    auto world = MakeCardDavWorld();
    ASSERT_TRUE(world);
    world->PbxAdd("Anna Lee: Mob=0170 111");
    world->PbxAdd("Ben Ode: Bus1=030 222");
    SyncDriver driver(*world);
    ASSERT_EQ(0, driver.Sync()) << driver.ctrl.resultText();

    const auto dir = MakeTempDir("vdirsyncer");
    std::filesystem::create_directories(dir / "local");
    const auto config = dir / "config";
    WriteFile(config,
              "[general]\nstatus_path = \"" + (dir / "status").string() +
                  "/\"\n\n[pair book]\na = \"local\"\nb = \"remote\"\ncollections = null\n\n"
                  "[storage local]\ntype = \"filesystem\"\npath = \"" +
                  (dir / "local").string() +
                  "/\"\nfileext = \".vcf\"\n\n[storage remote]\ntype = \"carddav\"\n"
                  "url = \"" +
                  world->collectionUrl() + "\"\nusername = \"" + RadicaleServer::kUser +
                  "\"\npassword = \"" + RadicaleServer::kPassword + "\"\n");
    auto vdirsyncer = [&](const std::string& command) {
        return RunForTest({"vdirsyncer", "-c", config.string(), command});
    };
    auto [discoverCode, discoverOut] = vdirsyncer("discover");
    ASSERT_EQ(0, discoverCode) << discoverOut;
    auto [syncCode, syncOut] = vdirsyncer("sync");
    ASSERT_EQ(0, syncCode) << syncOut;

    auto files = CardFiles(dir / "local");
    ASSERT_EQ(2u, files.size());
    std::string all;
    for (const auto& f : files) all += ReadFile(f);
    EXPECT_NE(std::string::npos, all.find("FN:Anna Lee")) << all;
    EXPECT_NE(std::string::npos, all.find("0170 111")) << all;
    EXPECT_NE(std::string::npos, all.find("FN:Ben Ode")) << all;

    // The other client's edits: a number changed in one card, a new card.
    for (const auto& f : files) {
        std::string text = ReadFile(f);
        const auto at = text.find("030 222");
        if (at == std::string::npos) continue;
        text.replace(at, 7, "030 333");
        WriteFile(f, text);
    }
    WriteFile(dir / "local" / "cleo.vcf",
              "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:cleo-from-vdirsyncer\r\nFN:Cleo Park\r\n"
              "N:Park;Cleo;;;\r\nTEL;TYPE=home:040 333\r\nEND:VCARD\r\n");
    std::tie(syncCode, syncOut) = vdirsyncer("sync");
    ASSERT_EQ(0, syncCode) << syncOut;

    ASSERT_EQ(0, driver.Sync()) << driver.ctrl.resultText();
    EXPECT_EQ(
        CanonSpecs({"Anna Lee: Mob=0170 111", "Ben Ode: Bus1=030 333", "Cleo Park: Home1=040 333"}),
        Canon(world->PbxState()));
    EXPECT_EQ(1, driver.ctrl.pbxAdds);
    EXPECT_EQ(1, driver.ctrl.pbxAmends);
}

}  // namespace
}  // namespace korvi::test
