// The PBX client against the simulated PBX over real HTTP on 127.0.0.1.
#include "pbx/Tpbx.h"

#include <atomic>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PbxSimulator.h"
#include "app/Log.h"
#include "app/Texts.h"
#include "common/ResultTesting.h"
#include "common/TestEnv.h"
#include "pbx/PortalLogin.h"

namespace korvi {
namespace {

constexpr int32_t kDesk = 101;
constexpr int32_t kMobile = 102;

// Sets the stop flag when the progress text starts with the given words, as a user pressing
// Cancel at that moment would.
class CancellingProgress final : public Progress {
public:
    CancellingProgress(StopFlag& stop, std::string trigger)
        : m_stop(stop), m_trigger(std::move(trigger)) {}
    void SetProgress(int, int, int) override {}
    void SetProgressText(const std::string& text, int) override {
        if (!m_trigger.empty() && text.rfind(m_trigger, 0) == 0) m_stop = true;
    }

private:
    StopFlag& m_stop;
    std::string m_trigger;
};

soap::TContactStruct PbxContact(int32_t contactType, std::string name,
                                std::vector<std::string> numbers) {
    soap::TContactStruct c;
    c.contactType = contactType;
    c.displayName = std::move(name);
    c.lastName = c.displayName;
    c.firstName = "";
    int32_t ref = 1;
    for (auto& n : numbers) c.contactNumbers.push_back({ref++, std::move(n), kBus1, 1, 0, 1});
    return c;
}

std::unique_ptr<TContact> Record(std::string name, std::vector<std::string> numbers) {
    auto c = std::make_unique<TContact>();
    c->contactId = 4242;  // an id from elsewhere: SaveContacts must send every contact as new
    c->displayName = std::move(name);
    c->lastName = c->displayName;
    c->firstName = "F";
    for (auto& n : numbers) AddNumber(n, kMob, *c);
    return c;
}

std::vector<std::string> Names(const std::vector<soap::TContactStruct>& contacts) {
    std::vector<std::string> names;
    for (const auto& c : contacts) names.push_back(c.displayName);
    return names;
}

class TpbxClientTest : public testing::Test {
protected:
    void SetUp() override {
        sim::SimOptions options;
        options.users = {{"alice", "1234"}};
        options.extensions = {{"alice", kDesk, "Alice Desk", "201"},
                              {"alice", kMobile, "Alice Mobile", "202"}};
        options.portalPort = 0;
        options.platform = "KorviSim";
        options.swVersion = "7.1";
        m_sim = std::make_unique<sim::PbxSimulator>(options);
        std::string error;
        ASSERT_TRUE(m_sim->Start(error)) << error;
        Connect(m_pbx);
    }

    void Connect(Tpbx& pbx, const std::string& pin = "1234") {
        ASSERT_EQ(pbx.SetConnectionParams(m_sim->Url(), "alice", "5", pin), 0);
        pbx.contactType = kDesk;
        pbx.contactTypeName = "Alice Desk";
    }

