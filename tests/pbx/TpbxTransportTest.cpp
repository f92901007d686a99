// The client against answers that a PBX or the network can give but our simulator does not:
// each must end the operation with -2, "[Exception] " and a message naming what happened,
// within the timeout, and without the PIN in any text or log line.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "app/Log.h"
#include "common/ResultTesting.h"
#include "common/TestEnv.h"
#include "net/RawHttpServer.h"
#include "pbx/Tpbx.h"
#include "pbx/soap/SoapServerEnvelope.h"

namespace korvi {
namespace {

using test::HttpAnswer;
using test::RawAnswer;
using test::RawHttpServer;
using test::RawRequest;

constexpr char kPin[] = "Pin4Secret";

std::string IdListEnvelope(std::vector<int32_t> ids) {
    soap::Response_SPG_GetContactIdList response;
    response.contactIdList = std::move(ids);
    return soap::BuildResponseEnvelope(response);
}

struct BadAnswerCase {
    const char* name;
    RawAnswer (*answer)();
    const char* expectedWords;  // part of the message that names the failure
};

const BadAnswerCase kBadAnswers[] = {
    {"NoAnswerInTime_IsTimeout",
     [] {
         return RawAnswer{RawAnswer::kHang, "", 0};
     },
     "Timeout"},
    {"Http500WithoutFault_IsHttpError",
     [] {
         return RawAnswer{RawAnswer::kSend, HttpAnswer(500, "oops", "text/plain"), 0};
     },
     "HTTP error 500"},
    {"Http404_IsHttpError",
     [] {
         return RawAnswer{RawAnswer::kSend, HttpAnswer(404, "<html/>", "text/html"), 0};
     },
     "HTTP error 404"},
    {"ClosedBeforeAnswer_IsDropped",
     [] {
         return RawAnswer{RawAnswer::kSendAndClose, "", 0};
     },
     "closed without"},
    {"ClosedMidBody_IsDropped",
     [] {
         return RawAnswer{RawAnswer::kSendAndClose,
                          "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: 900\r\n"
                          "\r\n<soap:Envelope",
                          0};
     },
     "closed without"},
    {"SoapFault_IsFaultWithItsText",
     [] {
         return RawAnswer{
             RawAnswer::kSend,
             HttpAnswer(500, soap::BuildFaultEnvelope("soap:Server", "Phonebook database locked")),
             0};
     },
     "Phonebook database locked"},
    {"SoapFaultWithStatus200_IsStillFault",
     [] {
         return RawAnswer{RawAnswer::kSend,
                          HttpAnswer(200, soap::BuildFaultEnvelope("soap:Server", "No licence")),
                          0};
     },
     "SOAP Fault"},
    {"MalformedXml_IsInvalidAnswer",
     [] {
         return RawAnswer{RawAnswer::kSend, HttpAnswer(200, "<a><b></a>"), 0};
     },
     "Invalid answer"},
    {"TruncatedEnvelope_IsInvalidAnswer",
     [] {
         const std::string full = IdListEnvelope({1000, 1001});
         return RawAnswer{RawAnswer::kSend, HttpAnswer(200, full.substr(0, full.size() / 2)), 0};
     },
     "Invalid answer"},
    {"AnswerOfAnotherOperation_IsInvalidAnswer",
     [] {
         return RawAnswer{
             RawAnswer::kSend,
             HttpAnswer(200, soap::BuildResponseEnvelope(soap::Response_SPG_GetContact{})), 0};
     },
     "Invalid answer"},
    {"NonUtf8Text_IsInvalidAnswer",
     [] {
         soap::Response_SPG_GetContactIdList response;
         response.returnData.errDesc = "caf\xE9";  // Latin-1, not UTF-8
         std::string body = soap::BuildResponseEnvelope(response);
         // The builder repairs bad bytes; put the raw Latin-1 byte back as a PBX would send it.
         const auto pos = body.find("caf");
         if (pos != std::string::npos) body.replace(pos, body.find('<', pos) - pos, "caf\xE9");
         return RawAnswer{RawAnswer::kSend, HttpAnswer(200, body), 0};
     },
     "Invalid answer"},
    {"HundredMegabytesAnnounced_IsTooLarge",
     [] {
         return RawAnswer{RawAnswer::kSend,
                          "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " +
                              std::to_string(100u << 20) + "\r\n\r\n",
                          100u << 20};
     },
     "larger than"},
    {"HundredMegabytesUnannounced_IsTooLarge",
     [] {
         return RawAnswer{RawAnswer::kSendAndClose,
                          "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nConnection: close\r\n\r\n",
                          100u << 20};
     },
     "larger than"},
    {"NotHttpAnswer_IsNamed",
     [] {
         return RawAnswer{RawAnswer::kSendAndClose, "SSH-2.0-OpenSSH\r\n\r\n", 0};
     },
     "not HTTP"},
};

void PrintTo(const BadAnswerCase& c, std::ostream* os) { *os << c.name; }

class TpbxBadAnswerTest : public testing::TestWithParam<BadAnswerCase> {
protected:
    void SetUp() override {
        m_logs = test::MakeTempDir("logs");
        SetLogsFolder(m_logs);
        SetDetailedLogging(true);
    }
    void TearDown() override { SetDetailedLogging(false); }

    std::string AllLogs() const {
        std::string all;
        for (const auto& entry : std::filesystem::directory_iterator(m_logs)) {
            all += test::ReadFile(entry.path());
        }
        return all;
    }

