#include "app/SettingsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <map>
#include <mutex>
#include <system_error>

#include <QSettings>
#include <QString>
#include <QVariant>

namespace korvi {

namespace {

constexpr char kGroup[] = "settings";
constexpr mode_t kFileMode = 0600;

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Reason(int err) { return std::strerror(err); }

// QSettings caches a parsed file per path for the whole process and reports a parse error
// only on the open that actually read the file; a later open of the unchanged file looks
// clean. So a file once found damaged is remembered by its identity on disk.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    bool operator==(const FileIdentity& o) const {
        return device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
    }
};

bool Identify(const std::filesystem::path& file, FileIdentity& id) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return false;
    id = FileIdentity{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
    return true;
}

std::mutex g_damagedMutex;
std::map<std::string, FileIdentity> g_damagedFiles;

// True when the load saw a parse error now, or the file is the one seen damaged before.
bool CheckDamaged(const std::filesystem::path& file, bool parseErrorNow) {
    FileIdentity id;
    const bool known = Identify(file, id);
    std::lock_guard lock(g_damagedMutex);
    if (parseErrorNow) {
        if (known) g_damagedFiles[file.string()] = id;
        return true;
    }
    const auto it = g_damagedFiles.find(file.string());
    if (it == g_damagedFiles.end()) return false;
    if (known && it->second == id) return true;
    g_damagedFiles.erase(it);
    return false;
}

}  // namespace

struct SettingsFile::Qt {
    explicit Qt(const std::filesystem::path& file)
        : settings(QString::fromLocal8Bit(file.c_str()), QSettings::NativeFormat) {
        settings.beginGroup(kGroup);
    }
    QSettings settings;
};

SettingsFile::SettingsFile(std::filesystem::path file) : m_file(std::move(file)) {}

SettingsFile::~SettingsFile() = default;

bool SettingsFile::Fail(std::string text) {
    m_error = m_file.string() + ": " + std::move(text);
    return false;
}

// The folder holds the file with the PIN: it must belong to the user, and nobody else may
// be able to swap the file in it.
bool SettingsFile::PrepareFolder() {
    const std::filesystem::path folder = m_file.parent_path();
    std::error_code ec;
    if (!std::filesystem::exists(folder, ec)) {
        const auto parent = folder.parent_path();
        if (!parent.empty()) std::filesystem::create_directories(parent, ec);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            return Fail("cannot create the settings folder: " + Reason(errno));
        }
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) return Fail("settings folder: " + Reason(errno));
    if (!S_ISDIR(st.st_mode)) return Fail("the settings folder is not a folder");
    if (st.st_uid != ::geteuid()) return Fail("the settings folder belongs to another user");
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return Fail("the settings folder is writable by other users");
    }
    return true;
}

// Created 0600 before QSettings ever writes: QSettings would make a new file under the
// umask (0644), and later saves keep the mode of the file they replace.
bool SettingsFile::PrepareFile() {
    struct stat st {};
    if (::lstat(m_file.c_str(), &st) != 0) {
        if (errno != ENOENT) return Fail("cannot inspect the settings file: " + Reason(errno));
        const int fd =
            ::open(m_file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kFileMode);
        if (fd < 0) return Fail("cannot create the settings file: " + Reason(errno));
        // The umask can only have narrowed the mode; make it exactly 0600.
        const bool modeOk = ::fchmod(fd, kFileMode) == 0;
        const int modeErr = errno;
        if (::close(fd) != 0) return Fail("cannot create the settings file: " + Reason(errno));
        if (!modeOk) return Fail("cannot set the settings file mode: " + Reason(modeErr));
        return true;
    }
    if (!S_ISREG(st.st_mode)) return Fail("the settings file is not a regular file");
    if (st.st_uid != ::geteuid()) return Fail("the settings file belongs to another user");
    if ((st.st_mode & 07777) != kFileMode && ::chmod(m_file.c_str(), kFileMode) != 0) {
        return Fail("cannot make the settings file private: " + Reason(errno));
    }
    return true;
}

bool SettingsFile::Load() {
    m_qt = std::make_unique<Qt>(m_file);
    m_damaged = CheckDamaged(m_file, m_qt->settings.status() == QSettings::FormatError);
    if (m_qt->settings.status() == QSettings::AccessError) {
        m_qt.reset();
        return Fail("cannot read the settings file");
    }
    return true;
}

bool SettingsFile::Open() {
    m_error.clear();
    m_qt.reset();
    m_damaged = false;
    m_writeFailed = false;
    return PrepareFolder() && PrepareFile() && Load();
}

// A damaged file is kept for the user to look at, not merged into: the values it still
// yields could be half of what was there.
bool SettingsFile::ReplaceDamaged() {
    m_qt.reset();
    std::filesystem::path aside = m_file;
    aside += ".damaged";
    if (::rename(m_file.c_str(), aside.c_str()) != 0) {
        return Fail("cannot set the damaged settings file aside: " + Reason(errno));
    }
    m_damaged = false;
    return PrepareFile() && Load();
}

bool SettingsFile::Contains(std::string_view name) const {
    if (!m_qt || m_damaged) return false;
    return m_qt->settings.contains(ToQString(name));
}

std::string SettingsFile::ReadString(std::string_view name, std::string_view defaultValue) const {
    if (!Contains(name)) return std::string(defaultValue);
    const QVariant value = m_qt->settings.value(ToQString(name));
    // A list or any other variant is not one of our text values.
    if (value.typeId() != QMetaType::QString) return std::string(defaultValue);
    return value.toString().toUtf8().toStdString();
}

int SettingsFile::ReadInt(std::string_view name, int defaultValue) const {
    if (!Contains(name)) return defaultValue;
    const QVariant value = m_qt->settings.value(ToQString(name));
    if (value.typeId() == QMetaType::Int) return value.toInt();
    if (value.typeId() != QMetaType::QString) return defaultValue;
    const std::string text = value.toString().toStdString();
    int number = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return defaultValue;
    return number;
}

void SettingsFile::WriteString(std::string_view name, std::string_view value) {
    if (m_damaged && !ReplaceDamaged()) m_writeFailed = true;
    if (!m_qt) {
        m_writeFailed = true;
        return;
    }
    m_qt->settings.setValue(ToQString(name), ToQString(value));
}

void SettingsFile::WriteInt(std::string_view name, int value) {
    if (m_damaged && !ReplaceDamaged()) m_writeFailed = true;
    if (!m_qt) {
        m_writeFailed = true;
        return;
    }
    m_qt->settings.setValue(ToQString(name), value);
}

bool SettingsFile::Sync() {
    if (!m_qt || m_writeFailed) {
        if (m_error.empty()) Fail("the settings file is not open");
        return false;
    }
    // Nothing was written: a damaged file stays as it is until a value replaces it.
    if (m_damaged) return true;
    m_qt->settings.sync();
    if (m_qt->settings.status() != QSettings::NoError) {
        // FormatError here would be the load's; ReplaceDamaged leaves none behind, so any
        // status now means the write failed.
        return Fail("cannot write the settings file");
    }
    struct stat st {};
    if (::stat(m_file.c_str(), &st) != 0) return Fail("settings file: " + Reason(errno));
    if ((st.st_mode & 07777) != kFileMode && ::chmod(m_file.c_str(), kFileMode) != 0) {
        return Fail("cannot make the settings file private: " + Reason(errno));
    }
    return true;
}

}  // namespace korvi
