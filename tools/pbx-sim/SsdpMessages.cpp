#include "SsdpMessages.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace korvi::sim {

namespace {

constexpr std::string_view kSearchLine = "M-SEARCH * HTTP/1.1";
constexpr std::string_view kAll = "ssdp:all";
constexpr std::string_view kRootDevice = "upnp:rootdevice";

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::string_view Unquote(std::string_view text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

// "urn:domain:device:NAME:V": the same type at version V or earlier is served by this device.
bool ServesType(std::string_view ownType, std::string_view searched) {
    const std::size_t ownColon = ownType.rfind(':');
    const std::size_t searchedColon = searched.rfind(':');
    if (ownColon == std::string_view::npos || searchedColon == std::string_view::npos ||
        ownType.substr(0, ownColon) != searched.substr(0, searchedColon)) {
        return false;
    }
    int own = 0;
    int wanted = 0;
    const std::string_view ownVersion = ownType.substr(ownColon + 1);
    const std::string_view wantedVersion = searched.substr(searchedColon + 1);
    const auto a = std::from_chars(ownVersion.data(), ownVersion.data() + ownVersion.size(), own);
    const auto b =
        std::from_chars(wantedVersion.data(), wantedVersion.data() + wantedVersion.size(), wanted);
    return a.ec == std::errc() && b.ec == std::errc() && wanted >= 1 && wanted <= own;
}

}  // namespace

bool ParseSsdpSearch(std::string_view datagram, SsdpSearch& search) {
    SsdpSearch parsed;
    bool first = true;
    bool discover = false;
    bool hasTarget = false;
    while (!datagram.empty()) {
        const std::size_t end = datagram.find("\r\n");
        std::string_view line = datagram.substr(0, end);
        datagram = end == std::string_view::npos ? std::string_view{} : datagram.substr(end + 2);
        if (first) {
            if (line != kSearchLine) return false;
            first = false;
            continue;
        }
        if (line.empty()) break;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string name = Lower(Trim(line.substr(0, colon)));
        const std::string_view value = Trim(line.substr(colon + 1));
        if (name == "man") {
            discover = Unquote(value) == "ssdp:discover";
        } else if (name == "st") {
            parsed.target = std::string(value);
            hasTarget = !value.empty();
        } else if (name == "mx") {
            std::from_chars(value.data(), value.data() + value.size(), parsed.mx);
        }
    }
    if (first || !discover || !hasTarget) return false;
    search = std::move(parsed);
    return true;
}

std::string SsdpAnswer(std::string_view target, std::string_view usn, std::string_view location) {
    std::string answer = "HTTP/1.1 200 OK\r\n";
    answer += "CACHE-CONTROL: max-age=1800\r\n";
    answer += "EXT:\r\n";
    answer += "LOCATION: " + std::string(location) + "\r\n";
    answer += "SERVER: Linux UPnP/1.1 korvi-pbx-sim/1.1.17\r\n";
    answer += "ST: " + std::string(target) + "\r\n";
    answer += "USN: " + std::string(usn) + "\r\n";
    answer += "\r\n";
    return answer;
}

std::vector<std::string> SsdpAnswers(const SsdpDevice& device, const SsdpSearch& search) {
    const std::string& udn = device.udn;
    const std::string& location = device.location;
    const std::string rootUsn = udn + "::" + std::string(kRootDevice);
    const std::string typeUsn = udn + "::" + device.deviceType;
    if (search.target == kAll) {
        return {SsdpAnswer(kRootDevice, rootUsn, location), SsdpAnswer(udn, udn, location),
                SsdpAnswer(device.deviceType, typeUsn, location)};
    }
    if (search.target == kRootDevice) return {SsdpAnswer(kRootDevice, rootUsn, location)};
    if (search.target == udn) return {SsdpAnswer(udn, udn, location)};
    if (ServesType(device.deviceType, search.target)) {
        return {SsdpAnswer(search.target, udn + "::" + search.target, location)};
    }
    return {};
}

}  // namespace korvi::sim
