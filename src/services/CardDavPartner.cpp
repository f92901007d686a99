#include "services/CardDavPartner.h"

#include <charconv>
#include <memory>
#include <utility>

#include "app/Texts.h"
#include "services/Services.h"
#include "stores/carddav/CardDavClient.h"

namespace korvi {

namespace {

constexpr long kDefaultTimeoutSeconds = 30;

long TimeoutMs(const std::string& seconds) {
    long value = 0;
    const auto [end, ec] = std::from_chars(seconds.data(), seconds.data() + seconds.size(), value);
    if (ec != std::errc() || end != seconds.data() + seconds.size() || value <= 0)
        value = kDefaultTimeoutSeconds;
    return value * 1000;
}

}  // namespace

CardDavSettings CardDavSettingsFrom(const KorviSettings& settings) {
    CardDavSettings s;
    s.url = settings.cardDavUrl;
    s.user = settings.cardDavUser;
    s.password = settings.cardDavPwd;
    s.caFile = settings.cardDavCaFile;
    s.timeoutMs = TimeoutMs(settings.connTimeout);
    return s;
}

void RegisterCardDavPartner(Services& services) {
    auto store = std::make_unique<TcardDav>(services.ctrl, services.dataFolder() / "carddav");
    Partner partner = CardDavPartnerFor(*store);
    services.partners.Register(std::move(partner), std::move(store));
}

Partner CardDavPartnerFor(TcardDav& store) {
    Partner partner;
    partner.code = ePartner_CardDav;
    partner.name = kCardDavPartnerName;
    partner.store = &store;
    // Cards are read and written with the address book's mapping, so they hold what it holds.
    partner.slots = PartnerSlots::AddressBook();
    partner.exportAction = kActExportContactsToCardDav;
    partner.importAction = kActImportContactsFromCardDav;
    partner.noContactsText = "No Contacts found in the CardDAV address book.";
    partner.configure = [&store](const KorviSettings& settings) {
        store.settings = CardDavSettingsFrom(settings);
    };
    partner.prepareSync = [&store](Tctrl&) {
        // A sync that replaces the address book replaces all of it (an export adds instead).
        store.keepExisting = 0;
        return Result();
    };
    partner.isSyncReady = [](const KorviSettings& settings) {
        return !settings.cardDavUrl.empty() &&
               carddav::CardDavClient::RefusalOf(settings.cardDavUrl).empty();
    };
    partner.locate = [&store](const KorviSettings& settings) {
        store.settings = CardDavSettingsFrom(settings);
        return store.Locate();
    };
    return partner;
}

TcardDav& CardDavStore(const Services& services) {
    return *services.partners.StoreOf<TcardDav>(ePartner_CardDav);
}

}  // namespace korvi