    std::unique_ptr<sim::PbxSimulator> m_sim;
    NullProgress m_progress;
    Tpbx m_pbx{m_progress};
    StopFlag m_stop{false};
    std::string m_text;
};

TEST_F(TpbxClientTest, CheckService_StoresSystemValuesAndChallengeOnlyWhenAsked) {
    m_pbx.cIdx = 77;
    m_pbx.browserChallenge = "earlier";
    ASSERT_EQ(CodeOf(m_pbx.CheckService(0), m_text), 0) << m_text;
    EXPECT_EQ(m_text.rfind("[SoapError] ", 0), 0u) << m_text;
    EXPECT_EQ(m_pbx.platform, "KorviSim");
    EXPECT_EQ(m_pbx.swVersion, "7.1");
    EXPECT_EQ(m_pbx.browserPort, m_sim->PortalPort());
    EXPECT_EQ(m_pbx.cIdx, 77);
    EXPECT_EQ(m_pbx.browserChallenge, "earlier");

    ASSERT_EQ(CodeOf(m_pbx.CheckService(1), m_text), 0) << m_text;
    EXPECT_NE(m_pbx.cIdx, 77);
    ASSERT_FALSE(m_pbx.browserChallenge.empty());

    // The response the portal login carries is the one the PBX expects.
    std::string response;
    ASSERT_EQ(CalcResponseFromChallenge(m_pbx.browserChallenge, "alice", "1234", response), 0);
    EXPECT_TRUE(m_sim->Service().CheckPortalLogin("alice", m_pbx.cIdx, response));
}

TEST_F(TpbxClientTest, WrongPin_IsPbxFailureAndKeepsEarlierValues) {
    ASSERT_EQ(CodeOf(m_pbx.CheckService(0), m_text), 0) << m_text;
    ASSERT_EQ(CodeOf(m_pbx.GetExtnInfo(), m_text), 0) << m_text;

    Tpbx wrong(m_progress);
    Connect(wrong, "9999");
    wrong.platform = "kept";
    const int code = CodeOf(wrong.CheckService(0), m_text);
    EXPECT_EQ(code, sim::kSimErrLogin);
    EXPECT_EQ(m_text, "[SoapError] Invalid user name or PIN");
    EXPECT_EQ(wrong.platform, "kept");

    wrong.extnInfoList = m_pbx.extnInfoList;
    EXPECT_EQ(CodeOf(wrong.GetExtnInfo(), m_text), sim::kSimErrLogin);
    EXPECT_EQ(wrong.extnInfoList.size(), 2u);
    EXPECT_EQ(m_text.find("9999"), std::string::npos);
}

TEST_F(TpbxClientTest, GetExtnInfo_ListsExtensionsInOrder) {
    ASSERT_EQ(CodeOf(m_pbx.GetExtnInfo(), m_text), 0) << m_text;
    ASSERT_EQ(m_pbx.extnInfoList.size(), 2u);
    EXPECT_EQ(m_pbx.extnInfoList[0].devID, "101");
    EXPECT_EQ(m_pbx.extnInfoList[0].extnName, "Alice Desk");
    EXPECT_EQ(m_pbx.extnInfoList[0].extnNumber, "201");
    EXPECT_EQ(m_pbx.extnInfoList[1].devID, "102");
}

TEST_F(TpbxClientTest, Load_SkipsContactsWithoutNumbersAndCleansNames) {
    ASSERT_NE(m_sim->SeedContact(PbxContact(kDesk, "Ann O'Neil", {"100", "101"})), 0);
    ASSERT_NE(m_sim->SeedContact(PbxContact(kDesk, "No Numbers", {})), 0);
    ASSERT_NE(m_sim->SeedContact(PbxContact(kDesk, "NULL", {"300"})), 0);
    ASSERT_NE(m_sim->SeedContact(PbxContact(kMobile, "Other Phonebook", {"400"})), 0);

    ASSERT_EQ(CodeOf(m_pbx.GetContactIdsForCurContactType(), m_text), 0) << m_text;
    ASSERT_EQ(m_pbx.contactIdList.size(), 3u);
    TContactList list;
    list.push_back(Record("already there", {"1"}));
    ASSERT_EQ(CodeOf(m_pbx.LoadContacts(&list, m_stop), m_text), 0) << m_text;

    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[1]->displayName, "Ann O`Neil");
    EXPECT_GE(list[1]->contactId, 1000);
    EXPECT_EQ(list[1]->contactType, kDesk);
    ASSERT_TRUE(list[1]->numbers);
    ASSERT_EQ(list[1]->numbers->size(), 2u);
    EXPECT_EQ((*list[1]->numbers)[1].number, "101");
    EXPECT_EQ((*list[1]->numbers)[1].state, kNoChange);
    EXPECT_EQ(list[2]->displayName, "");

    // A backup keeps every contact exactly as the PBX holds it.
    TContactList all;
    ASSERT_EQ(CodeOf(m_pbx.LoadAllContacts(&all, m_stop), m_text), 0) << m_text;
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0]->displayName, "Ann O'Neil");
    EXPECT_EQ(all[1]->displayName, "No Numbers");
    EXPECT_FALSE(all[1]->numbers);
    EXPECT_EQ(all[2]->displayName, "NULL");
}

