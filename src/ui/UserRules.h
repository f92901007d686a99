// Which operations the user's PBX account allows, for the tray menu and the Services tab.
#pragma once

#include <string>
#include <vector>

namespace korvi {
class PartnerDirectory;
struct KorviSettings;
}  // namespace korvi

namespace korvi::ui {

// A sync may be offered: a store is registered for the settings' partner and its own rule
// (a cloud account that looks valid) holds.
bool SyncPartnerReady(const PartnerDirectory& partners, const KorviSettings& settings);

// One item of a partner box: its row is the partner's code.
struct PartnerItem {
    int code = 0;
    std::string name;
    // A store for it is registered in this build.
    bool available = false;
};

// The partner boxes' items: the address book and the cloud always (the settings may name
// either), then every further registered partner, each at the row of its code.
std::vector<PartnerItem> PartnerItems(const PartnerDirectory& partners);

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