    std::filesystem::path m_logs;
};

TEST_P(TpbxBadAnswerTest, EndsWithExceptionCodeAndNamedFailure) {
    const BadAnswerCase& param = GetParam();
    RawHttpServer server([&param](const RawRequest&) { return param.answer(); });
    ASSERT_NE(server.port(), 0);
    NullProgress progress;
    Tpbx pbx(progress);
    ASSERT_EQ(pbx.SetConnectionParams(server.url(), "alice", "1", kPin), 0);
    pbx.contactType = 1000;
    pbx.contactIdList.push_back({4711});  // must be cleared, whatever the outcome

    std::string text;
    const auto start = std::chrono::steady_clock::now();
    const int code = CodeOf(pbx.GetContactIdsForCurContactType(), text);
    const auto elapsed = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(code, kResultException);
    EXPECT_EQ(text.rfind("[Exception] ", 0), 0u) << text;
    EXPECT_NE(text.find(GetParam().expectedWords), std::string::npos) << text;
    EXPECT_TRUE(pbx.contactIdList.empty());
    // A bound, not a measurement: the 1 s timeout must hold whatever the server does.
    EXPECT_LT(elapsed, std::chrono::seconds(20));
    EXPECT_EQ(text.find(kPin), std::string::npos);
    const std::string logs = AllLogs();
    EXPECT_NE(logs.find("ERR: PBX: GetContactIdsForCurContactType Exception: "), std::string::npos)
        << logs;
    EXPECT_EQ(logs.find(kPin), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Transport, TpbxBadAnswerTest, testing::ValuesIn(kBadAnswers),
                         [](const auto& info) { return std::string(info.param.name); });

// A port that was free a moment ago: nothing listens there.
int ClosedLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof(addr);
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
        port = ntohs(addr.sin_port);
    }
    ::close(fd);
    return port;
}

TEST(TpbxTransportTest, RefusedPortAndBadAddressAndBadTimeout_AreExceptions) {
    NullProgress progress;
    Tpbx pbx(progress);
    std::string text;

    const int port = ClosedLoopbackPort();
    ASSERT_NE(port, 0);
    ASSERT_EQ(
        pbx.SetConnectionParams("http://127.0.0.1:" + std::to_string(port), "alice", "2", kPin), 0);
    EXPECT_EQ(CodeOf(pbx.CheckService(0), text), kResultException);
    EXPECT_EQ(text.rfind("[Exception] Could not connect to http://127.0.0.1:", 0), 0u) << text;

    ASSERT_EQ(pbx.SetConnectionParams("ftp://127.0.0.1:1", "alice", "2", kPin), 0);
    EXPECT_EQ(CodeOf(pbx.GetExtnInfo(), text), kResultException);
    EXPECT_NE(text.find("Invalid address"), std::string::npos) << text;

    // Without the usual checks in front, a timeout that is not a number stops the call.
    ASSERT_EQ(pbx.SetConnectionParams("http://127.0.0.1:1", "alice", "ten", kPin), 0);
    TContact contact;
    contact.contactId = kContactIdNew;
    EXPECT_EQ(CodeOf(pbx.WriteContact(contact), text), kResultException);
    EXPECT_EQ(text, "[Exception] 'ten' is not a valid timeout in seconds");
    EXPECT_EQ(contact.contactId, kContactIdNew);
}

TEST(TpbxTransportTest, PostsSoapHeadersAndReusesOneConnectionPerOperation) {
    RawHttpServer server([](const RawRequest& request) {
        if (request.head.find("SOAPAction: \"SPG-GetContactIdList\"") != std::string::npos) {
            return RawAnswer{RawAnswer::kSend, HttpAnswer(200, IdListEnvelope({1000, 1001, 1002})),
                             0};
        }
        soap::Response_SPG_GetContact response;
        response.contact = soap::TContactStruct{};
        response.contact->contactId = 1000;
        response.contact->displayName = "Ann";
        response.contact->contactNumbers.push_back({1, "123", 2, 1, 0, 1});
        return RawAnswer{RawAnswer::kSend, HttpAnswer(200, soap::BuildResponseEnvelope(response)),
                         0};
    });
    NullProgress progress;
    Tpbx pbx(progress);
    ASSERT_EQ(pbx.SetConnectionParams(server.url(), "alice", "5", kPin), 0);
    pbx.contactType = 1000;
    pbx.connections = 1;
    std::string text;
    ASSERT_EQ(CodeOf(pbx.GetContactIdsForCurContactType(), text), 0) << text;
    EXPECT_EQ(text, "[SoapError] ");
    ASSERT_EQ(pbx.contactIdList.size(), 3u);

    TContactList list;
    StopFlag stop{false};
    ASSERT_EQ(CodeOf(pbx.LoadContacts(&list, stop), text), 0) << text;
    EXPECT_EQ(list.size(), 3u);

    // One connection for the id list, one for the whole load.
    EXPECT_EQ(server.connections(), 2);
    EXPECT_EQ(pbx.connectionsOpened(), 2);
    const auto received = server.received();
    ASSERT_EQ(received.size(), 4u);
    for (const auto& request : received) {
        EXPECT_EQ(request.head.rfind("POST / HTTP/1.1\r\n", 0), 0u) << request.head;
        EXPECT_NE(request.head.find("\r\nContent-Type: text/xml; charset=\"utf-8\""),
                  std::string::npos)
            << request.head;
        EXPECT_EQ(request.head.find("Expect:"), std::string::npos) << request.head;
    }
    EXPECT_NE(received[1].head.find("\r\nSOAPAction: \"SPG-GetContact\""), std::string::npos);
}

}  // namespace
}  // namespace korvi
