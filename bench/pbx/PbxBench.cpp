// Loads N contacts from the simulated PBX over loopback and writes N back (SaveContacts), and
// prints contacts per second each way with the TCP connections each direction opened.
//   bench-pbx [--contacts N]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "PbxSimulator.h"
#include "common/StepCode.h"
#include "pbx/Tpbx.h"

namespace {

using korvi::bench::Code;

constexpr int32_t kBenchType = 101;
constexpr double kTargetPerSecond = 2000.0;

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

void Report(const char* what, int contacts, double seconds, unsigned long long simConnections,
            long clientConnections) {
    const double rate = seconds > 0 ? contacts / seconds : 0;
    std::printf(
        "%-5s %6d contacts in %7.3f s: %8.0f contacts/s  (TCP connections: %llu seen "
        "by the PBX, %ld opened by the client) %s\n",
        what, contacts, seconds, rate, simConnections, clientConnections,
        rate >= kTargetPerSecond ? "target met" : "BELOW TARGET");
}

}  // namespace

int main(int argc, char** argv) {
    int contacts = 5000;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--contacts") == 0 && i + 1 < argc) {
            contacts = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: bench-pbx [--contacts N]\n");
            return 2;
        }
    }
    if (contacts <= 0) {
        std::fprintf(stderr, "bench-pbx: --contacts must be positive\n");
        return 2;
    }

    korvi::sim::SimOptions options;
    options.users = {{"bench", "1234"}};
    options.extensions = {{"bench", kBenchType, "Bench Desk", "201"}};
    options.seeds = {{contacts, kBenchType}};
    korvi::sim::PbxSimulator sim(options);
    std::string error;
    if (!sim.Start(error)) {
        std::fprintf(stderr, "bench-pbx: simulator: %s\n", error.c_str());
        return 1;
    }

    korvi::NullProgress progress;
    korvi::Tpbx pbx(progress);
    static_cast<void>(pbx.SetConnectionParams(sim.Url(), "bench", "30", "1234"));
    pbx.contactType = kBenchType;
    pbx.contactTypeName = "Bench Desk";
    korvi::StopFlag stop{false};
    std::string text;

    std::printf("bench-pbx: %d contacts, simulator at %s\n", contacts, sim.Url().c_str());

    sim.ResetCounters();
    long before = pbx.connectionsOpened();
    auto start = std::chrono::steady_clock::now();
    korvi::TContactList list;
    int code = Code(pbx.GetContactIdsForCurContactType(), text);
    if (code == 0) code = Code(pbx.LoadContacts(&list, stop), text);
    const double loadSeconds = Seconds(std::chrono::steady_clock::now() - start);
    if (code != 0) {
        std::fprintf(stderr, "bench-pbx: load failed: %s (Error Code %d)\n", text.c_str(), code);
        return 1;
    }
    Report("load", static_cast<int>(list.size()), loadSeconds, sim.ConnectionCount(),
           pbx.connectionsOpened() - before);

    sim.ResetCounters();
    before = pbx.connectionsOpened();
    start = std::chrono::steady_clock::now();
    code = Code(pbx.SaveContacts(&list, stop), text);
    const double saveSeconds = Seconds(std::chrono::steady_clock::now() - start);
    if (code != 0) {
        std::fprintf(stderr, "bench-pbx: save failed: %s (Error Code %d)\n", text.c_str(), code);
        return 1;
    }
    Report("save", static_cast<int>(list.size()), saveSeconds, sim.ConnectionCount(),
           pbx.connectionsOpened() - before);
    if (sim.PbxState(kBenchType).size() != list.size()) {
        std::fprintf(stderr, "bench-pbx: the PBX holds %zu contacts, expected %zu\n",
                     sim.PbxState(kBenchType).size(), list.size());
        return 1;
    }
    sim.Stop();
    return 0;
}
