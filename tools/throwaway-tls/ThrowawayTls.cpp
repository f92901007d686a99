#include "ThrowawayTls.h"

#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <arpa/inet.h>

#include <cstdio>
#include <memory>

namespace korvi::tls {

namespace {

constexpr long kDay = 86400;

using KeyPtr = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using CertPtr = std::unique_ptr<X509, decltype(&X509_free)>;

std::string OpenSslError(const char* step) {
    const unsigned long code = ERR_get_error();
    char text[256] = {};
    if (code != 0) ERR_error_string_n(code, text, sizeof text);
    ERR_clear_error();
    return std::string(step) + (code != 0 ? std::string(": ") + text : std::string());
}

bool IsIpAddress(const std::string& host) {
    unsigned char buffer[16];
    return inet_pton(AF_INET, host.c_str(), buffer) == 1 ||
           inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

bool AddExtension(X509* cert, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
    if (ext == nullptr) return false;
    const bool added = X509_add_ext(cert, ext, -1) == 1;
    X509_EXTENSION_free(ext);
    return added;
}

bool SetName(X509* cert, const char* commonName) {
    X509_NAME* name = X509_get_subject_name(cert);
    return X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                                      reinterpret_cast<const unsigned char*>("Korvi tests only"),
                                      -1, -1, 0) == 1 &&
           X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                      reinterpret_cast<const unsigned char*>(commonName), -1, -1,
                                      0) == 1;
}

CertPtr NewCertificate(EVP_PKEY* key, long serial, const char* commonName) {
    CertPtr cert(X509_new(), X509_free);
    if (!cert || X509_set_version(cert.get(), 2) != 1 ||
        ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial) != 1 ||
        X509_gmtime_adj(X509_getm_notBefore(cert.get()), -kDay) == nullptr ||
        X509_gmtime_adj(X509_getm_notAfter(cert.get()), 30 * kDay) == nullptr ||
        X509_set_pubkey(cert.get(), key) != 1 || !SetName(cert.get(), commonName)) {
        return CertPtr(nullptr, X509_free);
    }
    return cert;
}

bool WritePem(const std::filesystem::path& file, mode_t mode, X509* cert, EVP_PKEY* key) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) return false;
    FILE* out = ::fdopen(fd, "w");
    if (out == nullptr) {
        ::close(fd);
        return false;
    }
    bool ok = cert != nullptr
                  ? PEM_write_X509(out, cert) == 1
                  : PEM_write_PrivateKey(out, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    ok = std::fflush(out) == 0 && ok;
    ok = std::fclose(out) == 0 && ok;
    return ok;
}

}  // namespace

bool MakeThrowawayTls(const std::filesystem::path& folder, const std::vector<std::string>& hosts,
                      TlsFiles& files, std::string& error) {
    // EC keys: generated in a millisecond, where RSA takes long under the sanitizers.
    KeyPtr caKey(EVP_EC_gen("P-256"), EVP_PKEY_free);
    KeyPtr serverKey(EVP_EC_gen("P-256"), EVP_PKEY_free);
    if (!caKey || !serverKey) {
        error = OpenSslError("key generation");
        return false;
    }

    CertPtr ca = NewCertificate(caKey.get(), 1, "Korvi throw-away test CA");
    if (!ca || X509_set_issuer_name(ca.get(), X509_get_subject_name(ca.get())) != 1 ||
        !AddExtension(ca.get(), ca.get(), NID_basic_constraints, "critical,CA:TRUE") ||
        !AddExtension(ca.get(), ca.get(), NID_key_usage, "critical,keyCertSign,cRLSign") ||
        !AddExtension(ca.get(), ca.get(), NID_subject_key_identifier, "hash") ||
        X509_sign(ca.get(), caKey.get(), EVP_sha256()) == 0) {
        error = OpenSslError("CA certificate");
        return false;
    }

    std::string altNames;
    for (const auto& host : hosts) {
        if (!altNames.empty()) altNames += ",";
        altNames += (IsIpAddress(host) ? "IP:" : "DNS:") + host;
    }
    const char* commonName = hosts.empty() ? "localhost" : hosts.front().c_str();
    CertPtr server = NewCertificate(serverKey.get(), 2, commonName);
    if (!server || X509_set_issuer_name(server.get(), X509_get_subject_name(ca.get())) != 1 ||
        !AddExtension(server.get(), ca.get(), NID_basic_constraints, "critical,CA:FALSE") ||
        !AddExtension(server.get(), ca.get(), NID_key_usage, "critical,digitalSignature") ||
        !AddExtension(server.get(), ca.get(), NID_ext_key_usage, "serverAuth") ||
        (!altNames.empty() &&
         !AddExtension(server.get(), ca.get(), NID_subject_alt_name, altNames)) ||
        !AddExtension(server.get(), ca.get(), NID_authority_key_identifier, "keyid") ||
        X509_sign(server.get(), caKey.get(), EVP_sha256()) == 0) {
        error = OpenSslError("server certificate");
        return false;
    }

    TlsFiles out{folder / "ca.pem", folder / "server-cert.pem", folder / "server-key.pem"};
    if (!WritePem(out.caCert, 0644, ca.get(), nullptr) ||
        !WritePem(out.serverCert, 0644, server.get(), nullptr) ||
        !WritePem(out.serverKey, 0600, nullptr, serverKey.get())) {
        error = "Could not write the certificate files into " + folder.string();
        return false;
    }
    files = std::move(out);
    return true;
}

}  // namespace korvi::tls
