// The simulated PBX over real HTTP on 127.0.0.1: users, phonebooks, ids, faults, the portal.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "SimMd5.h"
#include "pbx/SimHarness.h"
#include "pbx/soap/SoapServerEnvelope.h"

namespace korvi::test {
namespace {

using soap::TUserDetailsStruct;

class SimPbxTest : public SimHarness {
protected:
    void SetUp() override { StartSim(TwoUsers()); }
};

class SimLoginTest
    : public SimHarness,
      public testing::WithParamInterface<std::pair<const char*, TUserDetailsStruct>> {
protected:
    void SetUp() override { StartSim(TwoUsers()); }
};

TEST_P(SimLoginTest, EveryOperationRefusesWithoutGivingData) {
    ASSERT_NE(m_sim->SeedContacts(2, 65533), 0);
    const TUserDetailsStruct user = GetParam().second;
    const soap::TReturnStruct refused{"Invalid user name or PIN", 1};

    auto check = Call(soap::Request_SYS_CheckService{user, 1});
    EXPECT_EQ(check.returnData, refused);
    EXPECT_FALSE(check.sysInfo.has_value());
    EXPECT_FALSE(check.browserChallenge.has_value());
    auto extn = Call(soap::Request_SPG_GetExtnInfo{user});
    EXPECT_EQ(extn.returnData, refused);
    EXPECT_TRUE(extn.extnInfo.empty());
    auto ids = Call(soap::Request_SPG_GetContactIdList{user, 65533});
    EXPECT_EQ(ids.returnData, refused);
    EXPECT_TRUE(ids.contactIdList.empty());
    auto get = Call(soap::Request_SPG_GetContact{user, 1000});
    EXPECT_EQ(get.returnData, refused);
    EXPECT_FALSE(get.contact.has_value());
    auto del = Call(soap::Request_SPG_DeleteContact{user, "BY_TYPE", 65533});
    EXPECT_EQ(del.returnData, refused);
    soap::Request_SPG_AddOrUpdateContact add{user, {}};
    add.contact = {65535, 65533, "X", "", "", {}};
    auto added = Call(add);
    EXPECT_EQ(added.returnData, refused);
    EXPECT_EQ(m_sim->PbxState().size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Sim, SimLoginTest,
    testing::Values(std::make_pair("WrongPin_IsRefused", soap::MakeUserDetails("anna", "2222")),
                    std::make_pair("UnknownUser_IsRefused", soap::MakeUserDetails("carl", "1111")),
                    std::make_pair("EmptyPin_IsRefused", soap::MakeUserDetails("anna", "")),
                    std::make_pair("NameInOtherCase_IsRefused",
                                   soap::MakeUserDetails("Anna", "1111"))),
    [](const auto& info) { return std::string(info.param.first); });

TEST_F(SimPbxTest, CheckServiceReportsThePlatformAndAFreshChallengeEachTime) {
    auto plain = Call(soap::Request_SYS_CheckService{Anna(), 0});
    EXPECT_EQ(plain.returnData.errCode, 0);
    ASSERT_TRUE(plain.sysInfo.has_value());
    EXPECT_EQ(plain.sysInfo->platform, "KorviSim");
    EXPECT_EQ(plain.sysInfo->swVersion, "1.0.0");
    EXPECT_FALSE(plain.browserChallenge.has_value());

    auto first = Call(soap::Request_SYS_CheckService{Anna(), 1});
    auto second = Call(soap::Request_SYS_CheckService{Anna(), 1});
    ASSERT_TRUE(first.browserChallenge && second.browserChallenge);
    EXPECT_EQ(first.browserChallenge->size(), 32u);
    EXPECT_NE(*first.browserChallenge, *second.browserChallenge);
    EXPECT_NE(first.cIdx, second.cIdx);
}

TEST_F(SimPbxTest, ExtensionsBelongToTheirUserOrToEveryUser) {
    auto anna = Call(soap::Request_SPG_GetExtnInfo{Anna()});
    EXPECT_EQ(anna.extnInfo, (std::vector<soap::TExtnInfoStruct>{{7, "Anna's desk", "207"},
                                                                 {9, "Reception", "200"}}));
    auto ben = Call(soap::Request_SPG_GetExtnInfo{soap::MakeUserDetails("ben", "2222")});
    EXPECT_EQ(ben.extnInfo,
              (std::vector<soap::TExtnInfoStruct>{{8, "Ben", "208"}, {9, "Reception", "200"}}));
}

TEST_F(SimPbxTest, IdsStartAt1000AreGlobalAndNeverReused) {
    EXPECT_EQ(Add("A", 65533), 1000);
    EXPECT_EQ(Add("B", 7), 1001);
    EXPECT_EQ(Add("C", 65533), 1002);
    EXPECT_EQ(Ids(65533), (std::vector<int32_t>{1000, 1002}));
    EXPECT_EQ(Ids(7), (std::vector<int32_t>{1001}));
    EXPECT_TRUE(Ids(9).empty());

    auto del = Call(soap::Request_SPG_DeleteContact{Anna(), "BY_CONTACT_ID", 1002});
    EXPECT_EQ(del.returnData.errCode, 0);
    EXPECT_EQ(Add("D", 65533), 1003);

    // An update keeps the id and replaces the contact.
    EXPECT_EQ(Add("A2", 65533, 1000), 1000);
    auto get = Call(soap::Request_SPG_GetContact{Anna(), 1000});
    ASSERT_TRUE(get.contact.has_value());
    EXPECT_EQ(get.contact->displayName, "A2");
    EXPECT_EQ(get.contact->firstName, std::optional<std::string>(""));

    auto delType = Call(soap::Request_SPG_DeleteContact{Anna(), "BY_TYPE", 65533});
    EXPECT_EQ(delType.returnData.errCode, 0);
    EXPECT_TRUE(Ids(65533).empty());
    EXPECT_EQ(Ids(7), (std::vector<int32_t>{1001}));
    EXPECT_EQ(Add("E", 65533), 1004);
}

TEST_F(SimPbxTest, UnknownIdsOtherPhonebooksAndBadTypesGetErrorCodes) {
    const int32_t bens = [&] {
        soap::Request_SPG_AddOrUpdateContact add{soap::MakeUserDetails("ben", "2222"), {}};
        add.contact = {65535, 8, "Ben's friend", "", "", {}};
        return Call(add).contactId;
    }();
    const soap::TReturnStruct notFound{"Contact not found", 2};
    EXPECT_EQ(Call(soap::Request_SPG_GetContact{Anna(), 4242}).returnData, notFound);
    // Anna cannot see, change or delete what is in Ben's own phonebook.
    EXPECT_EQ(Call(soap::Request_SPG_GetContact{Anna(), bens}).returnData, notFound);
    EXPECT_EQ(Call(soap::Request_SPG_DeleteContact{Anna(), "BY_CONTACT_ID", bens}).returnData,
              notFound);
    soap::Request_SPG_AddOrUpdateContact update{Anna(), {}};
    update.contact = {bens, 9, "Moved", "", "", {}};
    EXPECT_EQ(Call(update).returnData, notFound);
    update.contact.contactId = 4242;
    EXPECT_EQ(Call(update).returnData, notFound);

    const soap::TReturnStruct badType{"Invalid contact type", 3};
    EXPECT_EQ(Call(soap::Request_SPG_GetContactIdList{Anna(), 8}).returnData, badType);
    EXPECT_EQ(Call(soap::Request_SPG_DeleteContact{Anna(), "BY_TYPE", 65535}).returnData, badType);
    update.contact = {65535, 12, "Nowhere", "", "", {}};
    EXPECT_EQ(Call(update).returnData, badType);
    EXPECT_EQ(Call(soap::Request_SPG_DeleteContact{Anna(), "BY_NAME", 1}).returnData,
              (soap::TReturnStruct{"Invalid delete type", 4}));
    ASSERT_EQ(m_sim->PbxState().size(), 1u);
    EXPECT_EQ(m_sim->PbxState()[0].displayName, "Ben's friend");
}

TEST_F(SimPbxTest, AContactWithAFailingNameIsRefusedOnWriteAndRead) {
    m_sim->AddFailingName("FAIL");
    soap::Request_SPG_AddOrUpdateContact add{Anna(), {}};
    add.contact = {65535, 65533, "Will FAIL 3", "", "", {}};
    auto r = Call(add);
    EXPECT_EQ(r.returnData, (soap::TReturnStruct{"Contact rejected", 5}));
    EXPECT_TRUE(m_sim->PbxState().empty());

    const int32_t id = m_sim->SeedContact({0, 65533, "Seeded FAIL", "", "", {}});
    ASSERT_NE(id, 0);
    EXPECT_EQ(Call(soap::Request_SPG_GetContact{Anna(), id}).returnData.errCode, 5);
    m_sim->ClearFaults();
    EXPECT_EQ(Call(soap::Request_SPG_GetContact{Anna(), id}).returnData.errCode, 0);
}

TEST_F(SimPbxTest, WhatTheClientSendsIsWhatThePbxHolds) {
    soap::Request_SPG_AddOrUpdateContact add{Anna(), {}};
    add.contact.contactId = 65535;
    add.contact.contactType = 9;
    add.contact.displayName = "Smith & <Sons> \xC3\x86gir";
    add.contact.lastName = " ";
    add.contact.firstName = "";
    add.contact.contactNumbers = {{1, "+1 (555) 01", 0, 1, 0, 1}, {2, "201", 16, 0, 1, 0}};
    const int32_t id = Call(add).contactId;
    auto get = Call(soap::Request_SPG_GetContact{Anna(), id});
    ASSERT_TRUE(get.contact.has_value());
    soap::TContactStruct expected = add.contact;
    expected.contactId = id;
    EXPECT_EQ(*get.contact, expected);
    EXPECT_EQ(m_sim->PbxState(9), std::vector<soap::TContactStruct>{expected});
}

struct StrictCase {
    const char* name;
    std::string body;
    std::string soapAction;
    std::string contentType;
    const char* faultPart;
};

class SimStrictTest : public SimHarness, public testing::WithParamInterface<StrictCase> {
protected:
    void SetUp() override { StartSim(TwoUsers()); }
};

std::string GetContactEnvelope() {
    return soap::BuildRequestEnvelope(
        soap::Request_SPG_GetContact{soap::MakeUserDetails("anna", "1111"), 1});
}

TEST_P(SimStrictTest, IsAFaultWithHttp500) {
    HttpAnswer a = PostRaw(GetParam().body, GetParam().soapAction, GetParam().contentType);
    EXPECT_EQ(a.status, 500);
    soap::Response_SPG_GetContact r;
    soap::SoapResult result = soap::ParseResponseEnvelope(a.body, r);
    EXPECT_EQ(result.kind, soap::SoapResult::Fault) << a.body;
    EXPECT_NE(result.faultstring.find(GetParam().faultPart), std::string::npos)
        << result.faultstring;
}

const StrictCase kStrictCases[] = {
    {"ActionOfAnotherOperation_IsRefused", GetContactEnvelope(), "\"SPG-GetContactIdList\"",
     "text/xml; charset=\"utf-8\"",
     "SOAPAction '\"SPG-GetContactIdList\"' does not match the operation 'SPG-GetContact'"},
    {"NoAction_IsRefused", GetContactEnvelope(), "", "text/xml; charset=\"utf-8\"",
     "Missing SOAPAction header"},
    {"JsonContentType_IsRefused", GetContactEnvelope(), "\"SPG-GetContact\"", "application/json",
     "Content-Type must be text/xml"},
    {"Latin1Charset_IsRefused", GetContactEnvelope(), "\"SPG-GetContact\"",
     "text/xml; charset=iso-8859-1", "Unsupported charset"},
    {"NotAnEnvelope_IsRefused", "<RequestData-SPG-GetContact/>", "\"SPG-GetContact\"", "text/xml",
     "Not a SOAP envelope"},
    {"Garbage_IsRefused", "\x01\x02garbage", "\"SPG-GetContact\"", "text/xml", "SOAP request"},
};

INSTANTIATE_TEST_SUITE_P(Sim, SimStrictTest, testing::ValuesIn(kStrictCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimPbxTest, UnquotedActionIsAcceptedAndOversizedBodiesAreRefused) {
    EXPECT_EQ(PostRaw(GetContactEnvelope(), "SPG-GetContact").status, 200);
    m_sim.reset();
    sim::SimOptions o = TwoUsers();
    o.maxRequestBytes = 4096;
    StartSim(o);
    EXPECT_EQ(PostRaw(GetContactEnvelope() + std::string(5000, ' '), "\"SPG-GetContact\"").status,
              413);
    EXPECT_EQ(m_sim->OperationCount(soap::Operation::kSpgGetContact), 0u);
}

TEST_F(SimPbxTest, FaultsHitExactlyTheRequestsTheyName) {
    soap::Request_SPG_GetContactIdList req{Anna(), 65533};
    const std::string body = soap::BuildRequestEnvelope(req);
    const std::string action = "\"SPG-GetContactIdList\"";
    m_sim->SetFailRequest(2);
    m_sim->SetDropRequest(3);
    m_sim->SetFaultAfter(5);
    EXPECT_EQ(PostRaw(body, action).status, 200);  // 1
    HttpAnswer failed = PostRaw(body, action);     // 2
    EXPECT_EQ(failed.status, 500);
    EXPECT_EQ(failed.body, "Internal Server Error\n");
    EXPECT_EQ(PostRaw(body, action).status, -1);   // 3: closed without an answer
    EXPECT_EQ(PostRaw(body, action).status, 200);  // 4
    for (int k = 5; k <= 6; ++k) {
        HttpAnswer fault = PostRaw(body, action);
        EXPECT_EQ(fault.status, 500);
        soap::Response_SPG_GetContactIdList r;
        EXPECT_EQ(soap::ParseResponseEnvelope(fault.body, r).kind, soap::SoapResult::Fault);
    }
    EXPECT_EQ(m_sim->RequestCount(), 6u);
    // Only the answered ones were carried out.
    EXPECT_EQ(m_sim->OperationCount(soap::Operation::kSpgGetContactIdList), 2u);

    m_sim->ClearFaults();
    m_sim->ResetCounters();
    m_sim->SetFailRequest(1);
    EXPECT_EQ(PostRaw(body, action).status, 500);
    EXPECT_EQ(PostRaw(body, action).status, 200);
}

TEST_F(SimPbxTest, StopCutsADelayedAnswerShort) {
    m_sim->SetDelayMs(600'000);
    auto pending = std::async(std::launch::async, [port = m_sim->Port()] {
        httplib::Client client("127.0.0.1", port);
        client.set_read_timeout(600, 0);
        auto res = client.Post("/", {{"SOAPAction", "\"SPG-GetExtnInfo\""}},
                               soap::BuildRequestEnvelope(soap::Request_SPG_GetExtnInfo{
                                   soap::MakeUserDetails("anna", "1111")}),
                               "text/xml");
        return res ? res->status : -1;
    });
    // The request is in the simulator once it has been counted.
    for (int i = 0; i < 100'000 && m_sim->RequestCount() == 0; ++i) std::this_thread::yield();
    ASSERT_EQ(m_sim->RequestCount(), 1u);
    m_sim->Stop();
    // Bounded by the simulator's stop, not by the ten-minute delay.
    EXPECT_NE(pending.wait_for(std::chrono::seconds(60)), std::future_status::timeout);
}

TEST_F(SimPbxTest, DelayedAnswersOnParallelConnections_WaitSideBySide) {
    constexpr int kDelayMs = 300;
    constexpr int kClients = 4;
    m_sim->SetDelayMs(kDelayMs);
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::future<int>> answers;
    for (int i = 0; i < kClients; ++i) {
        answers.push_back(std::async(std::launch::async, [this] {
            auto client = MakeClient();
            auto res = client->Post(
                "/", {{"SOAPAction", "\"SPG-GetExtnInfo\""}},
                soap::BuildRequestEnvelope(soap::Request_SPG_GetExtnInfo{Anna()}), "text/xml");
            return res ? res->status : -1;
        }));
    }
    for (auto& answer : answers) EXPECT_EQ(answer.get(), 200);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    // One after the other they would take kClients delays.
    EXPECT_GE(elapsed, std::chrono::milliseconds(kDelayMs));
    EXPECT_LT(elapsed, std::chrono::milliseconds(kDelayMs * kClients));
}

TEST_F(SimPbxTest, ConnectionsAreCountedPerClientSocket) {
    soap::Request_SPG_GetExtnInfo req{Anna()};
    for (int i = 0; i < 5; ++i) Call(req);
    EXPECT_EQ(m_sim->RequestCount(), 5u);
    EXPECT_EQ(m_sim->ConnectionCount(), 1u);
    m_client = MakeClient();
    Call(req);
    EXPECT_EQ(m_sim->ConnectionCount(), 2u);
}

TEST_F(SimPbxTest, ServesTheServiceDescriptionWithItsOwnAddress) {
    auto res = m_client->Get("/?wsdl");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_NE(res->body.find("<service name=\"IPPBX-SOAP-Service\">"), std::string::npos);
    EXPECT_NE(res->body.find("location=\"" + m_sim->Url() + "/\""), std::string::npos);
    EXPECT_EQ(res->body.find("5002"), std::string::npos);
    auto other = m_client->Get("/");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->status, 404);
}

TEST(SimMd5Test, MatchesTheReferenceVectors) {
    EXPECT_EQ(sim::Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(sim::Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(sim::Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(
        sim::Md5Hex(
            "12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
        "57edf4a22be3c955ac49da2e2107b67a");
}

class SimPortalTest : public SimHarness {
protected:
    void SetUp() override {
        sim::SimOptions o = TwoUsers();
        o.users.push_back({"mary ann", "0000"});
        o.portalPort = 0;
        StartSim(o);
        m_portal = std::make_unique<httplib::Client>("127.0.0.1", m_sim->PortalPort());
        // The query is written as a browser gets it: "+" for a blank, nothing re-encoded.
        m_portal->set_url_encode(false);
    }

    int Login(const std::string& query) {
        auto res = m_portal->Get(("/?formtype=login&sessionName=&" + query).c_str());
        return res ? res->status : -1;
    }

    static std::string Response(const std::string& user, const std::string& pin,
                                const std::string& challenge) {
        return sim::Md5Hex(user + ":" + sim::Md5Hex(pin) + ":" + challenge);
    }

    std::unique_ptr<httplib::Client> m_portal;
};

TEST_F(SimPortalTest, AcceptsTheChallengeResponseOnceAndNothingElse) {
    auto check = Call(soap::Request_SYS_CheckService{soap::MakeUserDetails("mary ann", "0000"), 1});
    ASSERT_TRUE(check.sysInfo && check.browserChallenge);
    EXPECT_EQ(check.sysInfo->browserPort, m_sim->PortalPort());
    const std::string idx = std::to_string(check.cIdx);
    const std::string good = Response("mary ann", "0000", *check.browserChallenge);
    const std::string rest = "&password=&login=Login&challenge=&cIdx=" + idx + "&response=";

    EXPECT_EQ(
        Login("username=mary+ann" + rest + Response("mary ann", "0001", *check.browserChallenge)),
        403);
    EXPECT_EQ(Login("username=anna" + rest + good), 403);
    EXPECT_EQ(Login("username=mary+ann&password=&login=Login&challenge=&cIdx=" +
                    std::to_string(check.cIdx + 1) + "&response=" + good),
              403);
    EXPECT_EQ(Login("username=mary+ann" + rest + good), 200);
    EXPECT_EQ(Login("username=mary+ann" + rest + good), 403);  // used up
}

}  // namespace
}  // namespace korvi::test
