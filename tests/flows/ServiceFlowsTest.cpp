// The settings and services tabs' operations: Check Service, the user portal and Find PBX, each
// with what it shows for success, a failure (" (Error Code n)") and a cancel in the progress.
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FlowWorld.h"
#include "flows/CarryOutAction.h"
#include "flows/ServiceFlows.h"
#include "pbx/UrlOpener.h"
#include "pbx/discovery/UpnpClient.h"

namespace korvi {
namespace {

using test::FlowWorld;

class RecordingOpener final : public UrlOpener {
public:
    Result OpenUrl(const std::string& url) override {
        urls.push_back(url);
        return refusal;
    }
    std::vector<std::string> urls;
    Result refusal;
};

// Discovery of the test: the PBX hosts it "finds" (count: what the library says it found),
// after an optional gate; nothing is sent.
struct Discovered {
    std::vector<std::string> hosts;
    int count = -1;  // -1: as many as hosts
    std::shared_future<void> gate;
};

class ScriptedDevices final : public UpnpDeviceList {
public:
    explicit ScriptedDevices(Discovered d) : m_d(std::move(d)) {}
    int GetValidPbxList(std::string& entries) override {
        for (const auto& h : m_d.hosts) entries += h + "*";
        return m_d.count < 0 ? static_cast<int>(m_d.hosts.size()) : m_d.count;
    }

private:
    Discovered m_d;
};

class ScriptedDiscovery final : public UpnpClient {
public:
    explicit ScriptedDiscovery(Discovered d) : m_d(std::move(d)) {}
    std::unique_ptr<UpnpDeviceList> Discover(std::chrono::milliseconds) override {
        if (m_d.gate.valid()) m_d.gate.wait();
        if (m_d.hosts.empty() && m_d.count <= 0) return nullptr;
        return std::make_unique<ScriptedDevices>(m_d);
    }

private:
    Discovered m_d;
};

// What one flow run ends with: its result (code, start of the text), what it showed, and a
// line each log must hold ("" for none).
struct ServiceCase {
    const char* name;
    std::function<void(FlowWorld&, RecordingOpener&, Discovered&)> arrange;
    std::function<Result(FlowWorld&, RecordingOpener&, std::optional<std::string>&)> run;
    int code;
    std::vector<std::string> shown;
    std::string logLine;
    std::string foundUrl;  // FindServers: the URL for the URL box ("" for none)
    std::size_t urlsOpened = 0;
};

void PrintTo(const ServiceCase& c, std::ostream* os) { *os << c.name; }

Result Check(FlowWorld& w, RecordingOpener&, std::optional<std::string>&) {
    return flows::CheckService(w.ctx());
}

Result Portal(FlowWorld& w, RecordingOpener& opener, std::optional<std::string>&) {
    return flows::LaunchPortal(w.ctx(), opener);
}

Result Find(FlowWorld& w, RecordingOpener&, std::optional<std::string>& url) {
    url = flows::FindServers(w.ctx());
    return flows::LastResult(w.ctx());
}

void Nothing(FlowWorld&, RecordingOpener&, Discovered&) {}

void SlowPbxCancelled(FlowWorld& w, RecordingOpener&, Discovered&) {
    w.sim().SetDelayMs(60000);
    w.front().cancelAction = true;
}

void WrongPin(FlowWorld& w, RecordingOpener&, Discovered&) { w.settings().pin = "0000"; }

const char kWrongPin[] = "error: [SoapError] Invalid user name or PIN (Error Code 1)";
const char kServiceOk[] =
    "information: Connection to IPPBX Services is OK.\nPlatform: KorviSim- SW Version: 2.4.1";

const ServiceCase kCases[] = {
    {"CheckService_Ok_PlatformOnTheSecondLine",
     Nothing,
     Check,
     0,
     {kServiceOk},
     "LOG: Check Service OK: Connection to IPPBX Services is OK.\nPlatform: KorviSim- SW "
     "Version: 2.4.1",
     ""},
    {"CheckService_PbxFailure_TextAndCode",
     WrongPin,
     Check,
     1,
     {kWrongPin},
     "LOG: Check Service Fail: [SoapError] Invalid user name or PIN (Error Code 1)",
     ""},
    {"CheckService_BadUrl_TextAndCode",
     [](FlowWorld& w, RecordingOpener&, Discovered&) { w.settings().pbxUrl = "127.0.0.1"; },
     Check,
     -3,
     {"error: Url must begin with http:// or https:// (Error Code -3)"},
     "",
     ""},
    {"CheckService_Cancelled_ShowsNothing",
     SlowPbxCancelled,
     Check,
     -7,
     {"cancelled: Action Cancelled!"},
     "",
     ""},
    {"Portal_Ok_OpensTheLoginUrl", Nothing, Portal, 0, {}, "LOG: -----> Launch User Portal", "", 1},
    {"Portal_PbxFailure_TextAndCode",
     WrongPin,
     Portal,
     1,
     {kWrongPin},
     "LOG: Check Service (Ext) Fail: [SoapError] Invalid user name or PIN (Error Code 1)",
     ""},
    // The portal's launch shows its cancel with the code, as its failures.
    {"Portal_Cancelled_ShownWithItsCode",
     SlowPbxCancelled,
     Portal,
     -7,
     {"error: Action Cancelled! (Error Code -7)"},
     "",
     ""},
    {"Portal_BrowserRefuses_ItsReason",
     [](FlowWorld&, RecordingOpener& o, Discovered&) {
         o.refusal = {-1, "no browser"};
     },
     Portal,
     -1,
     {"error: no browser"},
     "",
     "",
     1},
    {"FindServers_One_IntoTheUrlBox",
     [](FlowWorld&, RecordingOpener&, Discovered& d) { d.hosts = {"127.0.9.7"}; },
     Find,
     0,
     {},
     "LOG: -----> Find Servers",
     "http://127.0.9.7"},
    {"FindServers_None_AWarning",
     Nothing,
     Find,
     0,
     {"warning: No PBX could be found on the Local Network. Please enter URL manually!"},
     "",
     ""},
    {"FindServers_Several_TheUsersChoice",
     [](FlowWorld& w, RecordingOpener&, Discovered& d) {
         d.hosts = {"127.0.9.8", "127.0.9.9"};
         w.front().serverChoice = 1;
     },
     Find,
     0,
     {},
     "",
     "http://127.0.9.9"},
    {"FindServers_CountMismatch_TextAndCode",
     [](FlowWorld&, RecordingOpener&, Discovered& d) {
         d.hosts = {"127.0.9.8"};
         d.count = 2;
     },
     Find,
     -1,
     {"error: Mismatch between number of servers found! (Error Code -1)"},
     "ERR: Find Servers Fail: Mismatch between number of servers found! (Error Code -1)",
     ""},
    {"FindServers_Cancelled_ShowsNothing",
     [](FlowWorld& w, RecordingOpener&, Discovered&) { w.front().cancelAction = true; },
     Find,
     -7,
     {"cancelled: Action Cancelled!"},
     "",
     ""},
};

class ServiceFlowsTest : public testing::TestWithParam<ServiceCase> {};

TEST_P(ServiceFlowsTest, ShowsWhatTheTabShows) {
    const ServiceCase& c = GetParam();
    FlowWorld w;
    RecordingOpener opener;
    Discovered found;
    c.arrange(w, opener, found);
    // The search answers only once the flow is over when the user cancels (the window goes on
    // without waiting for it).
    std::promise<void> release;
    if (w.front().cancelAction) found.gate = release.get_future().share();
    w.services().pbx.SetUpnpClientFactory(
        [found] { return std::make_unique<ScriptedDiscovery>(found); });

    std::optional<std::string> url;
    const Result result = c.run(w, opener, url);
    release.set_value();
    w.EndPbx();

    EXPECT_EQ(result.code, c.code) << result.text;
    EXPECT_EQ(w.front().shown, c.shown);
    if (!c.logLine.empty()) {
        EXPECT_NE(FlowWorld::Log().find(c.logLine + "\n"), std::string::npos) << FlowWorld::Log();
    }
    EXPECT_EQ(url.value_or(""), c.foundUrl);
    ASSERT_EQ(opener.urls.size(), c.urlsOpened);
    if (c.urlsOpened == 1) {
        EXPECT_EQ(opener.urls[0].rfind("http://127.0.0.1:" + std::to_string(w.sim().PortalPort()) +
                                           "/?formtype=login&sessionName=&username=demo&",
                                       0),
                  0u)
            << opener.urls[0];
    }
}

INSTANTIATE_TEST_SUITE_P(Flows, ServiceFlowsTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvi
