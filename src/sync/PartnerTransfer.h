// The export of the PBX contacts into a partner store and the import of a partner store into
// the PBX (actions 7 and 11 for the address book, 8 and 12 for the cloud group): one pipeline
// each for every partner, with the partner's rules. After either, the pair's sync list holds
// the copied contacts, so that a later sync knows them.
#pragma once

#include "sync/PbxBackup.h"

namespace korvi {

class PbxPhonebook;
class TcontactFile;
class Tctrl;
struct Partner;

// The bodies of partner.exportAction and partner.importAction (those that are not -1).
void RegisterPartnerTransfers(Tctrl& ctrl, const Partner& partner, PbxPhonebook& pbx,
                              TcontactFile& contactFile, PbxBackupOptions backupOptions = {});

}  // namespace korvi
