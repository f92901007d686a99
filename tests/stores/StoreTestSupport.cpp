#include "StoreTestSupport.h"

#include <linux/capability.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <system_error>
#include <thread>

#include <gtest/gtest.h>

#include "app/Log.h"
#include "common/TestEnv.h"

namespace korvi::test {

namespace fs = std::filesystem;

fs::path VcardFixture(const std::string& name) {
    fs::path file = FixturesDir() / "vcard" / name;
    std::error_code ec;
    // A test that reads fixtures first skips itself when they are absent; a name that is
    // missing from present fixtures is a mistake of the test.
    if (!fs::is_regular_file(file, ec)) ADD_FAILURE() << "fixture not found: " << file.string();
    return file;
}

LogCapture::LogCapture() : m_folder(MakeTempDir("logs")) {
    SetLogsFolder(m_folder);
    SetDetailedLogging(true);
}

LogCapture::~LogCapture() { SetDetailedLogging(false); }

std::string LogCapture::Text() const { return ReadFile(DetailedLogFilePath()); }

TempBook::TempBook(const std::string& name) {
    fs::path base = MakeTempDir(name);
    root = base / "addressbook";
    backups = base / "backups";
    contacts = root / outlook::kDefaultStoreName / outlook::kDefaultContactsName;
    fs::create_directories(contacts);
}

outlook::VcfAddressBookOptions TempBook::Options() const {
    outlook::VcfAddressBookOptions o;
    o.root = root;
    o.backupsRoot = backups;
    o.ownTree = true;
    return o;
}

void RecordingProgress::SetProgress(int, int, int) {}

void RecordingProgress::SetProgressText(const std::string& text, int position) {
    texts.emplace_back(text, position);
}

TContact MakeContact(const std::string& displayName, const std::string& lastName,
                     const std::string& firstName,
                     const std::vector<std::pair<int, std::string>>& numbers) {
    TContact c;
    c.displayName = displayName;
    c.lastName = lastName;
    c.firstName = firstName;
    c.contactId = kContactIdNew;
    for (const auto& [type, text] : numbers) {
        if (!c.numbers) c.numbers.emplace();
        TContactNumber n;
        n.number = text;
        n.numberType = type;
        c.numbers->push_back(n);
    }
    return c;
}

std::vector<std::pair<int, std::string>> NumbersOf(const TContact& contact) {
    std::vector<std::pair<int, std::string>> out;
    if (contact.numbers)
        for (const auto& n : *contact.numbers) out.emplace_back(n.numberType, n.number);
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> CardFiles(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.size() > 4 && name.substr(name.size() - 4) == ".vcf") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool RunWithFileModesEnforced(const std::function<void()>& f) {
    bool dropped = false;
    std::thread worker([&] {
        // Capabilities belong to the thread: only this one gives them up.
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2]{};
        if (::syscall(SYS_capget, &header, data) != 0) return;
        for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
            data[cap / 32].effective &= ~(1u << (cap % 32));
        }
        if (::syscall(SYS_capset, &header, data) != 0) return;
        dropped = true;
        f();
    });
    worker.join();
    return dropped;
}

extern "C" char** environ;

ProgramResult RunProgram(const std::vector<std::string>& argv, const std::string& input) {
    ProgramResult result;
    int outPipe[2];
    int inPipe[2];
    if (::pipe(outPipe) != 0) return result;
    if (::pipe(inPipe) != 0) {
        ::close(outPipe[0]);
        ::close(outPipe[1]);
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inPipe[0], 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 2);
    posix_spawn_file_actions_addclose(&actions, outPipe[0]);
    posix_spawn_file_actions_addclose(&actions, inPipe[1]);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(inPipe[0]);
    if (rc == 0 && !input.empty()) {
        ssize_t ignored = ::write(inPipe[1], input.data(), input.size());
        (void)ignored;  // a program that stops reading early shows in its exit code
    }
    ::close(inPipe[1]);
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(outPipe[0], buffer, sizeof buffer)) > 0) result.out.append(buffer, n);
    ::close(outPipe[0]);
    if (rc != 0) return result;
    int status = 0;
    if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}

bool ProgramOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return false;
    std::string all = path;
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t colon = all.find(':', start);
        std::string dir =
            all.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!dir.empty() && ::access((fs::path(dir) / name).c_str(), X_OK) == 0) return true;
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return false;
}

}  // namespace korvi::test
