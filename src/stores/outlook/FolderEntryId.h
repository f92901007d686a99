// The EntryID of an address book folder: 32 hexadecimal digits kept in a small hidden file in
// the folder, made on first use, so that the id (and the sync list it names) stays while the
// folder keeps its place and name.
#pragma once

#include <filesystem>
#include <string>

namespace korvi::outlook {

inline constexpr char kFolderIdFileName[] = ".korvi-folder-id";

// When the id cannot be stored (a read-only folder) it is derived from the folder's path, so
// that it is still stable from one run to the next; the reason is logged.
std::string FolderEntryId(const std::filesystem::path& folder);

}  // namespace korvi::outlook
