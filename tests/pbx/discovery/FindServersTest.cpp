// The walk of the discovery library's answer and the count check of FindServersOnLan, with a
// library of the test's own: what the answer holds and what the library reports are chosen
// here, including answers no real library should give.
#include "pbx/discovery/FindServers.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Log.h"
#include "app/Texts.h"
#include "common/TestEnv.h"
#include "pbx/Tpbx.h"

namespace korvi {
namespace {

using namespace std::chrono_literals;

struct LibraryRecord {
    int searches = 0;
    int frees = 0;
    std::chrono::milliseconds wait{0};
};

class ScriptedDeviceList final : public UpnpDeviceList {
public:
    ScriptedDeviceList(std::string buffer, int count, LibraryRecord& record)
        : m_buffer(std::move(buffer)), m_count(count), m_record(record) {}
    ~ScriptedDeviceList() override { ++m_record.frees; }
    int GetValidPbxList(std::string& entries) override {
        entries += m_buffer;
        return m_count;
    }

private:
    std::string m_buffer;
    int m_count;
    LibraryRecord& m_record;
};

// Answers every search with one buffer and count; found = false: nothing answered.
class ScriptedLibrary final : public UpnpClient {
public:
    ScriptedLibrary(bool found, std::string buffer, int count, LibraryRecord& record)
        : m_found(found), m_buffer(std::move(buffer)), m_count(count), m_record(record) {}
    std::unique_ptr<UpnpDeviceList> Discover(std::chrono::milliseconds wait) override {
        ++m_record.searches;
        m_record.wait = wait;
        if (!m_found) return nullptr;
        return std::make_unique<ScriptedDeviceList>(m_buffer, m_count, m_record);
    }

private:
    bool m_found;
    std::string m_buffer;
    int m_count;
    LibraryRecord& m_record;
};

struct WalkCase {
    const char* name;
    bool found;
    std::string buffer;
    int count;
    int code;
    std::vector<std::string> urls;
    const char* logLine;  // a line the detailed log must hold
};

const WalkCase kWalkCases[] = {
    {"TwoHostsCountTwo_BothListedInOrder",
     true,
     "10.0.0.7*10.0.0.3*",
     2,
     0,
     {"http://10.0.0.7", "http://10.0.0.3"},
     "LOG: PBX: FindServersOnLan Success: num_servers 2 "},
    {"TwoHostsCountThree_Mismatch",
     true,
     "10.0.0.7*10.0.0.3*",
     3,
     -1,
     {"http://10.0.0.7", "http://10.0.0.3"},
     "ERR: PBX: FindServersOnLan Fail: num_servers 3 - server_list 2"},
    {"EmptyCountZero_NoneFound",
     true,
     "",
     0,
     0,
     {},
     "LOG: PBX: FindServersOnLan Success: num_servers 0 "},
    {"NothingAnswered_NoneFound", false, "", 0, 0, {}, "FindServers: Starting"},
    {"NegativeCount_Mismatch",
     true,
     "",
     -1,
     -1,
     {},
     "ERR: PBX: FindServersOnLan Fail: num_servers -1 - server_list 0"},
    {"NegativeCountWithEntries_Mismatch",
     true,
     "10.0.0.7*",
     -2,
     -1,
     {"http://10.0.0.7"},
     "ERR: PBX: FindServersOnLan Fail: num_servers -2 - server_list 1"},
    {"EntriesButCountZero_Mismatch",
     true,
     "10.0.0.7*",
     0,
     -1,
     {"http://10.0.0.7"},
     "ERR: PBX: FindServersOnLan Fail: num_servers 0 - server_list 1"},
    {"TextAfterLastAsterisk_IsNoEntry",
     true,
     "10.0.0.7*10.0.0.3",
     1,
     0,
     {"http://10.0.0.7"},
     "LOG: PBX: FindServersOnLan Success: num_servers 1 "},
    {"NulEndsTheAnswer",
     true,
     std::string("10.0.0.7*\0"
                 "10.0.0.3*",
                 19),
     1,
     0,
     {"http://10.0.0.7"},
     "LOG: PBX: FindServersOnLan Success: num_servers 1 "},
    {"HostWithPort_Kept",
     true,
     "pbx.office.lan:5002*[fe80::1]*",
     2,
     0,
     {"http://pbx.office.lan:5002", "http://[fe80::1]"},
     "LOG: PBX: FindServersOnLan Success: num_servers 2 "},
    // Counted as entries, so the count still agrees, but never offered as an address.
    {"EntriesThatAreNoHost_DroppedAndLogged",
     true,
     "10.0.0.7*evil.lan/steal*admin@10.0.0.8*ftp://10.0.0.9*10.0.0.5\r\nX*"
     "10.0.0.6:0**",
     7,
     0,
     {"http://10.0.0.7"},
     "ERR: PBX: FindServers: dropped the entry 'evil.lan/steal': it has a path"},
};

class FindServersWalkTest : public testing::TestWithParam<WalkCase> {
protected:
    void SetUp() override {
        SetLogsFolder(test::MakeTempDir("logs"));
        SetDetailedLogging(true);
    }
    void TearDown() override { SetDetailedLogging(false); }
};

TEST_P(FindServersWalkTest, FindServersOnLan) {
    const WalkCase& c = GetParam();
    LibraryRecord record;
    NullProgress progress;
    Tpbx pbx(progress);
    pbx.serverList = {"http://left.over"};
    pbx.numServers = 1;
    pbx.SetDiscoveryWait(25ms);
    pbx.SetUpnpClientFactory(
        [&] { return std::make_unique<ScriptedLibrary>(c.found, c.buffer, c.count, record); });

    const Result found = pbx.FindServersOnLan();

    EXPECT_EQ(found.code, c.code);
    EXPECT_EQ(found.text, c.code == 0 ? "" : Text(kTextServerCountMismatch));
    EXPECT_EQ(pbx.serverList, c.urls);
    EXPECT_EQ(pbx.numServers, c.code == 0 ? static_cast<int>(c.urls.size()) : c.count);
    EXPECT_EQ(record.searches, 1);
    EXPECT_EQ(record.wait, 25ms);
    EXPECT_EQ(record.frees, c.found ? 1 : 0);
    const std::string log = test::ReadFile(DetailedLogFilePath());
    EXPECT_NE(log.find(c.logLine), std::string::npos) << log;
    EXPECT_NE(log.find(" - FindServers: Starting\n"), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(Walk, FindServersWalkTest, testing::ValuesIn(kWalkCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FindServersTest, DroppedEntries_LoggedWithoutTheirControlCharacters) {
    SetLogsFolder(test::MakeTempDir("logs"));
    SetDetailedLogging(true);
    FoundServers found;
    WalkServerList("pbx.lan\nERR: forged line*", found);
    SetDetailedLogging(false);
    EXPECT_EQ(found.entries, 1);
    EXPECT_EQ(found.dropped, 1);
    EXPECT_TRUE(found.serverList.empty());
    const std::string log = test::ReadFile(DetailedLogFilePath());
    EXPECT_NE(log.find("dropped the entry 'pbx.lan?ERR: forged line': it holds control "
                       "characters"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("\nERR: forged line"), std::string::npos) << log;
}

}  // namespace
}  // namespace korvi
