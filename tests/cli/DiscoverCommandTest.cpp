// `korvi discover`, run in process inside the test's own network namespace with simulated PBXs
// started as `korvi-pbx-sim --ssdp` would be: what it prints, its exit codes, and the URL that
// --use stores.
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PbxSimulator.h"
#include "TestNetns.h"
#include "app/KorviSettings.h"
#include "app/Log.h"
#include "app/SettingsRegistry.h"
#include "app/Texts.h"
#include "cli/CliTestSupport.h"
#include "common/TestEnv.h"

namespace korvi {
namespace {

using test::CliRun;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string StoredUrl() {
    KorviSettings settings;
    GetAllSettingsFromRegistry(settings);
    return settings.pbxUrl;
}

class DiscoverCommandTest : public testing::Test {
protected:
    void SetUp() override {
        KORVI_SKIP_WITHOUT_NETNS();
        SetLogsFolder(test::MakeTempDir("logs"));
    }

    void StartSimulator(const std::string& host) {
        sim::SimOptions options;
        options.host = host;
        options.ssdp = true;
        m_simulators.push_back(std::make_unique<sim::PbxSimulator>(options));
        std::string error;
        ASSERT_TRUE(m_simulators.back()->Start(error)) << error;
    }

    std::vector<std::unique_ptr<sim::PbxSimulator>> m_simulators;
};

TEST_F(DiscoverCommandTest, NoPbx_SaysSoAndSucceedsButUseFails) {
    CliRun run;
    EXPECT_EQ(run.Run({"discover", "--wait", "1000"}), 0);
    EXPECT_EQ(run.out.str(), "");
    EXPECT_EQ(run.err.str(), Text(kTextNoPbxFound) + "\n");

    const std::string before = StoredUrl();
    CliRun use;
    EXPECT_EQ(use.Run({"discover", "--wait", "1000", "--use", "1"}), 1);
    EXPECT_EQ(use.err.str(), Text(kTextNoPbxFound) + "\n");
    EXPECT_EQ(StoredUrl(), before);
}

TEST_F(DiscoverCommandTest, TwoSimulators_BothListedAndUseStoresTheChosenOne) {
    StartSimulator("127.0.0.2");
    StartSimulator("127.0.0.3");

    CliRun run;
    EXPECT_EQ(run.Run({"--verbose", "discover", "--wait", "1000"}), 0) << run.err.str();
    const std::vector<std::string> lines = Lines(run.out.str());
    // Both answer at once, so either may come first.
    EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()),
              (std::set<std::string>{"http://127.0.0.2", "http://127.0.0.3"}));
    EXPECT_EQ(lines.size(), 2u);
    EXPECT_EQ(run.err.str(), "");
    const std::string log = test::ReadFile(DetailedLogFilePath());
    SetDetailedLogging(false);
    EXPECT_NE(log.find("LOG: -----> Find Servers\n"), std::string::npos) << log;
    EXPECT_NE(log.find("LOG: CarryOutAction: FindServersOnLan (Silent: 0)\n"), std::string::npos);
    EXPECT_NE(log.find("LOG: PBX: FindServersOnLan Success: num_servers 2 \n"), std::string::npos);

    CliRun use;
    EXPECT_EQ(use.Run({"discover", "--wait", "1000", "--use", "2"}), 0) << use.err.str();
    const std::vector<std::string> listed = Lines(use.out.str());
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[2], "PbxUrl=" + listed[1]);
    EXPECT_EQ(StoredUrl(), listed[1]);

    CliRun beyond;
    EXPECT_EQ(beyond.Run({"discover", "--wait", "1000", "--use", "3"}), 1);
    EXPECT_EQ(beyond.err.str(), "korvi: --use 3: only 2 PBXs were found\n");
    EXPECT_EQ(StoredUrl(), listed[1]);
}

// These never search, so they need no namespace.
TEST(DiscoverCommandUsageTest, BadNumbers_AreUsageErrors) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"discover", "--use", "0"},
             {"discover", "--use", "two"},
             {"discover", "--wait", "999"},
             {"discover", "--wait", "60001"},
             {"discover", "extra"},
         }) {
        CliRun run;
        EXPECT_EQ(run.Run(args), 2) << args.back();
        EXPECT_EQ(run.out.str(), "") << args.back();
    }
}

}  // namespace
}  // namespace korvi