TEST_F(TpbxClientTest, EmptyIdList_SendsNoGetContact) {
    ASSERT_EQ(CodeOf(m_pbx.GetContactIdsForCurContactType(), m_text), 0) << m_text;
    TContactList list;
    m_sim->ResetCounters();
    ASSERT_EQ(CodeOf(m_pbx.LoadContacts(&list, m_stop), m_text), 0);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(m_sim->RequestCount(), 0u);
    EXPECT_EQ(CodeOf(m_pbx.LoadContacts(nullptr, m_stop), m_text), -1);
    EXPECT_EQ(m_text, "PBX: LoadContacts: Null List");
}

TEST_F(TpbxClientTest, Save_ReplacesOnlyCurrentTypeLeavingDeletedNumbersOut) {
    ASSERT_NE(m_sim->SeedContact(PbxContact(kDesk, "Old One", {"1"})), 0);
    ASSERT_NE(m_sim->SeedContact(PbxContact(kMobile, "Keep Me", {"2"})), 0);

    TContactList list;
    list.push_back(Record("Bea", {"10", "11", "12"}));
    (*list[0]->numbers)[1].state = kDeleted;
    list.push_back(Record("Cai & <Co>", {"20"}));
    ASSERT_EQ(CodeOf(m_pbx.SaveContacts(&list, m_stop), m_text), 0) << m_text;

    const auto desk = m_sim->PbxState(kDesk);
    EXPECT_EQ(Names(desk), (std::vector<std::string>{"Bea", "Cai & <Co>"}));
    ASSERT_EQ(desk[0].contactNumbers.size(), 2u);
    EXPECT_EQ(desk[0].contactNumbers[0].number, "10");
    EXPECT_EQ(desk[0].contactNumbers[1].number, "12");
    EXPECT_EQ(desk[0].contactNumbers[0].barring, 1);
    EXPECT_EQ(list[0]->contactId, desk[0].contactId);
    EXPECT_EQ(list[1]->contactId, desk[1].contactId);
    EXPECT_EQ(Names(m_sim->PbxState(kMobile)), (std::vector<std::string>{"Keep Me"}));

    TContactList empty;
    EXPECT_EQ(CodeOf(m_pbx.SaveContacts(&empty, m_stop), m_text), -1);
    EXPECT_EQ(m_text, "PBX: SaveContacts: Empty contact List");
}

TEST_F(TpbxClientTest, SaveToCentralStore_SendsEveryNumberUnbarred) {
    m_pbx.contactType = kContactTypeCentral;
    TContactList list;
    list.push_back(Record("Dan", {"30", "31"}));
    ASSERT_EQ((*list[0]->numbers)[0].barring, 1);
    ASSERT_EQ(CodeOf(m_pbx.SaveContacts(&list, m_stop), m_text), 0) << m_text;
    const auto central = m_sim->PbxState(kContactTypeCentral);
    ASSERT_EQ(central.size(), 1u);
    for (const auto& n : central[0].contactNumbers) EXPECT_EQ(n.barring, 0);
}

TEST_F(TpbxClientTest, SaveWithTwelveFailures_StopsAfterEleven) {
    SetLogsFolder(test::MakeTempDir("logs"));
    SetDetailedLogging(true);
    m_sim->AddFailingName("Refuse");
    TContactList list;
    for (int i = 0; i < 12; ++i) list.push_back(Record("Refuse " + std::to_string(i), {"5"}));
    m_sim->ResetCounters();
    const int code = CodeOf(m_pbx.SaveContacts(&list, m_stop), m_text);

    EXPECT_EQ(code, -1);
    EXPECT_EQ(m_sim->OperationCount(soap::Operation::kSpgAddOrUpdateContact), 11u);
    const std::string summary = Text(kTextPbxSendFailures, {}, {}, "11") + "\n" +
                                Text(kTextFirstError) + "\n\n" + "[SoapError] Contact rejected";
    EXPECT_EQ(m_text.substr(0, summary.size()), summary) << m_text;
    EXPECT_NE(m_text.find(Text(kTextPbxSendAborted)), std::string::npos);
    EXPECT_TRUE(m_sim->PbxState(kDesk).empty());

    SetDetailedLogging(false);
    const std::string log = test::ReadFile(DetailedLogFilePath());
    std::size_t failLines = 0;
    for (std::size_t pos = 0;
         (pos = log.find("ERR: PBX: SaveContacts Fail: [SoapError] Contact rejected", pos)) !=
         std::string::npos;
         ++pos) {
        ++failLines;
    }
    EXPECT_EQ(failLines, 11u);
    EXPECT_NE(log.find("LOG: PBX: SaveContacts Fail: - Contact Type 101 - Num Contacts 12 - 11 "
                       "Errors"),
              std::string::npos);
}

