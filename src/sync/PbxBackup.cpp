#include "sync/PbxBackup.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <system_error>
#include <tuple>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "app/AppPaths.h"
#include "app/Clock.h"
#include "app/Log.h"
#include "app/Texts.h"
#include "files/ContactFile.h"
#include "pbx/PbxPhonebook.h"
#include "sync/WholeSideCopy.h"

namespace korvi {

namespace {

// More backups in one second than this means something loops; better to fail than to spin.
constexpr int kMaxNameTries = 1000;

std::string BackupPrefix(int32_t contactType) { return "pbx-" + std::to_string(contactType) + "-"; }

// "yyyymmdd-hhmmss" and the sequence number of a backup name; false for any other file.
bool ParseBackupName(const std::string& name, const std::string& prefix, std::string& stamp,
                     int& sequence) {
    constexpr std::string_view kExtension = ".xml";
    constexpr std::size_t kStampLength = 15;
    if (name.size() < prefix.size() + kStampLength + kExtension.size() ||
        name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - kExtension.size(), kExtension.size(), kExtension) != 0) {
        return false;
    }
    stamp = name.substr(prefix.size(), kStampLength);
    for (std::size_t i = 0; i < stamp.size(); ++i) {
        const bool digit = stamp[i] >= '0' && stamp[i] <= '9';
        if (i == 8 ? stamp[i] != '-' : !digit) return false;
    }
    const std::string rest =
        name.substr(prefix.size() + kStampLength,
                    name.size() - prefix.size() - kStampLength - kExtension.size());
    sequence = 1;
    if (rest.empty()) return true;
    if (rest.size() < 2 || rest[0] != '-') return false;
    const auto [end, ec] = std::from_chars(rest.data() + 1, rest.data() + rest.size(), sequence);
    return ec == std::errc() && end == rest.data() + rest.size() && sequence >= 2;
}

// The folder holds the user's contacts: private to the user, like the data folder above it.
bool EnsureBackupFolder(const std::filesystem::path& folder, std::string& error) {
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) return true;
    if (folder.has_parent_path()) std::filesystem::create_directories(folder.parent_path(), ec);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = folder.string() + ": " + std::strerror(errno);
        return false;
    }
    if (!std::filesystem::is_directory(folder, ec)) {
        error = folder.string() + ": not a folder";
        return false;
    }
    return true;
}

bool ChooseBackupPath(const std::filesystem::path& folder, int32_t contactType, const LocalTime& t,
                      std::filesystem::path& path) {
    const std::string base =
        fmt::format("{}{:04d}{:02d}{:02d}-{:02d}{:02d}{:02d}", BackupPrefix(contactType), t.year,
                    t.month, t.day, t.hour, t.minute, t.second);
    for (int n = 1; n <= kMaxNameTries; ++n) {
        const std::string name = n == 1 ? base + ".xml" : fmt::format("{}-{}.xml", base, n);
        std::error_code ec;
        const std::filesystem::path candidate = folder / name;
        if (!std::filesystem::exists(candidate, ec) && !ec) {
            path = candidate;
            return true;
        }
    }
    return false;
}

void PruneBackups(const std::filesystem::path& folder, int32_t contactType,
                  const std::filesystem::path& keep) {
    std::vector<std::filesystem::path> backups = ListPbxBackups(folder, contactType);
    if (backups.size() <= kBackupsKept) return;
    // A clock set back could make the new file sort first: it is never the one removed.
    std::erase(backups, keep);
    std::size_t excess = backups.size() + 1 - kBackupsKept;
    for (const auto& old : backups) {
        if (excess == 0) break;
        std::error_code ec;
        if (std::filesystem::remove(old, ec)) {
            WriteLog("LOG: PBX: Backup: Removed old backup %s", old.string());
        } else {
            WriteLog("ERR: PBX: Backup: Could not remove old backup %s: %s", old.string(),
                     ec.message());
        }
        --excess;
    }
}

Result BackupFailed(int code, const std::string& contactTypeName, const std::string& reason) {
    WriteLog("ERR: PBX: Backup Fail: %d - %s", code, reason);
    return {code, fmt::format("Could not save a backup of the PBX contacts for {}, so nothing "
                              "was changed in the PBX: {}",
                              contactTypeName, reason)};
}

}  // namespace

