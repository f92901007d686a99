#include "app/StoreWriteLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "app/Log.h"
#include "app/Texts.h"

namespace korvi {

namespace {

long ReadPid(int fd) {
    char buffer[32] = {};
    const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
    if (n <= 0) return 0;
    long pid = 0;
    const auto [end, ec] = std::from_chars(buffer, buffer + n, pid);
    return ec == std::errc() && end != buffer && pid > 0 ? pid : 0;
}

// The holder writes its id right after it took the lock; a reader that comes in between waits
// that moment out.
long WaitForHolderPid(int fd) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (const long pid = ReadPid(fd); pid != 0) return pid;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return 0;
}

}  // namespace

StoreWriteLock::~StoreWriteLock() { Unlock(); }

StoreWriteLock::Outcome StoreWriteLock::TryLock(const std::filesystem::path& file,
                                                std::string& text) {
    Unlock();
    // Close-on-exec: a program started while the lock is held (a browser, an editor) must not
    // inherit the descriptor and with it the lock.
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        const int error = errno;
        text = Text(kTextStoresNotLockable, {}, file.string() + ": " + std::strerror(error));
        WriteLog("ERR: Store lock: %s: %s", file.string(), std::strerror(error));
        return Outcome::kFailed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error != EWOULDBLOCK) {
            ::close(fd);
            text = Text(kTextStoresNotLockable, {}, file.string() + ": " + std::strerror(error));
            WriteLog("ERR: Store lock: %s: %s", file.string(), std::strerror(error));
            return Outcome::kFailed;
        }
        const long pid = WaitForHolderPid(fd);
        ::close(fd);
        text = Text(kTextStoresBusy, {}, kAppName,
                    pid != 0 ? std::to_string(pid) : std::string("unknown"));
        WriteLog("LOG: Store lock held by process %d: %s", static_cast<int>(pid), file.string());
        return Outcome::kBusy;
    }
    const std::string pid = std::to_string(::getpid()) + "\n";
    // The id is only for the text a second process shows; the lock holds without it.
    if (::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size())) {
        WriteLog("ERR: Store lock: could not record the process id in %s: %s", file.string(),
                 std::strerror(errno));
    }
    m_fd = fd;
    return Outcome::kHeld;
}

void StoreWriteLock::Unlock() {
    if (m_fd < 0) return;
    // Emptied while still held, so that no one reads this process's id after it let go.
    if (::ftruncate(m_fd, 0) != 0) {
        WriteLog("ERR: Store lock: could not clear the process id: %s", std::strerror(errno));
    }
    if (::close(m_fd) != 0) {
        WriteLog("ERR: Store lock: close failed: %s", std::strerror(errno));
    }
    m_fd = -1;
}

long StoreWriteLock::HolderPid(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    const long pid = ReadPid(fd);
    ::close(fd);
    return pid;
}

}  // namespace korvi
