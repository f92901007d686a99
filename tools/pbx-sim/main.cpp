// korvi-pbx-sim: the simulated PBX as a program. Serves until SIGINT or SIGTERM.
#include <signal.h>

#include <cstdio>
#include <string>
#include <vector>

#include "PbxSimulator.h"
#include "SimCommandLine.h"

int main(int argc, char** argv) {
    using namespace korvi::sim;
    SimCommandLine cmd;
    std::string error;
    if (!ParseSimCommandLine(std::vector<std::string>(argv + 1, argv + argc), cmd, error)) {
        std::fprintf(stderr, "korvi-pbx-sim: %s\n%s", error.c_str(), SimUsage());
        return 2;
    }
    if (cmd.help) {
        std::fputs(SimUsage(), stdout);
        return 0;
    }

    // Blocked before any thread starts, so every server thread inherits the mask and the
    // signals wait for sigwait below. A client that hangs up must not kill the server.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    if (pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr) != 0 ||
        signal(SIGPIPE, SIG_IGN) == SIG_ERR) {
        std::fprintf(stderr, "korvi-pbx-sim: could not set up signal handling\n");
        return 1;
    }

    PbxSimulator simulator(cmd.options);
    if (!simulator.Start(error)) {
        std::fprintf(stderr, "korvi-pbx-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("listening on %s\n", simulator.Url().c_str());
    if (simulator.PortalPort() >= 0) {
        std::printf("portal on %s\n", simulator.PortalUrl().c_str());
    }
    if (cmd.options.ssdp) {
        std::printf("answering SSDP searches; description at %s/description.xml\n",
                    simulator.Url().c_str());
    }
    if (std::fflush(stdout) != 0) {
        simulator.Stop();
        return 1;
    }

    int received = 0;
    while (sigwait(&stopSignals, &received) != 0) {
        // sigwait fails only with EINVAL on a bad set; the set is fixed, so this does not loop.
        simulator.Stop();
        return 1;
    }
    simulator.Stop();
    return 0;
}
