// Contact lists to and from files: the complete XML form (also the form of sync lists) and a
// CSV form for spreadsheets (written only). Sync list files live in the data folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "app/Progress.h"
#include "app/Result.h"
#include "model/Contact.h"

namespace korvi {

enum ContactFileType { kFileTypeXml = 0, kFileTypeCsv = 1 };

class TcontactFile {
public:
    // An empty dataFolder stands for DataFolder() of the user (not created here).
    explicit TcontactFile(Progress& progress, std::filesystem::path dataFolder = {});

    // $XDG_DATA_HOME/KorviCommunicator (default ~/.local/share/KorviCommunicator), created
    // with its logs/ folder when missing.
    static std::filesystem::path DefaultDataFolder();

    const std::filesystem::path& dataFolder() const { return m_dataFolder; }
    void setDataFolder(std::filesystem::path folder) { m_dataFolder = std::move(folder); }

    Result SaveContacts(const std::filesystem::path& path, const TContactList& list, int fileType);
    Result LoadContacts(const std::filesystem::path& path, TContactList& list);

    Result WriteSyncFile(int32_t contactType, const std::string& contactStoreID,
                         const TContactList& list);
    Result LoadSyncFile(int32_t contactType, const std::string& contactStoreID, TContactList& list);
    // Success when the pair has a sync list; otherwise -9 without a text.
    Result CheckIfSyncFileExists(int32_t contactType, const std::string& contactStoreID);
    int DeleteSyncFiles(int32_t contactType);
    // The sync list files of contactType, with every partner store (what DeleteSyncFiles
    // deletes).
    std::vector<std::filesystem::path> SyncFiles(int32_t contactType) const;

    std::filesystem::path SyncFilePath(int32_t contactType,
                                       const std::string& contactStoreID) const;

    // Test seam: every file written next fails after this many bytes, as a full disk would.
    void SetWriteFailAfterBytes(std::size_t bytes) { m_failAfterBytes = bytes; }

private:
    Progress& m_progress;
    std::filesystem::path m_dataFolder;
    std::size_t m_failAfterBytes = std::numeric_limits<std::size_t>::max();
};

}  // namespace korvi
