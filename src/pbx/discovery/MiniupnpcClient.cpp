#include "pbx/discovery/MiniupnpcClient.h"

#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpdev.h>

#include <algorithm>
#include <cctype>
#include <limits>
#include <unordered_set>
#include <utility>
#include <vector>

#include "app/Log.h"
#include "pbx/discovery/HostEntry.h"
#include "pbx/discovery/LogSafeText.h"
#include "pbx/discovery/PbxDescription.h"
#include "pbx/discovery/PbxDeviceType.h"

namespace korvi {

namespace {

// miniupnpc's default; the search is meant for the local network only.
constexpr unsigned char kMulticastTtl = 2;
// Not the minissdpd socket: what that daemon remembers is not an answer to this search.
constexpr char kNoMinissdpd[] = "";

bool IsHttpUrl(std::string_view url) {
    constexpr std::string_view kHttp = "http://";
    return url.size() > kHttp.size() &&
           std::equal(kHttp.begin(), kHttp.end(), url.begin(), [](char a, char b) {
               return a == std::tolower(static_cast<unsigned char>(b));
           });
}

// The PBX's address: the host of its presentation page, or, when it names none (or only a
// path on the describing server), the host that served the description.
HostProblem PbxHost(const PbxDescription& description, const std::string& location,
                    std::string& host, std::string& named) {
    const std::string& presentation = description.presentationUrl;
    named = !presentation.empty() && HasUrlScheme(presentation) ? presentation : location;
    return HostOfHttpUrl(named, host);
}

class MiniupnpcDeviceList final : public UpnpDeviceList {
public:
    MiniupnpcDeviceList(UPNPDev* devices, const MiniupnpcOptions& options)
        : m_devices(devices), m_options(options) {}
    ~MiniupnpcDeviceList() override { freeUPNPDevlist(m_devices); }
    MiniupnpcDeviceList(const MiniupnpcDeviceList&) = delete;
    MiniupnpcDeviceList& operator=(const MiniupnpcDeviceList&) = delete;

    [[nodiscard]] int GetValidPbxList(std::string& entries) override;

private:
    std::vector<std::string> Locations() const;

    UPNPDev* m_devices;
    MiniupnpcOptions m_options;
};

// The description addresses in the order the answers came, each once: a device that answers
// several search targets, or answers twice, is one device.
std::vector<std::string> MiniupnpcDeviceList::Locations() const {
    std::vector<std::string> answered;
    for (const UPNPDev* device = m_devices; device != nullptr; device = device->pNext) {
        answered.emplace_back(device->descURL != nullptr ? device->descURL : "");
    }
    // miniupnpc puts each new answer at the head of its list.
    std::reverse(answered.begin(), answered.end());

    std::vector<std::string> locations;
    std::unordered_set<std::string> seen;
    std::size_t leftOut = 0;
    for (std::string& location : answered) {
        if (!seen.insert(location).second) continue;
        if (!IsHttpUrl(location)) {
            WriteLog("ERR: PBX: FindServers: skipped an answer whose description is at '%s'",
                     LogSafe(location));
            continue;
        }
        if (locations.size() >= m_options.maxDevices) {
            ++leftOut;
            continue;
        }
        locations.push_back(std::move(location));
    }
    if (leftOut > 0) {
        WriteLog(
            "ERR: PBX: FindServers: list cut short: %d more devices answered than the %d "
            "read",
            static_cast<int>(leftOut), static_cast<int>(m_options.maxDevices));
    }
    return locations;
}

int MiniupnpcDeviceList::GetValidPbxList(std::string& entries) {
    const std::vector<std::string> locations = Locations();
    const std::vector<FetchedDescription> fetched =
        FetchDescriptions(locations, m_options.descriptions);

    int count = 0;
    int cutShort = 0;
    std::unordered_set<std::string> hosts;
    for (std::size_t i = 0; i < locations.size(); ++i) {
        const std::string place = LogSafe(locations[i]);
        if (!fetched[i].ok) {
            WriteLog("ERR: PBX: FindServers: no description from %s: %s", place, fetched[i].error);
            continue;
        }
        PbxDescription description;
        std::string error;
        if (!ReadPbxDescription(fetched[i].body, description, error)) {
            WriteLog("ERR: PBX: FindServers: the description from %s is not XML: %s", place, error);
            continue;
        }
        if (!description.isPbx) {
            WriteLog("LOG: PBX: FindServers: %s describes no PBX (%s)", place,
                     LogSafe(description.rootDeviceType));
            continue;
        }
        std::string host;
        std::string named;
        if (const HostProblem problem = PbxHost(description, locations[i], host, named);
            problem != HostProblem::kNone) {
            WriteLog("ERR: PBX: FindServers: dropped the PBX described at %s: '%s' %s", place,
                     LogSafe(named), Describe(problem));
            continue;
        }
        // Two descriptions naming one host are one PBX to connect to.
        if (!hosts.insert(host).second) continue;
        if (entries.size() + host.size() + 1 > m_options.maxEntryBytes) {
            ++cutShort;
            continue;
        }
        entries += host;
        entries += '*';
        ++count;
        WriteLog("LOG: PBX: FindServers: PBX at %s", host);
    }
    if (cutShort > 0) {
        WriteLog("ERR: PBX: FindServers: list cut short at %d bytes: %d more PBXs left out",
                 static_cast<int>(m_options.maxEntryBytes), cutShort);
    }
    return count;
}

}  // namespace

MiniupnpcClient::MiniupnpcClient(MiniupnpcOptions options) : m_options(std::move(options)) {}

std::unique_ptr<UpnpDeviceList> MiniupnpcClient::Discover(std::chrono::milliseconds wait) {
    const int delayMs = static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(
        wait.count(), 1, std::numeric_limits<int>::max()));
    const char* multicastIf =
        m_options.multicastInterface.empty() ? nullptr : m_options.multicastInterface.c_str();
    int error = UPNPDISCOVER_SUCCESS;
    // The PBX type is searched rather than every device: a plain search stops at the first
    // kind of device that answers, which is the router on most home networks.
    UPNPDev* devices = upnpDiscoverDevice(kPbxDeviceType, delayMs, multicastIf, kNoMinissdpd,
                                          UPNP_LOCAL_PORT_ANY, 0, kMulticastTtl, &error);
    if (devices == nullptr) {
        if (error != UPNPDISCOVER_SUCCESS) {
            WriteLog("ERR: PBX: FindServers: the search failed (miniupnpc error %d)", error);
        }
        return nullptr;
    }
    return std::make_unique<MiniupnpcDeviceList>(devices, m_options);
}

}  // namespace korvi
