// What a simulated PBX is started with: its users and extensions, the seeded phonebook, the
// state file and the faults to inject.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace korvi::sim {

struct SimUser {
    std::string name;
    std::string pin;
};

// An extension of one user, or of every user when user is empty. Its devID is the contact type
// of its personal phonebook.
struct SimExtension {
    std::string user;
    int32_t devID = 0;
    std::string name;
    std::string number;
};

// count generated contacts in the phonebook of contactType (65533: the central store).
struct SimSeed {
    int count = 0;
    int32_t contactType = 65533;
};

struct SimOptions {
    // A loopback address (127.0.0.0/8): several simulators on 127.0.0.2, 127.0.0.3, ... look
    // like PBXs on different hosts of one LAN.
    std::string host = "127.0.0.1";
    int port = 0;  // 0: any free port
    // None given: one user "user" with PIN "1234".
    std::vector<SimUser> users;
    // None given: extension 101 "Extension 201", number "201", for every user.
    std::vector<SimExtension> extensions;
    // Used only when there is no state file yet.
    std::vector<SimSeed> seeds;
    // Loaded at start when it exists, written after every change.
    std::filesystem::path stateFile;

    // Request numbers count SOAP POSTs from 1; 0 switches a fault off.
    int64_t failRequest = 0;  // that request gets HTTP 500
    int64_t dropRequest = 0;  // that request's connection is closed without an answer
    int64_t faultAfter = 0;   // that request and every later one get a SOAP Fault
    int delayMs = 0;          // every answer is this late
    // A contact whose display name contains one of these is refused (non-zero errCode) when
    // written or read.
    std::vector<std::string> failingNames;

    int portalPort = -1;  // -1: no portal; 0: any free port
    // Answer SSDP searches for the PBX device type and serve the device description (only
    // inside a network namespace whose only interface is lo).
    bool ssdp = false;
    std::string platform = "KorviSim";
    int32_t platformSubtype = 1;
    std::string swVersion = "1.0.0";
    int32_t distr = 0;
    int32_t browserPort = -1;  // -1: the portal's port (0 without a portal)

    std::size_t maxRequestBytes = 8u << 20;
};

// The PBX's own error codes, with their errDesc texts.
enum SimErrCode : int32_t {
    kSimOk = 0,
    kSimErrLogin = 1,          // "Invalid user name or PIN"
    kSimErrNotFound = 2,       // "Contact not found"
    kSimErrContactType = 3,    // "Invalid contact type"
    kSimErrDeleteType = 4,     // "Invalid delete type"
    kSimErrRejected = 5,       // "Contact rejected"
    kSimErrPhonebookFull = 6,  // "No more contact ids"
};

}  // namespace korvi::sim
