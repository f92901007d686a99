// korvi-gdata-sim: the cloud contacts emulator as a program. Serves until SIGINT or SIGTERM.
#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "GdataCommandLine.h"
#include "GdataSimulator.h"
#include "ThrowawayTls.h"

int main(int argc, char** argv) {
    using namespace korvi::gdatasim;
    GdataCommandLine cmd;
    std::string error;
    if (!ParseGdataCommandLine(std::vector<std::string>(argv + 1, argv + argc), cmd, error)) {
        std::fprintf(stderr, "korvi-gdata-sim: %s\n%s", error.c_str(), GdataUsage());
        return 2;
    }
    if (cmd.help) {
        std::fputs(GdataUsage(), stdout);
        return 0;
    }
    if (!cmd.tlsGenerateDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(cmd.tlsGenerateDir, ec);
        korvi::tls::TlsFiles files;
        if (ec || !korvi::tls::MakeThrowawayTls(cmd.tlsGenerateDir, {"127.0.0.1", "localhost"},
                                                files, error)) {
            std::fprintf(stderr, "korvi-gdata-sim: throw-away certificate in %s: %s\n",
                         cmd.tlsGenerateDir.c_str(), ec ? ec.message().c_str() : error.c_str());
            return 1;
        }
        cmd.options.tlsCert = files.serverCert;
        cmd.options.tlsKey = files.serverKey;
    }

    // Blocked before any thread starts, so every server thread inherits the mask and the
    // signals wait for sigwait below. A client that hangs up must not kill the server.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    if (pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr) != 0 ||
        signal(SIGPIPE, SIG_IGN) == SIG_ERR) {
        std::fprintf(stderr, "korvi-gdata-sim: could not set up signal handling\n");
        return 1;
    }

    GdataSimulator simulator(cmd.options);
    if (!simulator.Start(error)) {
        std::fprintf(stderr, "korvi-gdata-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("listening on %s\n", simulator.Url().c_str());
    if (std::fflush(stdout) != 0) {
        simulator.Stop();
        return 1;
    }
    int received = 0;
    if (sigwait(&stopSignals, &received) != 0) {
        simulator.Stop();
        return 1;
    }
    simulator.Stop();
    return 0;
}
