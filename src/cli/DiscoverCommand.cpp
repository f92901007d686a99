#include "cli/DiscoverCommand.h"

#include <chrono>
#include <ostream>
#include <string>

#include "app/KorviSettings.h"
#include "app/Log.h"
#include "app/SettingsRegistry.h"
#include "app/Texts.h"
#include "cli/ArgParser.h"
#include "cli/Cli.h"
#include "cli/CliFlow.h"
#include "cli/CliIo.h"
#include "cli/PbxSession.h"
#include "flows/CarryOutAction.h"
#include "flows/ServiceFlows.h"
#include "pbx/Tpbx.h"
#include "services/Services.h"

namespace korvi::cli {

namespace {

// The search waits at least a second however little is asked for (SSDP counts its answer
// delay in whole seconds).
constexpr int kMinWaitMs = 1'000;
constexpr int kMaxWaitMs = 60'000;

int StoreUrl(CliIo& io, const std::string& url) {
    KorviSettings settings;
    GetAllSettingsFromRegistry(settings);
    settings.pbxUrl = url;
    if (Result saved = SaveSettingsToRegistry(settings); !saved.ok()) {
        io.Error(saved.text);
        return kExitFailure;
    }
    io.out() << "PbxUrl=" << url << '\n';
    return kExitOk;
}

}  // namespace

std::vector<OptionSpec> DiscoverCommand::Options() const {
    return {
        {"use", "N", "store the N-th PBX found (counting from 1) as the PbxUrl setting"},
        {"wait", "MS",
         "how long to wait for answers, in milliseconds (default " +
             std::to_string(kDiscoveryWait.count()) + ")"},
    };
}

int DiscoverCommand::Run(const ParsedArgs& args, CliIo& io) {
    if (!args.Positionals().empty()) return UsageError(io, *this, "unexpected argument");
    int use = 0;
    if (const auto value = args.Value("use"); value && (!ParseInt(*value, use) || use < 1)) {
        return UsageError(io, *this, "--use takes a number from 1, not '" + *value + "'");
    }
    int waitMs = static_cast<int>(kDiscoveryWait.count());
    if (const auto value = args.Value("wait");
        value && (!ParseInt(*value, waitMs) || waitMs < kMinWaitMs || waitMs > kMaxWaitMs)) {
        return UsageError(io, *this,
                          "--wait takes milliseconds from " + std::to_string(kMinWaitMs) + " to " +
                              std::to_string(kMaxWaitMs) + ", not '" + *value + "'");
    }

    CliFlow flow(io);
    Tpbx& pbx = io.services().pbx;
    pbx.SetDiscoveryWait(std::chrono::milliseconds(waitMs));
    static_cast<void>(flows::FindServers(flow.ctx()));
    if (flows::LastResult(flow.ctx()).code != kResultOk) return kExitFailure;

    if (pbx.numServers == 0) {
        // Nothing to store is a failure of --use; finding nothing is not one of the search.
        return use > 0 ? kExitFailure : kExitOk;
    }
    for (int i = 0; i < pbx.numServers; ++i) io.out() << pbx.serverList[i] << '\n';
    if (use == 0) return kExitOk;
    if (use > pbx.numServers) {
        io.Error("--use " + std::to_string(use) + ": only " + std::to_string(pbx.numServers) +
                 (pbx.numServers == 1 ? " PBX was" : " PBXs were") + " found");
        return kExitFailure;
    }
    return StoreUrl(io, pbx.serverList[use - 1]);
}

}  // namespace korvi::cli
