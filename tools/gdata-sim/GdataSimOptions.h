// What the cloud contacts emulator is started with: its accounts, the seeded contacts, the
// state file, TLS, paging and the faults to inject.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace korvi::gdatasim {

struct SimAccount {
    std::string email;
    std::string password;
};

// count generated contacts in the group of that title (created when missing); empty title:
// the system group "System Group: My Contacts".
struct SimSeed {
    int count = 0;
    std::string groupTitle;
};

inline constexpr char kDefaultEmail[] = "korvi.test@gmail.com";
inline constexpr char kDefaultPassword[] = "korvi-secret";

struct GdataSimOptions {
    int port = 0;  // 0: any free port
    // None given: kDefaultEmail with kDefaultPassword.
    std::vector<SimAccount> accounts;
    // For the first account; used only when there is no state file yet.
    std::vector<SimSeed> seeds;
    // Loaded at start when it exists, written after every change.
    std::filesystem::path stateFile;
    // Both given: HTTPS with this certificate and key (PEM).
    std::filesystem::path tlsCert;
    std::filesystem::path tlsKey;

    // A feed page holds at most this many entries whatever max-results asks (0: no cap).
    int pageCap = 0;
    // The login answer ends with a line end (the service's own answers differ in this).
    bool loginFinalNewline = true;

    // Request numbers count every HTTP request from 1 (logins included); 0 switches off.
    int64_t failRequest = 0;     // that request gets HTTP 500
    int64_t dropRequest = 0;     // that request's connection is closed without an answer
    int64_t expireTokensAt = 0;  // every token issued so far is invalid from that request on

    std::size_t maxRequestBytes = 8u << 20;
};

}  // namespace korvi::gdatasim
