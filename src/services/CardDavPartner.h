// The address book server as partner 2 ("CardDAV"): its store on the account of the settings
// ("CardDavUrl", "CardDavUser", "CardDavPwd", "CardDavCaFile"), its rules, and its export and
// import (the later actions kActExportContactsToCardDav and kActImportContactsFromCardDav).
#pragma once

#include "app/KorviSettings.h"
#include "stores/carddav/TcardDav.h"
#include "sync/Partner.h"

namespace korvi {

class Services;

// Creates the store (its caches in the data folder's "carddav") and registers it in
// services.partners.
void RegisterCardDavPartner(Services& services);

// The partner entry around a store, for the registration and for tests that bring their own.
Partner CardDavPartnerFor(TcardDav& store);

// What the store is handed of the settings: the account, and "ConnTimeout" as each request's
// time limit.
CardDavSettings CardDavSettingsFrom(const KorviSettings& settings);

// The address book store of services (registered by RegisterCardDavPartner).
TcardDav& CardDavStore(const Services& services);

}  // namespace korvi
