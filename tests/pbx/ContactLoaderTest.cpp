// Loading a phonebook over several connections at once: the outcome must be the one a load over
// a single connection gives (contacts, order, result code, text, log lines), whatever fails
// and whenever the user cancels, also on a PBX that serves one connection at a time.
#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "PbxSimulator.h"
#include "app/Log.h"
#include "app/Texts.h"
#include "common/ResultTesting.h"
#include "common/TestEnv.h"
#include "net/RawHttpServer.h"
#include "pbx/CurlHttpClient.h"
#include "pbx/Tpbx.h"
#include "pbx/soap/SoapServerEnvelope.h"

namespace korvi {
namespace {

constexpr int32_t kDesk = 101;
constexpr int kParallel = 4;

struct LoadResult {
    int code = 0;
    std::string text;
    TContactList list;
    std::vector<std::string> logLines;  // this load's "LoadContacts" lines, without time stamps
};

// Checks what a progress display would show: positions and contact numbers never go back, and
// the last report is the last contact at 100. Optionally cancels, as a user pressing Cancel
// once the display reaches a contact number.
class WatchingProgress final : public Progress {
public:
    explicit WatchingProgress(StopFlag* stop = nullptr, long long cancelAt = 0)
        : m_stop(stop), m_cancelAt(cancelAt) {}

    void SetProgress(int, int, int) override {}
    void SetProgressText(const std::string& text, int position) override {
        std::lock_guard lock(m_mutex);
        EXPECT_GE(position, m_position) << text;
        m_position = position;
        long long number = 0;
        if (std::sscanf(text.c_str(), "Retrieving Contact %lld of", &number) != 1) return;
        EXPECT_GT(number, m_number) << text;
        m_number = number;
        if (m_stop != nullptr && m_cancelAt > 0 && number >= m_cancelAt && !m_stop->load()) {
            m_cancelledAt = number;
            *m_stop = true;
        }
    }

    long long lastNumber() const { return m_number; }
    int lastPosition() const { return m_position; }
    long long cancelledAt() const { return m_cancelledAt; }

private:
    std::mutex m_mutex;
    StopFlag* m_stop;
    long long m_cancelAt;
    int m_position = 0;
    long long m_number = 0;
    long long m_cancelledAt = 0;
};

std::string LoadLines(const std::string& log) {
    std::string lines;
    std::size_t begin = 0;
    while (begin < log.size()) {
        std::size_t end = log.find('\n', begin);
        if (end == std::string::npos) end = log.size();
        const std::string line = log.substr(begin, end - begin);
        const std::size_t at = line.find("PBX: LoadContacts");
        if (at != std::string::npos) lines += line.substr(line.rfind(' ', at - 1) + 1) + "\n";
        begin = end + 1;
    }
    return lines;
}

// A contact whose prefix of the full load the partial list is.
::testing::AssertionResult IsPrefix(const TContactList& part, const TContactList& full) {
    if (part.size() > full.size()) return ::testing::AssertionFailure() << "longer than the load";
    for (std::size_t i = 0; i < part.size(); ++i) {
        if (!(*part[i] == *full[i])) {
            return ::testing::AssertionFailure() << "contact " << i << " differs";
        }
    }
    return ::testing::AssertionSuccess();
}

class ContactLoaderTest : public testing::Test {
protected:
    void SetUp() override {
        SetLogsFolder(test::MakeTempDir("logs"));
        SetDetailedLogging(true);
        sim::SimOptions options;
        options.users = {{"alice", "1234"}};
        options.extensions = {{"alice", kDesk, "Alice Desk", "201"}};
        m_sim = std::make_unique<sim::PbxSimulator>(options);
        std::string error;
        ASSERT_TRUE(m_sim->Start(error)) << error;
    }
    void TearDown() override { SetDetailedLogging(false); }

    void SeedNamed(int count) {
        for (int i = 0; i < count; ++i) {
            soap::TContactStruct c;
            c.contactType = kDesk;
            c.displayName = "Contact " + std::to_string(100 + i);
            c.lastName = c.displayName;
            c.firstName = "";
            c.contactNumbers.push_back({1, std::to_string(5000 + i), kBus1, 1, 0, 1});
            ASSERT_NE(m_sim->SeedContact(c), 0);
        }
    }

