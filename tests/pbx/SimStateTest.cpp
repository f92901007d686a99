// The simulator's phonebook file, its seeds, its command line and the program itself.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "SimCommandLine.h"
#include "SimSeed.h"
#include "SimStateFile.h"
#include "app/Progress.h"
#include "common/ResultTesting.h"
#include "common/TestEnv.h"
#include "files/ContactFile.h"
#include "pbx/SimHarness.h"

extern char** environ;

namespace korvi::test {
namespace {

namespace fs = std::filesystem;

class SimStateTest : public SimHarness {};

TEST_F(SimStateTest, EveryChangeIsInTheFileAndTheContactFileReaderLoadsIt) {
    const fs::path state = MakeTempDir("state") / "pbx.xml";
    sim::SimOptions o = TwoUsers();
    o.stateFile = state;
    o.seeds = {{2, 65533}, {1, 7}};
    StartSim(o);
    ASSERT_TRUE(fs::exists(state));
    EXPECT_EQ(Add("Smith & <Sons>", 9), 1003);
    auto del = Call(soap::Request_SPG_DeleteContact{Anna(), "BY_CONTACT_ID", 1000});
    ASSERT_EQ(del.returnData.errCode, 0);

    NullProgress progress;
    TcontactFile files(progress, MakeTempDir("data"));
    TContactList list;
    std::string text;
    ASSERT_EQ(CodeOf(files.LoadContacts(state, list), text), 0) << text;
    const auto pbx = m_sim->PbxState();
    ASSERT_EQ(list.size(), pbx.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        ASSERT_TRUE(list[i]);
        EXPECT_EQ(list[i]->contactId, pbx[i].contactId);
        EXPECT_EQ(list[i]->displayName, pbx[i].displayName);
        EXPECT_EQ(list[i]->lastName, pbx[i].lastName.value_or(""));
        ASSERT_TRUE(list[i]->numbers.has_value());
        ASSERT_EQ(list[i]->numbers->size(), pbx[i].contactNumbers.size());
        for (std::size_t k = 0; k < pbx[i].contactNumbers.size(); ++k) {
            const auto& n = (*list[i]->numbers)[k];
            const auto& p = pbx[i].contactNumbers[k];
            EXPECT_EQ(std::tie(n.ref, n.number, n.numberType, n.barring, n.lineAccess, n.cli),
                      std::tie(p.ref, p.number, p.numberType, p.barring, p.lineAccess, p.cli));
        }
    }
    EXPECT_EQ(list.back()->displayName, "Smith & <Sons>");

    // A restarted PBX has the same phonebook and goes on with the next id.
    m_sim.reset();
    o.seeds = {{50, 65533}};  // ignored: the file exists
    StartSim(o);
    EXPECT_EQ(m_sim->PbxState(), pbx);
    EXPECT_EQ(Ids(9), (std::vector<int32_t>{1003}));
    EXPECT_EQ(Add("Next", 65533), 1004);
}

TEST_F(SimStateTest, AChangeThatCannotBeSavedIsAFaultAndIsUndone) {
    const fs::path dir = MakeTempDir("unsaved");
    sim::SimOptions o = TwoUsers();
    o.stateFile = dir / "pbx.xml";
    StartSim(o);
    EXPECT_EQ(Add("Kept", 65533), 1000);
    const std::string before = ReadFile(o.stateFile);

    // The folder becomes a file: no temporary file can be made beside the state file.
    fs::rename(dir, dir.string() + ".moved");
    WriteFile(dir, "not a folder");
    soap::Request_SPG_AddOrUpdateContact add{Anna(), {}};
    add.contact = {65535, 65533, "Lost", "", "", {}};
    HttpAnswer a = PostRaw(soap::BuildRequestEnvelope(add), "\"SPG-AddOrUpdateContact\"");
    EXPECT_EQ(a.status, 500);
    soap::Response_SPG_AddOrUpdateContact r;
    soap::SoapResult result = soap::ParseResponseEnvelope(a.body, r);
    EXPECT_EQ(result.kind, soap::SoapResult::Fault);
    EXPECT_NE(result.faultstring.find("Could not save the phonebook"), std::string::npos);
    ASSERT_EQ(m_sim->PbxState().size(), 1u);
    EXPECT_EQ(m_sim->NextContactId(), 1001);

    fs::remove(dir);
    fs::rename(dir.string() + ".moved", dir);
    EXPECT_EQ(ReadFile(o.stateFile), before);
    EXPECT_EQ(Add("Saved", 65533), 1001);
}

TEST_F(SimStateTest, ABrokenStateFileStopsTheStartAndIsLeftAlone) {
    const fs::path state = MakeTempDir("broken") / "pbx.xml";
    const std::string broken =
        "<contacts><contact><contact_id>1x</contact_id></contact></contacts>";
    WriteFile(state, broken);
    sim::SimOptions o;
    o.stateFile = state;
    sim::PbxSimulator simulator(o);
    std::string error;
    EXPECT_FALSE(simulator.Start(error));
    EXPECT_NE(error.find("Invalid integer '1x' in element 'contact_id'"), std::string::npos)
        << error;
    EXPECT_EQ(ReadFile(state), broken);
}

TEST(SimSeedTest, SeedsAreDeterministicAndCarryTheAwkwardCases) {
    const auto seeds = sim::MakeSeedContacts(300, 65533);
    EXPECT_EQ(seeds, sim::MakeSeedContacts(300, 65533));
    std::set<std::string> names;
    bool apostrophe = false, ampersand = false, nonAscii = false, internal = false;
    for (const auto& c : seeds) {
        names.insert(c.displayName);
        apostrophe |= c.displayName.find('\'') != std::string::npos;
        ampersand |= c.displayName.find('&') != std::string::npos;
        nonAscii |= std::any_of(c.displayName.begin(), c.displayName.end(),
                                [](char ch) { return static_cast<unsigned char>(ch) >= 0x80; });
        ASSERT_GE(c.contactNumbers.size(), 1u);
        ASSERT_LE(c.contactNumbers.size(), 3u);
        for (const auto& n : c.contactNumbers) {
            internal |= n.numberType == 16;
            EXPECT_EQ(n.barring, 0);  // central store
        }
    }
    EXPECT_EQ(names.size(), seeds.size());
    EXPECT_TRUE(apostrophe && ampersand && nonAscii && internal);
}

struct CommandLineCase {
    const char* name;
    std::vector<std::string> args;
    bool ok;
};

class SimCommandLineTest : public testing::TestWithParam<CommandLineCase> {};

TEST_P(SimCommandLineTest, ParsesOrNamesTheBadArgument) {
    sim::SimCommandLine cmd;
    std::string error;
    EXPECT_EQ(sim::ParseSimCommandLine(GetParam().args, cmd, error), GetParam().ok) << error;
    if (!GetParam().ok) {
        EXPECT_FALSE(error.empty());
    }
}

const CommandLineCase kCommandLines[] = {
    {"Empty_IsDefaults", {}, true},
    {"Everything_Parses",
     {"--port",
      "0",
      "--user",
      "anna:1:2",
      "--extension",
      "7:Desk:207",
      "--extension",
      "anna:8:Mobile:208",
      "--seed",
      "10",
      "--seed=5:7",
      "--state",
      "/tmp/x.xml",
      "--fail-request",
      "3",
      "--drop-request=4",
      "--fault-after",
      "9",
      "--delay-ms",
      "10",
      "--fail-name",
      "FAIL",
      "--portal-port",
      "0",
      "--platform",
      "FC-1",
      "--sw-version",
      "2",
      "--browser-port",
      "80",
      "--max-request-bytes",
      "1000"},
     true},
    {"LoopbackHostAndSsdp_Parse", {"--host", "127.0.0.2", "--ssdp"}, true},
    {"HostBeyondLoopback_IsRefused", {"--host", "192.168.1.250"}, false},
    {"HostName_IsRefused", {"--host", "localhost"}, false},
    {"SsdpWithValue_IsRefused", {"--ssdp=yes"}, false},
    {"PortTooLarge_IsRefused", {"--port", "65536"}, false},
    {"UserWithoutPin_IsRefused", {"--user", "anna"}, false},
    {"ExtensionWithTwoFields_IsRefused", {"--extension", "7:Desk"}, false},
    {"ExtensionCentralId_IsRefused", {"--extension", "65533:Desk:1"}, false},
    {"SeedOfNoType_IsRefused", {"--seed", "3:desk"}, false},
    {"NegativeDelay_IsRefused", {"--delay-ms", "-1"}, false},
    {"MissingValue_IsRefused", {"--state"}, false},
    {"UnknownOption_IsRefused", {"--bind", "0.0.0.0"}, false},
    {"StrayArgument_IsRefused", {"serve"}, false},
};

INSTANTIATE_TEST_SUITE_P(Sim, SimCommandLineTest, testing::ValuesIn(kCommandLines),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SimCommandLineTest, UserPinMayHoldColonsAndExtensionsMayNameTheirUser) {
    sim::SimCommandLine cmd;
    std::string error;
    ASSERT_TRUE(sim::ParseSimCommandLine(
        {"--user", "anna:1:2", "--extension", "anna:8:Mobile:208", "--seed", "5:7"}, cmd, error));
    ASSERT_EQ(cmd.options.users.size(), 1u);
    EXPECT_EQ(cmd.options.users[0].pin, "1:2");
    ASSERT_EQ(cmd.options.extensions.size(), 1u);
    EXPECT_EQ(cmd.options.extensions[0].user, "anna");
    EXPECT_EQ(cmd.options.extensions[0].devID, 8);
    EXPECT_EQ(cmd.options.seeds[0].contactType, 7);
}

// The program as scripts run it: it says where it listens, answers, and ends on SIGTERM with 0.
TEST(SimProgramTest, AnnouncesItsAddressServesAndStopsCleanlyOnSigterm) {
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string program = (BinDir() / "korvi-pbx-sim").string();
    std::vector<std::string> args = {program, "--port", "0", "--seed", "3", "--user", "u:p"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);

    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, 1000) != 1) continue;
        char buffer[256];
        const ssize_t got = read(out[0], buffer, sizeof buffer);
        if (got <= 0) break;
        line.append(buffer, static_cast<std::size_t>(got));
    }
    close(out[0]);
    const std::string prefix = "listening on http://127.0.0.1:";
    ASSERT_TRUE(line.starts_with(prefix)) << line;
    const int port = std::stoi(line.substr(prefix.size()));

    httplib::Client client("127.0.0.1", port);
    auto res = client.Post("/", {{"SOAPAction", "\"SPG-GetContactIdList\""}},
                           soap::BuildRequestEnvelope(soap::Request_SPG_GetContactIdList{
                               soap::MakeUserDetails("u", "p"), 65533}),
                           "text/xml; charset=\"utf-8\"");
    ASSERT_TRUE(res);
    soap::Response_SPG_GetContactIdList ids;
    ASSERT_TRUE(soap::ParseResponseEnvelope(res->body, ids).ok());
    EXPECT_EQ(ids.contactIdList, (std::vector<int32_t>{1000, 1001, 1002}));

    ASSERT_EQ(kill(pid, SIGTERM), 0);
    int status = -1;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace korvi::test
