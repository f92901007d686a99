// HTTPS is verified: the chain against the given authority and the host name against the
// certificate, TLS 1.2 or newer. Each refusal says why, and nothing of the request is answered.
#include <openssl/ssl.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <httplib.h>

#include "ThrowawayTls.h"
#include "common/TestEnv.h"
#include "net/CurlTransport.h"

namespace korvi::net {
namespace {

// A TLS server on 127.0.0.1 with a certificate of a throw-away authority made for `hosts`.
class TlsServer {
public:
    explicit TlsServer(const std::vector<std::string>& hosts, int maxTlsVersion = 0) {
        const auto folder = test::MakeTempDir("tls");
        std::string error;
        if (!tls::MakeThrowawayTls(folder, hosts, m_files, error)) {
            ADD_FAILURE() << error;
            return;
        }
        m_server = std::make_unique<httplib::SSLServer>(m_files.serverCert.c_str(),
                                                        m_files.serverKey.c_str());
        if (!m_server->is_valid()) {
            ADD_FAILURE() << "TLS server not valid";
            return;
        }
        if (maxTlsVersion != 0) {
            SSL_CTX_set_min_proto_version(m_server->ssl_context(), TLS1_VERSION);
            SSL_CTX_set_max_proto_version(m_server->ssl_context(), maxTlsVersion);
        }
        m_server->Get("/feed", [this](const httplib::Request&, httplib::Response& res) {
            ++m_answered;
            res.set_content("<feed/>", "application/atom+xml");
        });
        m_server->Put("/feed", [this](const httplib::Request& req, httplib::Response& res) {
            ++m_answered;
            res.set_header("ETag", "\"E2.\"");
            res.set_content(req.body, "application/atom+xml");
        });
        m_port = m_server->bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server->listen_after_bind(); });
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!m_server->is_running() && std::chrono::steady_clock::now() < until) {
            std::this_thread::yield();
        }
    }
    ~TlsServer() {
        if (m_server) m_server->stop();
        if (m_thread.joinable()) m_thread.join();
    }

    std::string url() const { return "https://127.0.0.1:" + std::to_string(m_port) + "/feed"; }
    const tls::TlsFiles& files() const { return m_files; }
    int answered() const { return m_answered; }

private:
    tls::TlsFiles m_files;
    std::unique_ptr<httplib::SSLServer> m_server;
    std::thread m_thread;
    int m_port = 0;
    std::atomic<int> m_answered{0};
};

TEST(CurlTransportTlsTest, CertificateOfTheGivenAuthority_IsTrusted) {
    TlsServer server({"127.0.0.1", "localhost"});
    CurlTransportOptions options;
    options.caFile = server.files().caCert.string();
    CurlTransport transport(options);
    HttpRequest get;
    get.url = server.url();
    HttpResponse response = transport.Send(get);
    ASSERT_TRUE(response.Completed()) << response.error;
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.body, "<feed/>");

    HttpRequest put;
    put.method = "PUT";
    put.url = server.url();
    put.headers = {{"Content-Type", "application/atom+xml"}};
    put.body = "<entry/>";
    response = transport.Send(put);
    ASSERT_TRUE(response.Completed()) << response.error;
    EXPECT_EQ(response.Header("ETag"), "\"E2.\"");
    EXPECT_EQ(response.body, "<entry/>");
}

TEST(CurlTransportTlsTest, UntrustedWrongHostOldProtocolOrMissingCaFile_AreRefused) {
    struct Case {
        const char* name;
        std::vector<std::string> hosts;
        int maxTlsVersion;
        bool giveCaFile;
        bool caFileMissing;
        const char* words;
    };
    const Case cases[] = {
        {"AuthorityNotGiven_NotTrusted", {"127.0.0.1"}, 0, false, false, "not trusted"},
        {"CertificateForAnotherHost_NotTrusted",
         {"cloud.invalid", "10.9.9.9"},
         0,
         true,
         false,
         "not trusted"},
        {"Tls11Server_Refused", {"127.0.0.1"}, TLS1_1_VERSION, true, false, "protocol version"},
        {"CaFileMissing_NamesTheFile", {"127.0.0.1"}, 0, true, true, "no-such-ca.pem"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TlsServer server(c.hosts, c.maxTlsVersion);
        CurlTransportOptions options;
        if (c.giveCaFile) {
            options.caFile = c.caFileMissing ? (test::TempRoot() / "no-such-ca.pem").string()
                                             : server.files().caCert.string();
        }
        CurlTransport transport(options);
        HttpRequest get;
        get.url = server.url();
        const HttpResponse response = transport.Send(get);
        EXPECT_FALSE(response.Completed());
        EXPECT_NE(response.error.find(c.words), std::string::npos) << response.error;
        EXPECT_EQ(server.answered(), 0);
    }
}

}  // namespace
}  // namespace korvi::net
