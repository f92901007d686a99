// Which operations the user's PBX account allows, for the tray menu and the Services tab.
#pragma once

#include <string>

namespace korvi::ui {

// The portal and the tray's sync need a user of one's own: a user name and a PIN, and not the
// installer's account "install" in any letter case.
bool PortalAllowed(const std::string& userName, const std::string& pin);

struct TrayMenuState {
    bool syncEnabled = false;
    bool portalEnabled = false;
};

// The tray menu's items "Sync Now!" and "Launch User Portal" as the menu pops up.
TrayMenuState TrayMenuRules(const std::string& userName, const std::string& pin,
                            bool syncPartnerReady);

}  // namespace korvi::ui