TEST_F(TpbxClientTest, SaveWithSomeFailures_SendsAllAndCountsFailures) {
    m_sim->AddFailingName("Refuse");
    TContactList list;
    list.push_back(Record("Refuse me", {"5"}));
    list.push_back(Record("Fine", {"6"}));
    list.push_back(Record("Refuse me too", {"7"}));
    EXPECT_EQ(CodeOf(m_pbx.SaveContacts(&list, m_stop), m_text), -1);
    EXPECT_EQ(m_text, Text(kTextPbxSendFailures, {}, {}, "2") + "\n" + Text(kTextFirstError) +
                          "\n\n" + "[SoapError] Contact rejected");
    EXPECT_EQ(Names(m_sim->PbxState(kDesk)), (std::vector<std::string>{"Fine"}));
}

TEST_F(TpbxClientTest, CancelDuringSave_IsCancelledNotSuccess) {
    StopFlag stop{false};
    CancellingProgress progress(stop, "Sending Contact 3 of");
    Tpbx pbx(progress);
    Connect(pbx);
    TContactList list;
    for (int i = 0; i < 6; ++i) list.push_back(Record("C" + std::to_string(i), {"5"}));
    EXPECT_EQ(CodeOf(pbx.SaveContacts(&list, stop), m_text), -7);
    EXPECT_EQ(m_text, Text(kTextActionCancelled));
    EXPECT_EQ(m_sim->PbxState(kDesk).size(), 3u);
}

TEST_F(TpbxClientTest, CancelDuringLoadOverOneConnection_StopsWithContactsSoFar) {
    ASSERT_EQ(m_sim->SeedContacts(5, kDesk), 5);
    StopFlag stop{false};
    CancellingProgress progress(stop, "Retrieving Contact 2 of");
    Tpbx pbx(progress);
    Connect(pbx);
    pbx.connections = 1;
    ASSERT_EQ(CodeOf(pbx.GetContactIdsForCurContactType(), m_text), 0) << m_text;
    TContactList list;
    EXPECT_EQ(CodeOf(pbx.LoadContacts(&list, stop), m_text), -7);
    EXPECT_EQ(list.size(), 2u);
}

TEST_F(TpbxClientTest, LoadStopsAtFirstPbxFailure) {
    ASSERT_NE(m_sim->SeedContact(PbxContact(kDesk, "Good", {"1"})), 0);
    ASSERT_NE(m_sim->SeedContact(PbxContact(kDesk, "Broken entry", {"2"})), 0);
    ASSERT_NE(m_sim->SeedContact(PbxContact(kDesk, "Never read", {"3"})), 0);
    m_sim->AddFailingName("Broken");
    ASSERT_EQ(CodeOf(m_pbx.GetContactIdsForCurContactType(), m_text), 0) << m_text;
    TContactList list;
    EXPECT_EQ(CodeOf(m_pbx.LoadContacts(&list, m_stop), m_text), sim::kSimErrRejected);
    EXPECT_EQ(m_text, "[SoapError] Contact rejected");
    EXPECT_EQ(list.size(), 1u);
}

