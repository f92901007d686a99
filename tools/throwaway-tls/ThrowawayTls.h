// Certificates for loopback tests and demos, made at run time so that no private key is ever
// committed: a new certificate authority and a server certificate it signed for the given host
// names and addresses. Nothing here is fit to protect anything but a test.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace korvi::tls {

struct TlsFiles {
    std::filesystem::path caCert;      // PEM: what a client trusts (the "GmailCaFile")
    std::filesystem::path serverCert;  // PEM: the server's certificate
    std::filesystem::path serverKey;   // PEM: its private key (file mode 0600)
};

// Writes ca.pem, server-cert.pem and server-key.pem into folder (which must exist). hosts are
// DNS names or IP addresses ("127.0.0.1", "localhost"), put in the certificate's subject
// alternative names. False with error set when a step fails.
[[nodiscard]] bool MakeThrowawayTls(const std::filesystem::path& folder,
                                    const std::vector<std::string>& hosts, TlsFiles& files,
                                    std::string& error);

}  // namespace korvi::tls
