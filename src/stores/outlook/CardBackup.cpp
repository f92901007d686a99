#include "stores/outlook/CardBackup.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include <fmt/format.h>

#include "app/AtomicFile.h"
#include "app/Clock.h"
#include "app/Log.h"

namespace korvi::outlook {

namespace fs = std::filesystem;

namespace {

std::string SafeName(const std::string& name) {
    std::string out;
    for (char c : name) out += (c == '/' || c == '\\' || c == '\0') ? '_' : c;
    if (out.empty() || out[0] == '.') out.insert(out.begin(), '_');
    return out;
}

// The stamp a backup folder was made with, from its marker file ("" when unreadable).
std::string StampOf(const fs::path& folder) {
    std::ifstream in(folder / kCardBackupMarker);
    std::string stamp;
    std::getline(in, stamp);
    return stamp;
}

}  // namespace

CardBackup::CardBackup(fs::path backupsRoot, const Clock& clock)
    : m_root(std::move(backupsRoot)), m_clock(clock) {}

bool CardBackup::FolderFor(const std::string& folderName, fs::path& folder, std::string& error) {
    auto it = m_folders.find(folderName);
    if (it != m_folders.end()) {
        folder = it->second;
        return true;
    }
    std::error_code ec;
    fs::create_directories(m_root, ec);
    if (ec) {
        error =
            fmt::format("{}: cannot create the backups folder: {}", m_root.string(), ec.message());
        return false;
    }
    const LocalTime t = m_clock.Local();
    const std::string base =
        fmt::format("{}-{:04d}{:02d}{:02d}-{:02d}{:02d}{:02d}", SafeName(folderName), t.year,
                    t.month, t.day, t.hour, t.minute, t.second);
    fs::path candidate = m_root / base;
    bool made = false;
    for (int n = 2; n < 1000 && !made; ++n) {
        made = fs::create_directory(candidate, ec);
        if (ec) {
            error = fmt::format("{}: cannot create the backup folder: {}", candidate.string(),
                                ec.message());
            return false;
        }
        if (!made) candidate = m_root / fmt::format("{}-{}", base, n);
    }
    if (!made) {
        error = fmt::format("{}: no free backup folder name", candidate.string());
        return false;
    }
    // The stamp orders the backups for pruning: name order would mix up folder names.
    std::string stamp = fmt::format("{:020d} {}\n", static_cast<long long>(m_clock.Now()),
                                    candidate.filename().string());
    if (!WriteFileAtomically(candidate / kCardBackupMarker, stamp, error)) return false;
    m_folders[folderName] = candidate;
    folder = candidate;
    WriteLog("LOG: OUTLOOK: Deleted cards are kept in %s", candidate.string());
    Prune();
    return true;
}

void CardBackup::Prune() {
    std::error_code ec;
    std::vector<std::pair<std::string, fs::path>> backups;
    for (fs::directory_iterator it(m_root, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code e2;
        if (!it->is_directory(e2) || !fs::exists(it->path() / kCardBackupMarker, e2)) continue;
        backups.emplace_back(StampOf(it->path()), it->path());
    }
    if (static_cast<int>(backups.size()) <= kKeptCardBackups) return;
    std::sort(backups.begin(), backups.end());
    const std::size_t drop = backups.size() - kKeptCardBackups;
    for (std::size_t i = 0; i < drop; ++i) {
        std::error_code e2;
        fs::remove_all(backups[i].second, e2);
        if (e2)
            WriteLog("ERR: OUTLOOK: Could not remove old backup %s: %s", backups[i].second.string(),
                     e2.message());
    }
}

bool CardBackup::MoveFile(const fs::path& file, const std::string& folderName, std::string& error) {
    fs::path folder;
    if (!FolderFor(folderName, folder, error)) return false;
    fs::path target = folder / file.filename();
    for (int n = 2; fs::exists(target) && n < 10000; ++n)
        target = folder / fmt::format("{}-{}.vcf", file.stem().string(), n);
    std::error_code ec;
    fs::rename(file, target, ec);
    if (!ec) return true;
    if (ec != std::errc::cross_device_link) {
        error = fmt::format("{}: cannot move the card to {}: {}", file.string(), folder.string(),
                            ec.message());
        return false;
    }
    // Another file system: copy, then remove the original only once the copy is whole.
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        error = fmt::format("{}: cannot read the card", file.string());
        return false;
    }
    if (!WriteFileAtomically(target, bytes, error)) return false;
    fs::remove(file, ec);
    if (ec) {
        error = fmt::format("{}: cannot remove the card: {}", file.string(), ec.message());
        return false;
    }
    return true;
}

bool CardBackup::SaveCard(std::string_view bytes, const std::string& fileName,
                          const std::string& folderName, std::string& error) {
    fs::path folder;
    if (!FolderFor(folderName, folder, error)) return false;
    fs::path target = folder / fileName;
    for (int n = 2; fs::exists(target) && n < 10000; ++n)
        target = folder / fmt::format("{}-{}.vcf", fs::path(fileName).stem().string(), n);
    return WriteFileAtomically(target, bytes, error);
}

}  // namespace korvi::outlook
