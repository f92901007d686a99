// Reads the device descriptions named by the LOCATION of search answers, all at once and
// within one deadline: one slow or silent device must not hold up the others, and a search
// must end in bounded time however many devices answered.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace korvi {

struct DescriptionLimits {
    std::chrono::milliseconds deadline{2000};  // for all of them together
    std::size_t maxBytes = 256 * 1024;         // per description
    int maxConnections = 16;
    // Per host: a device is a small embedded server, often one that serves a few at a time.
    int maxConnectionsPerHost = 2;
};

struct FetchedDescription {
    bool ok = false;
    std::string body;   // when ok
    std::string error;  // when not: what went wrong, for the log
};

// One result per URL, in the same order. Only plain http URLs are read (no redirects, no
// proxy: a description lives on the LAN device that answered).
std::vector<FetchedDescription> FetchDescriptions(const std::vector<std::string>& urls,
                                                  const DescriptionLimits& limits);

}  // namespace korvi
