// The sync with an address book server beyond the scenario table: the server stopped at
// every request of a sync (before the request, or after carrying it out without answering),
// then a clean sync that must end exactly as an uninterrupted one; and a sync that asks nothing
// more of a server once it stopped answering. Another CardDAV client on the same address book:
// CardDavCliTest.
#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Log.h"
#include "app/ResultCodes.h"
#include "carddav/CardDavWorld.h"
#include "carddav/SharedRadicale.h"
#include "common/TestEnv.h"
#include "net/CurlTransport.h"
#include "sync/DeletionWarning.h"
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
        m_methods.push_back(request.method);
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
    // The method of every request sent, in order.
    const std::vector<std::string>& methods() const { return m_methods; }

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
    std::vector<std::string> m_methods;
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
    // Requests from the first write on belong to the updates of the action list.
    const std::vector<std::string> methods(ref.transport->methods().begin() + before,
                                           ref.transport->methods().end());
    const int firstWrite = static_cast<int>(std::find_if(methods.begin(), methods.end(),
                                                         [](const std::string& m) {
                                                             return m == "PUT" || m == "DELETE";
                                                         }) -
                                            methods.begin()) +
                           1;
    ASSERT_LE(firstWrite, requests);

    std::string whyNot;
    RadicaleServer* server = SharedRadicale(whyNot);
    ASSERT_NE(nullptr, server) << whyNot;
    for (int k = 1; k <= requests; ++k) {
        const std::string where = "stopped at request " + std::to_string(k);
        Prepared p = Prepare();
        ASSERT_TRUE(p.world && p.transport) << where;
        p.transport->StopAt(k, GetParam());
        const int sent = p.transport->count();
        const int code = p.driver->Sync();
        // A server that stopped answering is asked nothing more: a load fails, and the
        // updates end at once with -9 instead of waiting for each remaining card in turn.
        EXPECT_EQ(k, p.transport->count() - sent) << where;
        EXPECT_EQ(k < firstWrite ? kResultLocalFailure : kResultNoSyncFile, code) << where;
        EXPECT_FALSE(p.driver->ctrl.resultText().empty()) << where;
        std::string error;
        ASSERT_TRUE(server->Restart(error)) << error;
        // The updates the stop left undone may add up to a deletion question: the user agrees,
        // as they would to deletions they made themselves.
        p.driver->prompt.AnswerWhenAsked(kQuestionPbxDeletes, kOk);
        p.driver->prompt.AnswerWhenAsked(kQuestionPartnerDeletes, kOk);
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

}  // namespace
}  // namespace korvi::test
