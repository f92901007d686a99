// The cloud contact group as partner 1 ("Gmail"): its store on the service of the
// "GmailServiceUrl" setting (trusting the authorities of "GmailCaFile"), its rules, and its own
// actions: the login (13), the groups (14) and a new group (15). Its export and import are
// actions 8 and 12.
#pragma once

#include "stores/gmail/Tgmail.h"
#include "sync/Partner.h"

namespace korvi {

class Services;

// Creates the store with its HTTPS transport and registers it in services.partners.
void RegisterGmailPartner(Services& services);

// The cloud's partner entry around a store (everything but the settings' transport options),
// for the registration and for tests that bring a store of their own.
Partner GmailPartnerFor(Tgmail& store);

// What a group holds of a contact's numbers: by kind, the first ones of a kind taking its slots
// (the first two home numbers are its home numbers, whatever their types in the PBX).
PartnerSlots GmailGroupSlots();

// The cloud store of services (registered by RegisterGmailPartner).
Tgmail& GmailStore(const Services& services);

}  // namespace korvi
