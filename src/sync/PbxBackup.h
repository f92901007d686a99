// A copy of the PBX phonebook of one contact type, taken before anything deletes or replaces
// it (delete, file import, partner imports, the replace directions of a sync). The replace
// deletes every contact of the type before it writes the new ones, so a failure halfway would
// otherwise leave the user with a half-empty phonebook and nothing to go back to.
//
// Backups are contact XML files in $XDG_DATA_HOME/KorviCommunicator/backups, named
// "pbx-<contact type>-<yyyymmdd>-<hhmmss>[-<n>].xml"; the newest 20 of each contact type are
// kept. Importing such a file restores the phonebook.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Progress.h"
#include "app/Result.h"
#include "model/Contact.h"

namespace korvi {

class Clock;
class PbxPhonebook;
class TcontactFile;

inline constexpr std::size_t kBackupsKept = 20;

struct PbxBackupInfo {
    std::filesystem::path file;  // empty when the phonebook held nothing to save
    int contacts = 0;
};

// Where backups go and whose time names them; the defaults are the user's backups folder and
// the system clock.
struct PbxBackupOptions {
    std::filesystem::path folder;
    const Clock* clock = nullptr;
};

// Reads every contact of the phonebook's current contact type (with or without numbers) and
// saves them. Success when saved, or when the phonebook is empty (no file then). A failure
// means no backup exists: the caller must not delete anything; its text says why.
Result BackupPbxContacts(PbxPhonebook& pbx, TcontactFile& contactFile, const StopFlag& stop,
                         PbxBackupInfo& info, const PbxBackupOptions& options = {});

// The guarded replace that every import and replace direction uses: the backup first, then
// the sync lists of the contact type are removed (ForgetPbxSyncLists), then the PBX client's
// SaveContacts with list. Without a backup nothing is deleted. When the replace fails, its
// text ends with BackupNote. info tells the caller where the backup is.
Result SaveContactsWithBackup(PbxPhonebook& pbx, TcontactFile& contactFile, TContactList& list,
                              const StopFlag& stop, PbxBackupInfo* info = nullptr,
                              const PbxBackupOptions& options = {});

// The sentences added to the result text of a delete or replace that failed after the
// backup was made: where the old contacts are and how to get them back. Empty without a file.
std::string BackupNote(const PbxBackupInfo& info, const std::string& contactTypeName);

// The backups of one contact type, oldest first.
std::vector<std::filesystem::path> ListPbxBackups(const std::filesystem::path& folder,
                                                  int32_t contactType);

}  // namespace korvi