std::vector<std::filesystem::path> ListPbxBackups(const std::filesystem::path& folder,
                                                  int32_t contactType) {
    struct Entry {
        std::string stamp;
        int sequence;
        std::filesystem::path path;
    };
    std::vector<Entry> entries;
    const std::string prefix = BackupPrefix(contactType);
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        Entry e;
        if (ParseBackupName(it->path().filename().string(), prefix, e.stamp, e.sequence)) {
            e.path = it->path();
            entries.push_back(std::move(e));
        }
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return std::tie(a.stamp, a.sequence) < std::tie(b.stamp, b.sequence);
    });
    std::vector<std::filesystem::path> out;
    out.reserve(entries.size());
    for (auto& e : entries) out.push_back(std::move(e.path));
    return out;
}

Result BackupPbxContacts(PbxPhonebook& pbx, TcontactFile& contactFile, const StopFlag& stop,
                         PbxBackupInfo& info, const PbxBackupOptions& options) {
    info = PbxBackupInfo{};
    const int32_t contactType = pbx.CurrentContactType();
    const std::string name = pbx.CurrentContactTypeName();

    if (Result ids = pbx.GetContactIdsForCurContactType(); !ids.ok()) {
        return BackupFailed(ids.code, name, ids.text);
    }
    if (pbx.ContactIdCount() == 0) {
        WriteLog("LOG: PBX: Backup: No contacts of Contact Type %d to save", contactType);
        return {};
    }
    TContactList list;
    if (Result loaded = pbx.LoadAllContacts(&list, stop); !loaded.ok()) {
        if (loaded.cancelled() || stop.load()) {
            return {kResultCancelled, Text(kTextActionCancelled)};
        }
        return BackupFailed(loaded.code, name, loaded.text);
    }

    const std::filesystem::path folder = options.folder.empty() ? BackupsFolder() : options.folder;
    std::string error;
    if (!EnsureBackupFolder(folder, error)) return BackupFailed(kResultLocalFailure, name, error);
    static const SystemClock kSystemClock;
    const LocalTime now = (options.clock != nullptr ? options.clock : &kSystemClock)->Local();
    std::filesystem::path path;
    if (!ChooseBackupPath(folder, contactType, now, path)) {
        return BackupFailed(kResultLocalFailure, name,
                            "no free backup file name in " + folder.string());
    }
    if (Result saved = contactFile.SaveContacts(path, list, kFileTypeXml); !saved.ok()) {
        return BackupFailed(kResultLocalFailure, name, saved.text);
    }
    info.file = path;
    info.contacts = static_cast<int>(list.size());
    WriteLog("LOG: PBX: Backup: Saved %d contacts of Contact Type %d to %s", info.contacts,
             contactType, path.string());
    PruneBackups(folder, contactType, path);
    return {};
}

std::string BackupNote(const PbxBackupInfo& info, const std::string& contactTypeName) {
    if (info.file.empty()) return {};
    return fmt::format(
        "\n\nThe {} contacts that the PBX held for {} before are saved in {}; import that "
        "file to restore them.",
        info.contacts, contactTypeName, info.file.string());
}

Result SaveContactsWithBackup(PbxPhonebook& pbx, TcontactFile& contactFile, TContactList& list,
                              const StopFlag& stop, PbxBackupInfo* info,
                              const PbxBackupOptions& options) {
    PbxBackupInfo backup;
    if (Result saved = BackupPbxContacts(pbx, contactFile, stop, backup, options); !saved.ok()) {
        return saved;
    }
    if (info != nullptr) *info = backup;
    if (Result forgotten = ForgetPbxSyncLists(contactFile, pbx.CurrentContactType());
        !forgotten.ok()) {
        return forgotten;
    }
    Result replaced = pbx.SaveContacts(&list, stop);
    if (!replaced.ok()) replaced.text += BackupNote(backup, pbx.CurrentContactTypeName());
    return replaced;
}

}  // namespace korvi