TEST_F(TpbxClientTest, DeleteAndWrite_SingleContacts) {
    EXPECT_EQ(CodeOf(m_pbx.DeleteContact("BY_NAME", 1), m_text), -11);

    TContact added;
    added.contactId = kContactIdNew;
    added.displayName = "Eve";
    AddNumber("55", kHome1, added);
    ASSERT_EQ(CodeOf(m_pbx.WriteContact(added), m_text), 0) << m_text;
    ASSERT_GE(added.contactId, 1000);

    added.displayName = "Eve Amended";
    const int32_t id = added.contactId;
    ASSERT_EQ(CodeOf(m_pbx.WriteContact(added), m_text), 0) << m_text;
    EXPECT_EQ(added.contactId, id);
    EXPECT_EQ(Names(m_sim->PbxState(kDesk)), (std::vector<std::string>{"Eve Amended"}));

    ASSERT_EQ(CodeOf(m_pbx.DeleteContact("BY_CONTACT_ID", id), m_text), 0) << m_text;
    EXPECT_TRUE(m_sim->PbxState(kDesk).empty());
    EXPECT_EQ(CodeOf(m_pbx.DeleteContact("BY_CONTACT_ID", id), m_text), sim::kSimErrNotFound);
    EXPECT_EQ(m_text, "[SoapError] Contact not found");

    m_pbx.contactTypeName = "Alice Desk";
    ASSERT_NE(m_sim->SeedContact(PbxContact(kDesk, "Gone soon", {"1"})), 0);
    EXPECT_EQ(CodeOf(m_pbx.DeleteAllContactsForCurContactType(), m_text), 0) << m_text;
    EXPECT_TRUE(m_sim->PbxState(kDesk).empty());
}

TEST_F(TpbxClientTest, LongLoadAndSave_KeepTheirConnectionsAlive) {
    ASSERT_EQ(m_sim->SeedContacts(150, kDesk), 150);
    TContactList list;
    long opened = 0;
    for (const int connections : {1, Tpbx::kDefaultConnections}) {
        SCOPED_TRACE(connections);
        m_pbx.connections = connections;
        m_sim->ResetCounters();
        ASSERT_EQ(CodeOf(m_pbx.GetContactIdsForCurContactType(), m_text), 0) << m_text;
        list.clear();
        ASSERT_EQ(CodeOf(m_pbx.LoadContacts(&list, m_stop), m_text), 0) << m_text;
        EXPECT_EQ(m_sim->RequestCount(), 151u);
        // One for the id list, and the load's own: each kept alive for many requests.
        EXPECT_LE(m_sim->ConnectionCount(), 1u + connections);
        if (connections == 1) {
            EXPECT_EQ(m_sim->ConnectionCount(), 2u);
        }
        EXPECT_EQ(m_pbx.connectionsOpened() - opened, static_cast<long>(m_sim->ConnectionCount()));
        opened = m_pbx.connectionsOpened();
    }

    m_sim->ResetCounters();
    ASSERT_EQ(CodeOf(m_pbx.SaveContacts(&list, m_stop), m_text), 0) << m_text;
    EXPECT_EQ(m_sim->RequestCount(), 1u + list.size());
    EXPECT_EQ(m_sim->ConnectionCount(), 1u);
    EXPECT_EQ(m_sim->PbxState(kDesk).size(), list.size());
}

TEST_F(TpbxClientTest, SimulatorFaults_AreExceptions) {
    struct Fault {
        const char* name;
        void (*arm)(sim::PbxSimulator&);
        const char* words;
    };
    const Fault faults[] = {
        {"Http500", [](sim::PbxSimulator& s) { s.SetFailRequest(1); }, "HTTP error 500"},
        {"Dropped", [](sim::PbxSimulator& s) { s.SetDropRequest(1); }, "closed without"},
        {"SoapFault", [](sim::PbxSimulator& s) { s.SetFaultAfter(1); }, "SOAP Fault"},
        {"LateAnswer", [](sim::PbxSimulator& s) { s.SetDelayMs(2500); }, "Timeout"},
    };
    ASSERT_EQ(m_pbx.SetConnectionParams(m_sim->Url(), "alice", "1", "1234"), 0);
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.name);
        m_sim->ClearFaults();
        m_sim->ResetCounters();
        fault.arm(*m_sim);
        EXPECT_EQ(CodeOf(m_pbx.GetExtnInfo(), m_text), -2);
        EXPECT_EQ(m_text.rfind("[Exception] ", 0), 0u) << m_text;
        EXPECT_NE(m_text.find(fault.words), std::string::npos) << m_text;
    }
    m_sim->ClearFaults();
}

}  // namespace
}  // namespace korvi
