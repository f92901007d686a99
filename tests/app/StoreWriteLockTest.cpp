// One writer at a time across processes: the second holder is refused at once with the first
// one's process id, a killed holder leaves nothing behind, and a program started by the holder
// does not keep the lock.
#include "app/StoreWriteLock.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "app/Texts.h"
#include "common/TestEnv.h"

extern "C" char** environ;

namespace korvi {
namespace {

using test::MakeTempDir;

std::string BusyText(long pid) { return Text(192, {}, kAppName, std::to_string(pid)); }

TEST(StoreWriteLockTest, SecondHolderRefusedWithTheFirstOnesProcessId_UntilReleased) {
    const auto file = MakeTempDir("lock") / kStoreWriteLockFile;
    StoreWriteLock first;
    std::string text;
    ASSERT_EQ(StoreWriteLock::Outcome::kHeld, first.TryLock(file, text)) << text;
    EXPECT_EQ(::getpid(), StoreWriteLock::HolderPid(file));

    StoreWriteLock second;
    EXPECT_EQ(StoreWriteLock::Outcome::kBusy, second.TryLock(file, text));
    EXPECT_EQ(BusyText(::getpid()), text);
    EXPECT_FALSE(second.held());

    first.Unlock();
    EXPECT_EQ(0, StoreWriteLock::HolderPid(file));
    ASSERT_EQ(StoreWriteLock::Outcome::kHeld, second.TryLock(file, text)) << text;
}

TEST(StoreWriteLockTest, HolderKilled_LockFreeAgain) {
    const auto file = MakeTempDir("lock") / kStoreWriteLockFile;
    int ready[2];
    ASSERT_EQ(0, ::pipe(ready));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(ready[0]);
        StoreWriteLock lock;
        std::string text;
        const char answer = lock.TryLock(file, text) == StoreWriteLock::Outcome::kHeld ? 'y' : 'n';
        if (::write(ready[1], &answer, 1) != 1) ::_exit(2);
        for (;;) ::pause();
    }
    ::close(ready[1]);
    char answer = 0;
    ASSERT_EQ(1, ::read(ready[0], &answer, 1));
    ::close(ready[0]);
    ASSERT_EQ('y', answer);

    StoreWriteLock lock;
    std::string text;
    EXPECT_EQ(StoreWriteLock::Outcome::kBusy, lock.TryLock(file, text));
    EXPECT_EQ(BusyText(child), text);

    ASSERT_EQ(0, ::kill(child, SIGKILL));
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    EXPECT_EQ(StoreWriteLock::Outcome::kHeld, lock.TryLock(file, text)) << text;
}

TEST(StoreWriteLockTest, ProgramStartedByTheHolder_DoesNotKeepTheLock) {
    const auto file = MakeTempDir("lock") / kStoreWriteLockFile;
    StoreWriteLock lock;
    std::string text;
    ASSERT_EQ(StoreWriteLock::Outcome::kHeld, lock.TryLock(file, text)) << text;
    pid_t child = 0;
    char* argv[] = {const_cast<char*>("sleep"), const_cast<char*>("30"), nullptr};
    ASSERT_EQ(0, ::posix_spawnp(&child, "sleep", nullptr, nullptr, argv, environ));
    lock.Unlock();

    StoreWriteLock next;
    EXPECT_EQ(StoreWriteLock::Outcome::kHeld, next.TryLock(file, text)) << text;
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
}

TEST(StoreWriteLockTest, FolderMissing_FailsWithTheReason) {
    const auto file = MakeTempDir("lock") / "missing" / kStoreWriteLockFile;
    StoreWriteLock lock;
    std::string text;
    EXPECT_EQ(StoreWriteLock::Outcome::kFailed, lock.TryLock(file, text));
    EXPECT_EQ(Text(193, {}, file.string() + ": No such file or directory"), text);
    EXPECT_FALSE(lock.held());
}

}  // namespace
}  // namespace korvi