    // Reads the id list, then the contacts over the given number of connections. The
    // simulator's request numbers start at the first GetContact, where arm is called.
    LoadResult Load(int connections, bool backup = false, Progress* progress = nullptr,
                    StopFlag* stop = nullptr, const std::function<void()>& arm = {}) {
        NullProgress none;
        Tpbx pbx(progress != nullptr ? *progress : none);
        pbx.SetConnectionParams(m_sim->Url(), "alice", "5", "1234");
        pbx.contactType = kDesk;
        pbx.connections = connections;
        LoadResult r;
        if ((r.code = CodeOf(pbx.GetContactIdsForCurContactType(), r.text)) != 0) return r;
        m_sim->ResetCounters();
        if (arm) arm();
        const std::string before = test::ReadFile(DetailedLogFilePath());
        StopFlag noStop{false};
        StopFlag& cancel = stop != nullptr ? *stop : noStop;
        r.code = CodeOf(
            backup ? pbx.LoadAllContacts(&r.list, cancel) : pbx.LoadContacts(&r.list, cancel),
            r.text);
        const std::string after = test::ReadFile(DetailedLogFilePath());
        const std::string lines = LoadLines(after.substr(std::min(before.size(), after.size())));
        for (std::size_t b = 0, e; b < lines.size(); b = e + 1) {
            e = lines.find('\n', b);
            r.logLines.push_back(lines.substr(b, e - b));
        }
        return r;
    }

