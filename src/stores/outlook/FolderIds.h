// The EntryIDs of address book folders (32 hexadecimal digits), kept in one file in the data
// folder and keyed by each folder's real path and inode, never in the folders themselves: a
// folder the program did not make (a khard or vdirsyncer collection) gets nothing written
// into it, and a copy of a folder (another path, another inode) gets an id of its own, so it
// never shares the sync list of the folder it was copied from.
//
// Folders that earlier versions marked with a hidden id file keep that id, as long as no other
// folder has taken it (a copy made with the file inside it gets a new one).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace korvi::outlook {

// The hidden id file of earlier versions; read, never written.
inline constexpr char kLegacyFolderIdFileName[] = ".korvi-folder-id";

class FolderIds {
public:
    // file: where the ids are kept ("folder-ids" in the data folder).
    explicit FolderIds(std::filesystem::path file);

    // The id of the folder, made and recorded the first time it is asked for. Throws OlError
    // when the folder cannot be reached. When the record cannot be written the id is derived
    // from the path and inode, so that it still stays the same from one run to the next; the
    // reason is logged.
    std::string IdOf(const std::filesystem::path& folder);

private:
    struct Entry {
        std::string id;
        unsigned long long device = 0;
        unsigned long long inode = 0;
        std::string path;
    };
    void Load();
    const Entry* Find(const Entry& key) const;
    std::string Record(const Entry& key, const std::filesystem::path& folder);

    std::filesystem::path m_file;
    std::vector<Entry> m_entries;
    bool m_loaded = false;
};

}  // namespace korvi::outlook
