// The actions that talk to the PBX alone or copy between the PBX and a contact file: the
// service checks, the extension list, delete, and the file exports and imports. They are
// straight pipelines: each step's code becomes the result, and the first failure ends them.
#pragma once

#include <string>

#include "app/Progress.h"
#include "app/Result.h"
#include "model/Contact.h"
#include "sync/PbxBackup.h"

namespace korvi {

class PbxPhonebook;
class TcontactFile;
class Tctrl;
class Tpbx;

// Bodies of actions 0 to 6, 9 and 10 on ctrl. The composition root adds CheckPbxActionInputs
// as a check before every action.
void RegisterPbxActions(Tctrl& ctrl, Tpbx& pbx, TcontactFile& contactFile,
                        PbxBackupOptions backupOptions = {});

// What CarryOutAction checks before it starts an action: the connection values for the
// actions that reach the PBX (1 to 12 and 18), and the contact type for those that work on
// one (4 to 12 and 18). The front end has handed over the values with SetConnectionParams.
Result CheckPbxActionInputs(const Tpbx& pbx, int action);

// Reads the PBX contacts of the current contact type into list: the id list, then -8 with
// text 162 when there are none, else every contact that has numbers.
Result ReadPbxContacts(PbxPhonebook& pbx, TContactList& list, const StopFlag& stop);

}  // namespace korvi
