#include "pbx/discovery/FindServers.h"

#include "app/Log.h"
#include "pbx/discovery/HostEntry.h"
#include "pbx/discovery/LogSafeText.h"

namespace korvi {

namespace {
constexpr char kEntryEnd = '*';
constexpr char kUrlPrefix[] = "http://";
}  // namespace

void WalkServerList(std::string_view buffer, FoundServers& found) {
    buffer = buffer.substr(0, buffer.find('\0'));
    for (std::size_t end = buffer.find(kEntryEnd); end != std::string_view::npos;
         end = buffer.find(kEntryEnd)) {
        const std::string_view entry = buffer.substr(0, end);
        buffer.remove_prefix(end + 1);
        ++found.entries;
        if (const HostProblem problem = CheckHostEntry(entry); problem != HostProblem::kNone) {
            ++found.dropped;
            WriteLog("ERR: PBX: FindServers: dropped the entry '%s': it %s", LogSafe(entry),
                     Describe(problem));
            continue;
        }
        found.serverList.push_back(kUrlPrefix + std::string(entry));
    }
}

FoundServers FindServers(UpnpClient& library, std::chrono::milliseconds wait) {
    WriteLog("FindServers: Starting");
    FoundServers found;
    const std::unique_ptr<UpnpDeviceList> devices = library.Discover(wait);
    if (!devices) return found;
    std::string buffer;
    found.numServers = devices->GetValidPbxList(buffer);
    WalkServerList(buffer, found);
    return found;
}

}  // namespace korvi
