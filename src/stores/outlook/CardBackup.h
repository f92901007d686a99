// Where the cards that a connection deletes go: a folder of their own below the backups
// folder, "<address book folder>-<date>-<time>", made on the first deletion, so that an export
// over the wrong folder (which empties it first) or a sync that deletes can be undone by
// copying the files back. The newest 20 such folders are kept.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace korvi {
class Clock;
}

namespace korvi::outlook {

inline constexpr int kKeptCardBackups = 20;
inline constexpr char kCardBackupMarker[] = ".korvi-card-backup";

class CardBackup {
public:
    CardBackup(std::filesystem::path backupsRoot, const Clock& clock);

    // Moves a card file into the backup of folderName. False with a reason naming the file.
    [[nodiscard]] bool MoveFile(const std::filesystem::path& file, const std::string& folderName,
                                std::string& error);
    // Stores the bytes of one card of a file that holds several.
    [[nodiscard]] bool SaveCard(std::string_view bytes, const std::string& fileName,
                                const std::string& folderName, std::string& error);

    const std::filesystem::path& root() const { return m_root; }

private:
    [[nodiscard]] bool FolderFor(const std::string& folderName, std::filesystem::path& folder,
                                 std::string& error);
    void Prune();

    std::filesystem::path m_root;
    const Clock& m_clock;
    std::map<std::string, std::filesystem::path> m_folders;  // by address book folder name
};

}  // namespace korvi::outlook
