#include "app/AppPaths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

#include "app/Texts.h"

namespace korvi {

namespace {

constexpr char kDataFolderName[] = "KorviCommunicator";

std::filesystem::path HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return home;
    // No usable HOME (a service environment): the password database still knows it.
    passwd pw{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && pw.pw_dir != nullptr && pw.pw_dir[0] == '/') {
        return pw.pw_dir;
    }
    std::error_code ec;
    auto temp = std::filesystem::temp_directory_path(ec);
    return ec ? std::filesystem::path("/tmp") : temp;
}

// Creates folder (and any missing parents) with the last level private to the user; an
// existing folder is accepted as it is.
bool MakeFolder(const std::filesystem::path& folder, std::string& reason) {
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) return true;
    const auto parent = folder.parent_path();
    if (!parent.empty() && !std::filesystem::is_directory(parent, ec)) {
        std::filesystem::create_directories(parent, ec);
        if (ec) {
            reason = ec.message();
            return false;
        }
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        reason = std::strerror(errno);
        return false;
    }
    if (!std::filesystem::is_directory(folder, ec)) {
        reason = "not a folder";
        return false;
    }
    return true;
}

}  // namespace

std::filesystem::path DataFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    // Relative values are to be ignored by the XDG rules: they would follow the working folder.
    if (xdg != nullptr && xdg[0] == '/') return std::filesystem::path(xdg) / kDataFolderName;
    return HomeFolder() / ".local" / "share" / kDataFolderName;
}

std::filesystem::path LogsFolderDefault() { return DataFolder() / "logs"; }

std::filesystem::path BackupsFolder() { return DataFolder() / "backups"; }

std::filesystem::path AddressBookFolderDefault() { return DataFolder() / "addressbook"; }

std::filesystem::path ConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    return (xdg != nullptr && xdg[0] == '/') ? std::filesystem::path(xdg)
                                             : HomeFolder() / ".config";
}

std::filesystem::path SettingsFilePath() {
    return ConfigFolder() / "QVX" / "KorviCommunicator.conf";
}

bool EnsureDataFolders(std::string& error) {
    error.clear();
    std::string reason;
    const auto data = DataFolder();
    if (!MakeFolder(data, reason)) {
        error = Text(kTextDataFolderNotMade) + " " + data.string() + ": " + reason;
        return false;
    }
    const auto logs = data / "logs";
    if (!MakeFolder(logs, reason)) {
        error = Text(kTextLogsFolderNotMade) + " " + logs.string() + ": " + reason;
        return false;
    }
    return true;
}

}  // namespace korvi
