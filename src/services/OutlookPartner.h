// The local address book as partner 0 ("Outlook"): its store on the address book folder (the
// "AddressBookDir" setting), its rules, and its own actions: the folder tree (16) and the
// version (17). Its export and import are actions 7 and 11.
#pragma once

#include "stores/outlook/Toutlook.h"
#include "sync/Partner.h"

namespace korvi {

class Services;

// Creates the store on the "AddressBookDir" folder and registers it in services.partners.
void RegisterOutlookPartner(Services& services);

// The address book's partner entry around a store (everything but the settings' folder), for
// the registration and for tests that bring a store of their own.
Partner OutlookPartnerFor(Toutlook& store);

// The address book store of services (registered by RegisterOutlookPartner).
Toutlook& OutlookStore(const Services& services);

}  // namespace korvi
