#include "ui/UserRules.h"

#include <algorithm>
#include <cctype>

#include "app/KorviSettings.h"
#include "sync/Partner.h"
#include "sync/Tctrl.h"

namespace korvi::ui {

bool PortalAllowed(const std::string& userName, const std::string& pin) {
    if (userName.empty() || pin.empty()) return false;
    std::string lower = userName;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower != "install";
}

bool SyncPartnerReady(const PartnerDirectory& partners, const KorviSettings& settings) {
    const Partner* partner = partners.Find(settings.syncPartner);
    if (partner == nullptr || partner->store == nullptr) return false;
    return !partner->isSyncReady || partner->isSyncReady(settings);
}

std::vector<PartnerItem> PartnerItems(const PartnerDirectory& partners) {
    int last = ePartner_Gmail;
    for (const Partner* partner : partners.All()) last = std::max(last, partner->code);
    std::vector<PartnerItem> items;
    for (int code = 0; code <= last; ++code) {
        const Partner* partner = partners.Find(code);
        PartnerItem item;
        item.code = code;
        item.name =
            partner != nullptr && !partner->name.empty() ? partner->name : PartnerName(code);
        item.available = partner != nullptr && partner->store != nullptr;
        items.push_back(item);
    }
    return items;
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
