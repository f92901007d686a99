// One writer of the contact stores at a time, across processes: the window's timer, a second
// window and the command line must never change the PBX phonebook, the address book or the
// sync lists at once (each would read the other's half-done work as the user's edits). An
// flock on one file in the data folder: the kernel drops it when the holder's process ends,
// however it ends, so a killed process never leaves it held. The holder writes its process id
// into the file, for the text that the next one shows.
#pragma once

#include <filesystem>
#include <string>

namespace korvi {

inline constexpr char kStoreWriteLockFile[] = "store-write.lock";

class StoreWriteLock {
public:
    enum class Outcome {
        kHeld,    // taken; held until Unlock or destruction
        kBusy,    // another holds it; the text names its process id
        kFailed,  // the lock file could not be used; the text says why
    };

    StoreWriteLock() = default;
    ~StoreWriteLock();
    StoreWriteLock(const StoreWriteLock&) = delete;
    StoreWriteLock& operator=(const StoreWriteLock&) = delete;

    // Never waits: whoever comes second is told at once.
    [[nodiscard]] Outcome TryLock(const std::filesystem::path& file, std::string& text);
    void Unlock();
    bool held() const { return m_fd >= 0; }

    // The process id written into the file by its holder, or 0 when there is none.
    static long HolderPid(const std::filesystem::path& file);

private:
    int m_fd = -1;
};

}  // namespace korvi
