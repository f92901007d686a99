#include "stores/outlook/FolderIds.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

#include <fmt/format.h>

#include "app/AtomicFile.h"
#include "app/Log.h"
#include "stores/outlook/ObjectModel.h"

namespace korvi::outlook {

namespace fs = std::filesystem;

namespace {

constexpr char kHeader[] =
    "# Korvi Communicator: ids of address book folders (id, device, inode, real path)\n";

bool IsHexId(std::string_view s) {
    return s.size() == 32 && std::all_of(s.begin(), s.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
           });
}

std::string ReadWhole(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool ParseNumber(std::string_view s, unsigned long long& out) {
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

// Made only from what keys the folder, so that the same folder gets the same id even when the
// record cannot be written.
std::string DerivedId(unsigned long long device, unsigned long long inode,
                      const std::string& path) {
    const std::string text = fmt::format("{}:{}:{}", device, inode, path);
    std::uint64_t a = 14695981039346656037ull;
    std::uint64_t b = 7809847782465536322ull;
    for (unsigned char c : text) {
        a = (a ^ c) * 1099511628211ull;
        b = (b ^ c) * 1099511628211ull;
    }
    return fmt::format("{:016X}{:016X}", a, b);
}

std::string LegacyId(const fs::path& folder) {
    std::string text = ReadWhole(folder / kLegacyFolderIdFileName);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return IsHexId(text) ? text : std::string();
}

// Two programs (the window and the command line tool) may record a folder at the same time.
class RecordLock {
public:
    explicit RecordLock(const fs::path& file) {
        m_fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0) {
            m_error = fmt::format("{}: {}", file.string(), std::strerror(errno));
            return;
        }
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            m_error = fmt::format("{}: {}", file.string(), std::strerror(errno));
            return;
        }
        m_locked = true;
    }
    ~RecordLock() {
        // Closing the descriptor releases the lock.
        if (m_fd >= 0) ::close(m_fd);
    }
    RecordLock(const RecordLock&) = delete;
    RecordLock& operator=(const RecordLock&) = delete;
    bool locked() const { return m_locked; }
    const std::string& error() const { return m_error; }

private:
    int m_fd = -1;
    bool m_locked = false;
    std::string m_error;
};

}  // namespace

FolderIds::FolderIds(fs::path file) : m_file(std::move(file)) {}

void FolderIds::Load() {
    m_loaded = true;
    m_entries.clear();
    const std::string text = ReadWhole(m_file);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (line.empty() || line.front() == '#') continue;
        std::string_view fields[4];
        std::size_t from = 0;
        bool ok = true;
        for (int f = 0; f < 4 && ok; ++f) {
            const std::size_t tab = f < 3 ? line.find('\t', from) : line.size();
            ok = tab != std::string_view::npos;
            if (ok) fields[f] = line.substr(from, tab - from);
            from = tab + 1;
        }
        Entry e;
        // A damaged line is passed over: its folder gets a new id, never a wrong one.
        if (!ok || !IsHexId(fields[0]) || !ParseNumber(fields[1], e.device) ||
            !ParseNumber(fields[2], e.inode) || fields[3].empty())
            continue;
        e.id.assign(fields[0]);
        e.path.assign(fields[3]);
        m_entries.push_back(std::move(e));
    }
}

const FolderIds::Entry* FolderIds::Find(const Entry& key) const {
    for (const Entry& e : m_entries)
        if (e.device == key.device && e.inode == key.inode && e.path == key.path) return &e;
    return nullptr;
}

std::string FolderIds::IdOf(const fs::path& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0)
        throw OlError(
            fmt::format("{}: cannot read the folder: {}", folder.string(), std::strerror(errno)));
    std::error_code ec;
    const fs::path real = fs::canonical(folder, ec);
    if (ec)
        throw OlError(fmt::format("{}: cannot read the folder: {}", folder.string(), ec.message()));
    Entry key;
    key.device = static_cast<unsigned long long>(st.st_dev);
    key.inode = static_cast<unsigned long long>(st.st_ino);
    key.path = real.string();
    if (!m_loaded) Load();
    if (const Entry* e = Find(key)) return e->id;
    return Record(key, folder);
}

std::string FolderIds::Record(const Entry& key, const fs::path& folder) {
    const std::string derived = DerivedId(key.device, key.inode, key.path);
    if (key.path.find_first_of("\t\n") != std::string::npos) return derived;
    std::error_code ec;
    fs::create_directories(m_file.parent_path(), ec);
    RecordLock lock(fs::path(m_file.string() + ".lock"));
    if (!lock.locked()) {
        WriteLog("ERR: OUTLOOK: Could not keep the folder id: %s", lock.error());
        return derived;
    }
    Load();  // another program may have recorded the folder meanwhile
    if (const Entry* e = Find(key)) return e->id;
    Entry entry = key;
    const std::string legacy = LegacyId(folder);
    const bool taken = std::any_of(m_entries.begin(), m_entries.end(),
                                   [&](const Entry& e) { return e.id == legacy; });
    entry.id = !legacy.empty() && !taken ? legacy : derived;
    std::string text = kHeader;
    for (const Entry& e : m_entries)
        text += fmt::format("{}\t{}\t{}\t{}\n", e.id, e.device, e.inode, e.path);
    text += fmt::format("{}\t{}\t{}\t{}\n", entry.id, entry.device, entry.inode, entry.path);
    std::string error;
    if (!WriteFileAtomically(m_file, text, error)) {
        WriteLog("ERR: OUTLOOK: Could not keep the folder id: %s", error);
        return entry.id == legacy ? legacy : derived;
    }
    m_entries.push_back(std::move(entry));
    return m_entries.back().id;
}

}  // namespace korvi::outlook
