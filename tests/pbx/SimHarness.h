// A started in-process simulator and a small SOAP client for the simulator's own tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <httplib.h>

#include "PbxSimulator.h"
#include "pbx/soap/SoapEnvelope.h"
#include "pbx/soap/SoapTypes.h"

namespace korvi::test {

struct HttpAnswer {
    int status = -1;  // -1: no answer (connection failed or closed)
    std::string body;
};

class SimHarness : public testing::Test {
protected:
    void StartSim(sim::SimOptions options) {
        m_sim = std::make_unique<sim::PbxSimulator>(std::move(options));
        std::string error;
        ASSERT_TRUE(m_sim->Start(error)) << error;
        m_client = MakeClient();
    }

    // A keep-alive client without Nagle's delay, as the PBX client's transport (curl) is.
    std::unique_ptr<httplib::Client> MakeClient() const {
        auto client = std::make_unique<httplib::Client>("127.0.0.1", m_sim->Port());
        client->set_keep_alive(true);
        client->set_tcp_nodelay(true);
        client->set_read_timeout(30, 0);
        return client;
    }

    static sim::SimOptions TwoUsers() {
        sim::SimOptions o;
        o.users = {{"anna", "1111"}, {"ben", "2222"}};
        o.extensions = {{"anna", 7, "Anna's desk", "207"},
                        {"ben", 8, "Ben", "208"},
                        {"", 9, "Reception", "200"}};
        return o;
    }

    HttpAnswer PostRaw(const std::string& body, const std::string& soapAction,
                       const std::string& contentType = "text/xml; charset=\"utf-8\"") {
        httplib::Headers headers;
        if (!soapAction.empty()) headers.emplace("SOAPAction", soapAction);
        auto res = m_client->Post("/", headers, body, contentType.c_str());
        if (!res) return {};
        return {res->status, res->body};
    }

    // Sends a request built by the client's message layer and parses the answer with it.
    template <class Request>
    typename Request::Response Call(const Request& request, int expectedStatus = 200) {
        const soap::OperationInfo& info = soap::GetOperationInfo(Request::kOperation);
        HttpAnswer a = PostRaw(soap::BuildRequestEnvelope(request),
                               "\"" + std::string(info.soapAction) + "\"");
        EXPECT_EQ(a.status, expectedStatus) << a.body;
        typename Request::Response response;
        soap::SoapResult r = soap::ParseResponseEnvelope(a.body, response);
        EXPECT_TRUE(r.ok()) << r.message;
        return response;
    }

    static soap::TUserDetailsStruct Anna() { return soap::MakeUserDetails("anna", "1111"); }

    int32_t Add(const std::string& name, int32_t contactType, int32_t id = 65535) {
        soap::Request_SPG_AddOrUpdateContact add;
        add.userDetails = Anna();
        add.contact.contactId = id;
        add.contact.contactType = contactType;
        add.contact.displayName = name;
        add.contact.lastName = name;
        add.contact.firstName = "";
        add.contact.contactNumbers.push_back({1, "555", 4, 0, 0, 1});
        auto r = Call(add);
        EXPECT_EQ(r.returnData.errCode, 0) << r.returnData.errDesc;
        return r.contactId;
    }

    std::vector<int32_t> Ids(int32_t contactType) {
        soap::Request_SPG_GetContactIdList req;
        req.userDetails = Anna();
        req.contactType = contactType;
        auto r = Call(req);
        EXPECT_EQ(r.returnData.errCode, 0) << r.returnData.errDesc;
        return r.contactIdList;
    }

    std::unique_ptr<sim::PbxSimulator> m_sim;
    std::unique_ptr<httplib::Client> m_client;
};

}  // namespace korvi::test
