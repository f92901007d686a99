#include "sync/SyncTestSupport.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace korvi::test {

namespace {

std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    const auto e = s.find_last_not_of(' ');
    return s.substr(b, e - b + 1);
}

int32_t TypeByName(const std::string& name) {
    static const std::map<std::string, int32_t> kTypes = {
        {"Home1", kHome1},      {"Home2", kHome2},    {"Bus1", kBus1},
        {"Bus2", kBus2},        {"Mob", kMob},        {"Other", kOther},
        {"Fax_Home", kFaxHome}, {"Fax_Bus", kFaxBus}, {"Int", kInt},
    };
    auto it = kTypes.find(name);
    return it == kTypes.end() ? kNumberTypeInvalid : it->second;
}

std::string Part(const std::string& s) { return s == "-" ? std::string() : s; }

}  // namespace

TContact MakeContact(const std::string& spec) {
    TContact c;
    const auto colon = spec.find(':');
    std::string names = Trim(spec.substr(0, colon));
    const auto bracket = names.find('[');
    bool explicitDisplay = false;
    if (bracket != std::string::npos) {
        c.displayName = names.substr(bracket + 1, names.find(']') - bracket - 1);
        names = Trim(names.substr(0, bracket));
        explicitDisplay = true;
    }
    const auto blank = names.find(' ');
    c.firstName = Part(names.substr(0, blank));
    c.lastName = blank == std::string::npos ? std::string() : Part(names.substr(blank + 1));
    if (!explicitDisplay) {
        c.displayName = c.firstName.empty()  ? c.lastName
                        : c.lastName.empty() ? c.firstName
                                             : c.firstName + " " + c.lastName;
    }
    if (colon == std::string::npos) return c;
    std::stringstream numbers(spec.substr(colon + 1));
    std::string item;
    while (std::getline(numbers, item, ',')) {
        item = Trim(item);
        if (item.empty()) continue;
        const auto eq = item.find('=');
        AddNumber(item.substr(eq + 1), TypeByName(item.substr(0, eq)), c);
    }
    return c;
}

std::string Canon(const TContact& c) {
    std::vector<std::string> numbers;
    if (c.numbers) {
        for (const auto& n : *c.numbers) {
            if (n.state == kDeleted) continue;
            numbers.push_back(std::string(NumberTypeName(n.numberType)) + "=" + n.number);
        }
    }
    std::sort(numbers.begin(), numbers.end());
    std::string out = c.firstName + "|" + c.lastName + "|" + c.displayName + "|";
    for (std::size_t i = 0; i < numbers.size(); ++i) out += (i ? "," : "") + numbers[i];
    return out;
}

std::vector<std::string> Canon(const TContactList& list) {
    std::vector<std::string> out;
    for (const auto& c : list) {
        if (c) out.push_back(Canon(*c));
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> Canon(const std::vector<TContact>& list) {
    std::vector<std::string> out;
    for (const auto& c : list) out.push_back(Canon(c));
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> CanonSpecs(const std::vector<std::string>& specs) {
    std::vector<std::string> out;
    for (const auto& s : specs) out.push_back(Canon(MakeContact(s)));
    std::sort(out.begin(), out.end());
    return out;
}

bool ProgramOnPathForTest(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return false;
    std::stringstream dirs(path);
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        std::error_code ec;
        if (!dir.empty() && std::filesystem::exists(std::filesystem::path(dir) / name, ec)) {
            return true;
        }
    }
    return false;
}

extern "C" char** environ;

std::pair<int, std::string> RunForTest(const std::vector<std::string>& argv) {
    return RunForTest(argv, {});
}

std::pair<int, std::string> RunForTest(const std::vector<std::string>& argv,
                                       const std::string& input) {
    int fds[2];
    int in[2];
    if (::pipe(fds) != 0) return {-1, "pipe failed"};
    if (::pipe(in) != 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return {-1, "pipe failed"};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    ::close(in[0]);
    // Small inputs fit the pipe; the program reads them when it wants. A program that ended
    // without reading makes the write fail instead of ending the test with SIGPIPE.
    ::signal(SIGPIPE, SIG_IGN);
    const bool written =
        rc != 0 || input.empty() ||
        ::write(in[1], input.data(), input.size()) == static_cast<ssize_t>(input.size());
    ::close(in[1]);
    std::string out;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) {
        out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    if (rc != 0) return {-1, "could not start " + argv[0]};
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return {-1, out};
    if (!written) return {-1, "could not write the input: " + out};
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::vector<std::string> LogLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    std::string line;
    // "HH:MM:SS(DD/MM) - " stamps are 18 characters.
    while (std::getline(in, line)) lines.push_back(line.size() >= 18 ? line.substr(18) : line);
    return lines;
}

}  // namespace korvi::test