    std::unique_ptr<sim::PbxSimulator> m_sim;
};

void ExpectSameLists(const TContactList& a, const TContactList& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(*a[i], *b[i]) << "contact " << i;
    }
}

TEST_F(ContactLoaderTest, ParallelLoad_EqualsOneConnectionLoad) {
    ASSERT_EQ(m_sim->SeedContacts(120, kDesk), 120);
    // Contacts the load leaves out or changes, among the others.
    for (const char* name : {"No Numbers", "NULL", "Ann O'Neil"}) {
        soap::TContactStruct c;
        c.contactType = kDesk;
        c.displayName = name;
        if (std::string(name) != "No Numbers") c.contactNumbers.push_back({1, "7", kMob, 1, 0, 1});
        ASSERT_NE(m_sim->SeedContact(c), 0);
    }
    ASSERT_EQ(m_sim->SeedContacts(80, kDesk, 120), 80);

    const LoadResult one = Load(1);
    ASSERT_EQ(one.code, 0) << one.text;
    ASSERT_EQ(one.list.size(), 202u);
    EXPECT_EQ(m_sim->ConnectionCount(), 1u);
    for (const int connections : {kParallel, 3, Tpbx::kMaxConnections}) {
        SCOPED_TRACE(connections);
        WatchingProgress progress;
        const LoadResult many = Load(connections, false, &progress);
        ASSERT_EQ(many.code, 0) << many.text;
        EXPECT_EQ(many.text, one.text);
        ExpectSameLists(many.list, one.list);
        EXPECT_EQ(many.logLines, one.logLines);
        // A connection opens when its worker first finds an id left to read.
        EXPECT_LE(m_sim->ConnectionCount(), static_cast<uint64_t>(connections));
        EXPECT_GE(m_sim->ConnectionCount(), 2u);
        EXPECT_EQ(m_sim->RequestCount(), 203u);
        EXPECT_EQ(progress.lastNumber(), 203);
        EXPECT_EQ(progress.lastPosition(), 100);
    }

    const LoadResult backupOne = Load(1, true);
    const LoadResult backupMany = Load(kParallel, true);
    ASSERT_EQ(backupOne.list.size(), 203u);
    ExpectSameLists(backupMany.list, backupOne.list);
}

TEST_F(ContactLoaderTest, PbxFailureAtEveryContact_StopsAsOneConnectionDoes) {
    constexpr int kCount = 9;
    SeedNamed(kCount);
    for (int failing = 0; failing < kCount; ++failing) {
        SCOPED_TRACE(failing);
        m_sim->ClearFaults();
        m_sim->AddFailingName("Contact " + std::to_string(100 + failing));
        const LoadResult one = Load(1);
        const LoadResult many = Load(kParallel);
        EXPECT_EQ(one.code, sim::kSimErrRejected);
        EXPECT_EQ(one.list.size(), static_cast<std::size_t>(failing));
        EXPECT_EQ(many.code, one.code);
        EXPECT_EQ(many.text, one.text);
        ExpectSameLists(many.list, one.list);
        EXPECT_EQ(many.logLines, one.logLines);
    }
}

TEST_F(ContactLoaderTest, TransportFailureAtEveryRequest_StopsAsOneConnectionDoes) {
    constexpr int kCount = 9;
    SeedNamed(kCount);
    m_sim->ClearFaults();
    const LoadResult full = Load(1);
    ASSERT_EQ(full.code, 0) << full.text;

    struct Fault {
        const char* name;
        void (*arm)(sim::PbxSimulator&, int64_t);
    };
    const Fault faults[] = {
        {"Http500", [](sim::PbxSimulator& s, int64_t k) { s.SetFailRequest(k); }},
        {"SoapFaultFromHere", [](sim::PbxSimulator& s, int64_t k) { s.SetFaultAfter(k); }},
        {"Dropped", [](sim::PbxSimulator& s, int64_t k) { s.SetDropRequest(k); }},
    };
    for (const Fault& fault : faults) {
        for (int64_t k = 1; k <= kCount; ++k) {
            SCOPED_TRACE(std::string(fault.name) + " at request " + std::to_string(k));
            auto arm = [&] { fault.arm(*m_sim, k); };
            const LoadResult one = Load(1, false, nullptr, nullptr, arm);
            m_sim->ClearFaults();
            const LoadResult many = Load(kParallel, false, nullptr, nullptr, arm);
            m_sim->ClearFaults();

            EXPECT_EQ(one.code, kResultException);
            EXPECT_EQ(one.list.size(), static_cast<std::size_t>(k - 1));
            EXPECT_EQ(many.code, one.code);
            // A dropped connection's text ends with the transport's own words, which say
            // whether the connection was new or kept alive; the rest is the same.
            const std::size_t same =
                std::string(fault.name) == "Dropped" ? one.text.find(" (") : std::string::npos;
            EXPECT_EQ(many.text.substr(0, same), one.text.substr(0, same));
            EXPECT_TRUE(IsPrefix(many.list, full.list));
            ASSERT_FALSE(one.logLines.empty());
            ASSERT_FALSE(many.logLines.empty());
            EXPECT_EQ(many.logLines.back().substr(0, 40), one.logLines.back().substr(0, 40));
        }
    }
}

TEST_F(ContactLoaderTest, CancelMidLoad_StopsEveryConnectionWithinOneRequest) {
    ASSERT_EQ(m_sim->SeedContacts(200, kDesk), 200);
    const LoadResult full = Load(1);
    ASSERT_EQ(full.code, 0) << full.text;

    StopFlag stop{false};
    WatchingProgress progress(&stop, 50);
    const LoadResult cancelled = Load(kParallel, false, &progress, &stop);
    EXPECT_EQ(cancelled.code, kResultCancelled);
    EXPECT_EQ(cancelled.text, Text(kTextActionCancelled));
    ASSERT_GE(progress.cancelledAt(), 50);
    // Contact N was about to be asked for when the user cancelled; each of the other
    // connections may have had one request on its way.
    const uint64_t asked = m_sim->OperationCount(soap::Operation::kSpgGetContact);
    EXPECT_LE(asked, static_cast<uint64_t>(progress.cancelledAt() + kParallel - 1));
    EXPECT_TRUE(IsPrefix(cancelled.list, full.list));
    EXPECT_GE(cancelled.list.size(), 1u);
    EXPECT_LE(cancelled.list.size(), asked);
}

// A PBX with one server thread: it serves one connection until the client closes it, while
// the others wait in its listen queue.
class OneAtATimePbx {
public:
    explicit OneAtATimePbx(int count, std::chrono::milliseconds serviceTime = {})
        : m_server(
              [this, serviceTime](const test::RawRequest& r) { return Answer(r, serviceTime); },
              test::RawHttpServer::Serving::kOneAtATime) {
        for (int i = 0; i < count; ++i) {
            soap::TContactStruct c;
            c.contactId = 2000 + i;
            c.contactType = kDesk;
            c.displayName = "Queued " + std::to_string(i);
            c.lastName = c.displayName;
            c.firstName = "Q";
            c.contactNumbers.push_back({1, std::to_string(700 + i), kMob, 1, 0, 1});
            m_contacts[c.contactId] = c;
        }
    }
    std::string url() const { return m_server.url(); }
    int connections() const { return m_server.connections(); }

private:
    test::RawAnswer Answer(const test::RawRequest& request, std::chrono::milliseconds serviceTime) {
        using test::HttpAnswer;
        using test::RawAnswer;
        if (request.head.find("\"SPG-GetContactIdList\"") != std::string::npos) {
            soap::Response_SPG_GetContactIdList ids;
            for (const auto& [id, c] : m_contacts) ids.contactIdList.push_back(id);
            return {RawAnswer::kSend, HttpAnswer(200, soap::BuildResponseEnvelope(ids)), 0};
        }
        // The time the PBX takes for a contact.
        std::this_thread::sleep_for(serviceTime);
        const std::size_t at = request.body.find("<contactId>");
        const int32_t id = std::atoi(request.body.c_str() + at + 11);
        soap::Response_SPG_GetContact answer;
        if (auto it = m_contacts.find(id); at != std::string::npos && it != m_contacts.end()) {
            answer.contact = it->second;
        } else {
            answer.returnData.errCode = 2;
            answer.returnData.errDesc = "Contact not found";
        }
        return {RawAnswer::kSend, HttpAnswer(200, soap::BuildResponseEnvelope(answer)), 0};
    }

