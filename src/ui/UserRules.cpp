#include "ui/UserRules.h"

#include <algorithm>
#include <cctype>

namespace korvi::ui {

bool PortalAllowed(const std::string& userName, const std::string& pin) {
    if (userName.empty() || pin.empty()) return false;
    std::string lower = userName;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower != "install";
}

TrayMenuState TrayMenuRules(const std::string& userName, const std::string& pin,
                            bool syncPartnerReady) {
    TrayMenuState state;
    if (PortalAllowed(userName, pin)) {
        state.syncEnabled = syncPartnerReady;
        state.portalEnabled = true;
    }
    return state;
}

}  // namespace korvi::ui
