// The actions of the local address book: export of the PBX contacts to it (7), import from it
// into the PBX (11), its folder tree (16) and its version (17). The export and the import
// rewrite the pair's sync list file, so that a later sync knows the copied contacts.
#pragma once

#include "stores/outlook/Toutlook.h"
#include "sync/PbxBackup.h"

namespace korvi {

class PbxPhonebook;
class Services;
class TcontactFile;
class Tctrl;

// Connections to the address book in services.addressBookDir (read at each connection, so a
// front end may set it after start-up); the cards a connection deletes are kept in the data
// folder's backups.
Toutlook::Connector AddressBookConnector(const Services& services);

void RegisterOutlookActions(Tctrl& ctrl, Toutlook& outlook, PbxPhonebook& pbx,
                            TcontactFile& contactFile, PbxBackupOptions backupOptions = {});
void RegisterOutlookActions(Services& services);

}  // namespace korvi
