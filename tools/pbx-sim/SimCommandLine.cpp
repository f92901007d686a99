#include "SimCommandLine.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <charconv>
#include <limits>
#include <string_view>

namespace korvi::sim {

namespace {

template <class T>
bool ParseNumber(std::string_view text, T& value, T min, T max) {
    T parsed{};
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (ec != std::errc() || end != text.data() + text.size() || parsed < min || parsed > max) {
        return false;
    }
    value = parsed;
    return true;
}

std::vector<std::string_view> Split(std::string_view text, char sep) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = text.find(sep);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) break;
        text.remove_prefix(at + 1);
    }
    return parts;
}

// The simulator never listens beyond this machine: 127.0.0.0/8 only.
bool IsLoopbackIpv4(const std::string& text) {
    in_addr addr{};
    return inet_pton(AF_INET, text.c_str(), &addr) == 1 && (ntohl(addr.s_addr) >> 24) == 127;
}

bool ParseContactType(std::string_view text, int32_t& type) {
    if (text == "central") {
        type = 65533;
        return true;
    }
    return ParseNumber<int32_t>(text, type, 0, std::numeric_limits<int32_t>::max());
}

}  // namespace

const char* SimUsage() {
    return "Usage: korvi-pbx-sim [options]\n"
           "A PBX with SOAP web services on 127.0.0.1, for tests and demos.\n"
           "\n"
           "  --host ADDR               loopback address to listen on (127.0.0.0/8; default\n"
           "                            127.0.0.1)\n"
           "  --port N                  SOAP port (0, the default: any free port)\n"
           "  --user NAME:PIN           a user (repeatable; default user:1234)\n"
           "  --extension [USER:]DEVID:NAME:NUMBER\n"
           "                            an extension of USER, or of every user (repeatable;\n"
           "                            default 101:Extension 201:201)\n"
           "  --seed N[:central|DEVID]  N generated contacts in the central store or the\n"
           "                            extension's phonebook (repeatable; ignored when the\n"
           "                            state file exists)\n"
           "  --state FILE              phonebook file: loaded at start, written after every\n"
           "                            change\n"
           "  --fail-request K          the K-th SOAP request gets HTTP 500\n"
           "  --drop-request K          the K-th SOAP request's connection is closed unanswered\n"
           "  --fault-after K           SOAP Fault from the K-th request on\n"
           "  --delay-ms D              every answer D milliseconds late\n"
           "  --fail-name TEXT          contacts whose display name contains TEXT are refused\n"
           "                            (repeatable)\n"
           "  --portal-port P           user portal login check on port P (0: any free port)\n"
           "  --platform TEXT           platform name reported by CheckService\n"
           "  --sw-version TEXT         software version reported by CheckService\n"
           "  --browser-port N          portal port reported by CheckService\n"
           "  --ssdp                    answer SSDP searches for the PBX device type and serve\n"
           "                            the device description at /description.xml (only in a\n"
           "                            network namespace whose only interface is lo)\n"
           "  --max-request-bytes N     larger requests are refused (default 8388608)\n"
           "  --help                    this text\n"
           "\n"
           "Prints \"listening on http://127.0.0.1:PORT\" when ready; SIGINT or SIGTERM stops "
           "it.\n";
}

bool ParseSimCommandLine(const std::vector<std::string>& args, SimCommandLine& out,
                         std::string& error) {
    SimOptions& o = out.options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (const std::size_t eq = name.find('=');
            name.starts_with("--") && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            hasValue = true;
        }
        if (name == "--help" || name == "-h") {
            out.help = true;
            continue;
        }
        if (name == "--ssdp") {
            if (hasValue) return error = "Option --ssdp takes no value", false;
            o.ssdp = true;
            continue;
        }
        if (!name.starts_with("--")) {
            error = "Unexpected argument '" + name + "'";
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                error = "Option " + name + " needs a value";
                return false;
            }
            value = args[++i];
        }
        const std::string bad = "Invalid value '" + value + "' for " + name;
        constexpr int64_t kMaxK = std::numeric_limits<int64_t>::max();
        if (name == "--host") {
            if (!IsLoopbackIpv4(value)) return error = bad + " (a 127.x.x.x address)", false;
            o.host = value;
        } else if (name == "--port" || name == "--portal-port") {
            int port = 0;
            if (!ParseNumber(value, port, 0, 65535)) return error = bad, false;
            (name == "--port" ? o.port : o.portalPort) = port;
        } else if (name == "--user") {
            const std::size_t colon = value.find(':');
            if (colon == std::string::npos || colon == 0) return error = bad, false;
            o.users.push_back({value.substr(0, colon), value.substr(colon + 1)});
        } else if (name == "--extension") {
            const auto parts = Split(value, ':');
            if (parts.size() != 3 && parts.size() != 4) return error = bad, false;
            const std::size_t base = parts.size() - 3;
            SimExtension e;
            if (base == 1) e.user = std::string(parts[0]);
            if (!ParseNumber<int32_t>(parts[base], e.devID, 0,
                                      std::numeric_limits<int32_t>::max()) ||
                e.devID == 65533 || e.devID == 65535) {
                return error = bad, false;
            }
            e.name = std::string(parts[base + 1]);
            e.number = std::string(parts[base + 2]);
            o.extensions.push_back(std::move(e));
        } else if (name == "--seed") {
            const auto parts = Split(value, ':');
            SimSeed seed;
            if (parts.size() > 2 || !ParseNumber(parts[0], seed.count, 0, 10'000'000) ||
                (parts.size() == 2 && !ParseContactType(parts[1], seed.contactType))) {
                return error = bad, false;
            }
            o.seeds.push_back(seed);
        } else if (name == "--state") {
            if (value.empty()) return error = bad, false;
            o.stateFile = value;
        } else if (name == "--fail-request") {
            if (!ParseNumber<int64_t>(value, o.failRequest, 0, kMaxK)) return error = bad, false;
        } else if (name == "--drop-request") {
            if (!ParseNumber<int64_t>(value, o.dropRequest, 0, kMaxK)) return error = bad, false;
        } else if (name == "--fault-after") {
            if (!ParseNumber<int64_t>(value, o.faultAfter, 0, kMaxK)) return error = bad, false;
        } else if (name == "--delay-ms") {
            if (!ParseNumber(value, o.delayMs, 0, 3'600'000)) return error = bad, false;
        } else if (name == "--fail-name") {
            if (value.empty()) return error = bad, false;
            o.failingNames.push_back(value);
        } else if (name == "--platform") {
            o.platform = value;
        } else if (name == "--sw-version") {
            o.swVersion = value;
        } else if (name == "--browser-port") {
            if (!ParseNumber<int32_t>(value, o.browserPort, 0, 65535)) return error = bad, false;
        } else if (name == "--max-request-bytes") {
            if (!ParseNumber<std::size_t>(value, o.maxRequestBytes, 1, std::size_t{1} << 32)) {
                return error = bad, false;
            }
        } else {
            error = "Unknown option " + name;
            return false;
        }
    }
    return true;
}

}  // namespace korvi::sim
