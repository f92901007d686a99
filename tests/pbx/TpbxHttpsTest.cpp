// A LAN PBX serves HTTPS with a certificate of its own making: the client talks to it although
// the certificate is self-signed, names another host and has expired.
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <httplib.h>

#include "common/ResultTesting.h"
#include "common/TestEnv.h"
#include "pbx/Tpbx.h"
#include "pbx/soap/SoapServerEnvelope.h"

namespace korvi {
namespace {

// A self-signed certificate for "pbx.invalid" that expired yesterday, and its key, as PEM files.
bool MakeCertificate(const std::filesystem::path& certFile, const std::filesystem::path& keyFile) {
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_RSA_gen(2048), EVP_PKEY_free);
    std::unique_ptr<X509, decltype(&X509_free)> cert(X509_new(), X509_free);
    if (!key || !cert) return false;
    X509_NAME* name = X509_get_subject_name(cert.get());
    if (X509_set_version(cert.get(), 2) != 1 ||
        ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1) != 1 ||
        X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3 * 86400) == nullptr ||
        X509_gmtime_adj(X509_getm_notAfter(cert.get()), -86400) == nullptr ||
        X509_set_pubkey(cert.get(), key.get()) != 1 ||
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>("pbx.invalid"), -1, -1,
                                   0) != 1 ||
        X509_set_issuer_name(cert.get(), name) != 1 ||
        X509_sign(cert.get(), key.get(), EVP_sha256()) == 0) {
        return false;
    }
    std::unique_ptr<FILE, decltype(&std::fclose)> c(std::fopen(certFile.c_str(), "w"), std::fclose);
    std::unique_ptr<FILE, decltype(&std::fclose)> k(std::fopen(keyFile.c_str(), "w"), std::fclose);
    return c && k && PEM_write_X509(c.get(), cert.get()) == 1 &&
           PEM_write_PrivateKey(k.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1;
}

TEST(TpbxHttpsTest, SelfSignedExpiredCertificateOfAnotherHost_IsAccepted) {
    const auto folder = test::MakeTempDir("tls");
    const auto certFile = folder / "cert.pem";
    const auto keyFile = folder / "key.pem";
    ASSERT_TRUE(MakeCertificate(certFile, keyFile));

    httplib::SSLServer server(certFile.c_str(), keyFile.c_str());
    ASSERT_TRUE(server.is_valid());
    server.Post("/", [](const httplib::Request&, httplib::Response& res) {
        soap::Response_SYS_CheckService response;
        response.sysInfo = soap::TSysInfoStruct{"TlsPbx", 2, "9.9", 1, 443};
        res.set_content(soap::BuildResponseEnvelope(response), "text/xml; charset=utf-8");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    std::thread thread([&server] { server.listen_after_bind(); });
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!server.is_running() && std::chrono::steady_clock::now() < until) {
        std::this_thread::yield();
    }
    ASSERT_TRUE(server.is_running());

    NullProgress progress;
    Tpbx pbx(progress);
    ASSERT_EQ(
        pbx.SetConnectionParams("https://127.0.0.1:" + std::to_string(port), "alice", "5", "1234"),
        0);
    std::string text;
    EXPECT_EQ(CodeOf(pbx.CheckService(0), text), 0) << text;
    EXPECT_EQ(pbx.platform, "TlsPbx");
    EXPECT_EQ(pbx.browserPort, 443);

    server.stop();
    thread.join();
}

}  // namespace
}  // namespace korvi
