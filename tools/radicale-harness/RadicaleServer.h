// A real CardDAV server for tests and benchmarks: Radicale on 127.0.0.1 with a storage folder
// and an htpasswd file of its own, over plain HTTP or over TLS with a throw-away authority.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace korvi::test {

class RadicaleServer {
public:
    static constexpr char kUser[] = "alice";
    static constexpr char kPassword[] = "secret";

    struct Options {
        bool tls = false;
        // Where the storage, the users file and the certificates go (made when missing);
        // empty: a new folder in the system's temporary folder, removed by the destructor.
        std::filesystem::path folder;
    };

    explicit RadicaleServer(Options options);
    RadicaleServer() : RadicaleServer(Options{}) {}
    ~RadicaleServer();
    RadicaleServer(const RadicaleServer&) = delete;
    RadicaleServer& operator=(const RadicaleServer&) = delete;

    // Starts it and waits until it accepts connections.
    [[nodiscard]] bool Start(std::string& error);
    // SIGTERM, then waits for the process (SIGKILL after a deadline). Idempotent.
    void Stop();
    // Starts it again on the same port and storage (after Stop).
    [[nodiscard]] bool Restart(std::string& error);

    bool running() const { return m_pid > 0; }
    // "http://127.0.0.1:PORT" or "https://127.0.0.1:PORT".
    std::string Url() const;
    // The authority a client must trust (TLS only).
    std::string CaFile() const { return m_caFile.string(); }
    // The account's principal: Url() + "/alice/".
    std::string PrincipalUrl() const { return Url() + "/" + kUser + "/"; }

    // Makes the address book /alice/<name>/ (MKCOL); its address ends in '/'.
    [[nodiscard]] bool MakeAddressBook(const std::string& name, std::string& url,
                                       std::string& error);

private:
    bool Spawn(std::string& error);
    bool WaitUntilAccepting(std::string& error);

    Options m_options;
    std::filesystem::path m_dir;
    bool m_ownDir = false;
    std::filesystem::path m_caFile;
    std::filesystem::path m_certFile;
    std::filesystem::path m_keyFile;
    int m_port = 0;
    pid_t m_pid = -1;
};

}  // namespace korvi::test