    std::map<int32_t, soap::TContactStruct> m_contacts;
    test::RawHttpServer m_server;
};

std::vector<std::string> Names(const TContactList& list) {
    std::vector<std::string> names;
    for (const auto& c : list) names.push_back(c->displayName);
    return names;
}

std::vector<std::string> QueuedNames(int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back("Queued " + std::to_string(i));
    return names;
}

// Shortens every call's timeout, so that a connection left waiting in the PBX's queue times
// out within the test.
class ShortTimeoutClient final : public HttpClient {
public:
    explicit ShortTimeoutClient(long timeoutMs) : m_timeoutMs(timeoutMs) {}
    HttpReply Send(const HttpPost& post) override {
        HttpPost shorter = post;
        shorter.timeoutMs = m_timeoutMs;
        return m_client.Send(shorter);
    }
    long ConnectionsOpened() const override { return m_client.ConnectionsOpened(); }

private:
    long m_timeoutMs;
    CurlHttpClient m_client;
};

TEST(ContactLoaderOneAtATimeTest, PbxServingOneConnectionAtATime_LoadsEverything) {
    constexpr int kCount = 40;
    OneAtATimePbx server(kCount);
    NullProgress progress;
    Tpbx pbx(progress);
    pbx.SetConnectionParams(server.url(), "alice", "5", "1234");
    pbx.contactType = kDesk;
    pbx.connections = kParallel;
    std::string text;
    ASSERT_EQ(CodeOf(pbx.GetContactIdsForCurContactType(), text), 0) << text;
    TContactList list;
    StopFlag stop{false};
    ASSERT_EQ(CodeOf(pbx.LoadContacts(&list, stop), text), 0) << text;
    EXPECT_EQ(text, "[SoapError] ");
    EXPECT_EQ(Names(list), QueuedNames(kCount));
    // Every load connection was opened; on a busy machine one left waiting in the queue may
    // time out and connect again, so more is no fault.
    EXPECT_GE(server.connections(), 1 + kParallel);
}

TEST(ContactLoaderOneAtATimeTest, ConnectionsTimingOutInThePbxQueue_HandTheirContactsOver) {
    constexpr int kCount = 30;
    // Served one after another, the contacts take longer than a queued connection waits.
    OneAtATimePbx server(kCount, std::chrono::milliseconds(10));
    NullProgress progress;
    Tpbx pbx(progress, [] { return std::make_unique<ShortTimeoutClient>(150); });
    pbx.SetConnectionParams(server.url(), "alice", "5", "1234");
    pbx.contactType = kDesk;
    pbx.connections = kParallel;
    std::string text;
    ASSERT_EQ(CodeOf(pbx.GetContactIdsForCurContactType(), text), 0) << text;
    TContactList list;
    StopFlag stop{false};
    ASSERT_EQ(CodeOf(pbx.LoadContacts(&list, stop), text), 0) << text;
    EXPECT_EQ(Names(list), QueuedNames(kCount));
}

}  // namespace
}  // namespace korvi
