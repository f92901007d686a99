// The operations of the address book server partner ("CardDAV"): export the PBX contacts to
// the address book, import its cards into the PBX, and find the address books of an account
// for the account dialog's chooser. The account is the settings' ("CardDavUrl", "CardDavUser",
// "CardDavPwd", "CardDavCaFile"); the sync with it is SyncNow with partner 2.
#pragma once

#include <string>
#include <vector>

#include "app/Result.h"
#include "flows/FrontEnd.h"

namespace korvi::flows {

struct FlowContext;

// Adds the PBX contacts of the chosen contact type to the address book (asking first when it
// holds cards already, which may then appear twice); the pair's sync list names them after.
Result ExportToCardDav(FlowContext& ctx);

// Replaces the PBX contacts of the chosen contact type with the address book's cards, after
// the import question.
Result ImportFromCardDav(FlowContext& ctx);

// The address books the settings' account offers (the server's, or the one "CardDavUrl"
// names). Shows nothing: the caller tells a failure.
Result FindAddressBooks(FlowContext& ctx, std::vector<AddressBookEntry>& books);

}  // namespace korvi::flows
