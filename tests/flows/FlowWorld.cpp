#include "FlowWorld.h"

#include <chrono>
#include <system_error>

#include "app/Log.h"
#include "common/TestEnv.h"
#include "stores/outlook/Toutlook.h"
#include "sync/Tctrl.h"

namespace korvi::test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

bool RecordingFrontEnd::WaitForAction(Tctrl& ctrl, int) {
    if (cancelAction && (cancelOnly < 0 || ctrl.action == cancelOnly)) return true;
    ctrl.WaitUntilIdle();
    return false;
}

Result RecordingFrontEnd::SelectContactType(Tpbx& pbx) {
    pbx.contactType = contactType;
    pbx.contactTypeName = contactTypeName;
    return {};
}

std::optional<std::string> RecordingFrontEnd::ChooseFile(flows::FileDialog) { return file; }

Result RecordingFrontEnd::ChooseOutlookFolder(Toutlook& store) {
    if (!folder) return {kResultCancelled, "dismissed"};
    const std::string path = folder->empty() ? std::string(kDefaultContactsPath) : *folder;
    const OutlookFolderNode* node = store.FindNode(path);
    if (node == nullptr) return {kResultLocalFailure, "no folder " + path};
    store.SelectFolderNode(node);
    return {};
}

std::optional<std::string> RecordingFrontEnd::ChooseServer(const std::vector<std::string>& urls) {
    serversOffered = urls;
    if (!serverChoice || *serverChoice >= urls.size()) return std::nullopt;
    return urls[*serverChoice];
}

FlowWorld::FlowWorld() : m_home(MakeTempDir("flows")) {
    sim::SimOptions options;
    options.users = {{kUser, kPin}};
    options.extensions = {{kUser, kDesk, kDeskName, "201"}};
    options.portalPort = 0;
    options.platform = "KorviSim";
    options.swVersion = "2.4.1";
    m_sim = std::make_unique<sim::PbxSimulator>(options);
    std::string error;
    if (!m_sim->Start(error)) ADD_FAILURE() << "simulator: " << error;
    fs::create_directories(Contacts());

    m_services = std::make_unique<Services>();
    m_services->ctrl.SetWorkerSleeps(0ms, 0ms);
    m_services->RegisterActions();
    // A history and a log of this world's own, also when the cases share one process.
    fs::create_directories(m_home / "logs");
    SetLogsFolder(m_home / "logs");
    m_ctx = std::make_unique<flows::FlowContext>(flows::FlowContext{*m_services, m_front, {}});
    KorviSettings& s = m_ctx->settings;
    s.pbxUrl = "http://127.0.0.1";
    s.pbxPort = std::to_string(m_sim->Port());
    s.userName = kUser;
    s.pin = kPin;
    s.connTimeout = "10";
    s.addressBookDir = (m_home / "book").string();
    s.syncPartner = ePartner_Outlook;
    s.syncContactType = kDesk;
    s.syncContactTypeName = kDeskName;
    SetDetailedLogging(true);
}

FlowWorld::~FlowWorld() {
    EndPbx();
    SetDetailedLogging(false);
}

flows::FlowContext& FlowWorld::ctx() {
    m_services->Configure(m_ctx->settings);
    return *m_ctx;
}

fs::path FlowWorld::Contacts() const { return m_home / "book" / "Personal Folders" / "Contacts"; }

void FlowWorld::Card(const std::string& file, const std::string& given, const std::string& family,
                     const std::string& tel) {
    WriteFile(Contacts() / file, "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + file + "\r\nFN:" + given +
                                     " " + family + "\r\nN:" + family + ";" + given + ";;;\r\n" +
                                     tel + "\r\nEND:VCARD\r\n");
}

int FlowWorld::CardCount() const {
    int cards = 0;
    for (const auto& e : fs::directory_iterator(Contacts()))
        cards += e.path().extension() == ".vcf";
    return cards;
}

std::size_t FlowWorld::PbxCount(int32_t contactType) const {
    return m_sim->PbxState(contactType).size();
}

namespace {
std::string ReadIfThere(const fs::path& file) {
    std::error_code ec;
    return fs::exists(file, ec) ? ReadFile(file) : std::string();
}
}  // namespace

std::string FlowWorld::History() { return ReadIfThere(HistoryFilePath()); }

std::string FlowWorld::Log() { return ReadIfThere(DetailedLogFilePath()); }

void FlowWorld::EndPbx() {
    if (m_pbxEnded) return;
    m_pbxEnded = true;
    m_sim->Stop();
    m_services->ctrl.WaitUntilIdle();
}

}  // namespace korvi::test
