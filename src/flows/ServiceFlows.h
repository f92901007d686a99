// The operations of the settings and services tabs: the connection check, the user portal
// launch, the search for PBXs on the LAN, and the extension list the other tabs show.
#pragma once

#include <optional>
#include <string>

#include "app/Result.h"

namespace korvi {
class UrlOpener;
}

namespace korvi::flows {

struct FlowContext;

// Check Service: action 1 (with the portal challenge, action 2) and its report: the failure
// box, or text 22 with the platform and version in an information box.
Result CheckService(FlowContext& ctx, bool withChallenge = false);

// Launch User Portal: the check with challenge, the response, and the login URL handed to
// opener (the browser).
Result LaunchPortal(FlowContext& ctx, UrlOpener& opener);

// Find Servers: action 0; no PBX found is a warning; one is the answer; of more the user
// chooses. The URL for the URL box, or nullopt (failure, none found, nothing chosen).
std::optional<std::string> FindServers(FlowContext& ctx);

// The user's extensions for the extension boxes: action 3 unless the PBX client holds them
// already. A failure is shown.
Result LoadExtensions(FlowContext& ctx);

}  // namespace korvi::flows
