#include "app/Log.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <exception>
#include <mutex>
#include <system_error>

#include <fmt/format.h>

#include "app/AppPaths.h"
#include "app/Clock.h"
#include "app/Utf8.h"
#include "model/Contact.h"

namespace korvi {

namespace {

// The line buffer of the log writers holds stamp and message with room for a terminator.
constexpr std::size_t kLineBufferSize = 50000;
constexpr std::size_t kStampLength = 18;
constexpr std::size_t kMaxMessageBytes = kLineBufferSize - 1 - kStampLength;

constexpr char kHistoryFileName[] = "Sync_History.txt";
constexpr char kFormatErrorMarker[] = " [log format error]";

const SystemClock kSystemClock;

std::atomic<bool> g_detailedLogging{false};
std::atomic<const Clock*> g_clock{&kSystemClock};

// Guards the folder and serialises the appends, so that two threads never interleave within
// a line even where the file system does not make O_APPEND writes atomic.
std::mutex g_mutex;
std::filesystem::path g_logsFolder;

std::filesystem::path CurrentFolderLocked() {
    return g_logsFolder.empty() ? LogsFolderDefault() : g_logsFolder;
}

std::string DetailedLogName(const LocalTime& t) {
    return fmt::format("log@{:04d}{:02d}{:02d}.txt", t.year, t.month, t.day);
}

// Cuts message so that it fits the line buffer, backing off to a UTF-8 sequence boundary.
std::string_view FitMessage(std::string_view message) {
    if (message.size() <= kMaxMessageBytes) return message;
    return message.substr(0, Utf8PrefixLength(message, kMaxMessageBytes));
}

// Stamp, message and line end, taken with one reading of the clock so that the stamp and the
// daily file always agree.
void AppendLine(bool detailed, std::string_view message) {
    const LocalTime t = g_clock.load()->Local();
    std::string line = fmt::format("{:02d}:{:02d}:{:02d}({:02d}/{:02d}) - ", t.hour, t.minute,
                                   t.second, t.day, t.month);
    line.append(FitMessage(message));
    line.push_back('\n');

    std::lock_guard lock(g_mutex);
    const auto file =
        CurrentFolderLocked() / (detailed ? DetailedLogName(t) : std::string(kHistoryFileName));
    // Logs hold names and numbers of the user's contacts: keep them private to the user.
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return;  // a line whose file cannot be opened is dropped silently
    const char* p = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            break;  // disk full or I/O error: the rest of the line is lost, as a
                    // dropped line would be; the caller is never told
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    // Nothing to report on a failed close: the writers never raise errors to their callers.
    static_cast<void>(::close(fd));
}

}  // namespace

void SetLogsFolder(const std::filesystem::path& folder) {
    std::lock_guard lock(g_mutex);
    g_logsFolder = folder;
}

std::filesystem::path LogsFolder() {
    std::lock_guard lock(g_mutex);
    return CurrentFolderLocked();
}

void SetDetailedLogging(bool on) { g_detailedLogging.store(on); }

bool DetailedLogging() { return g_detailedLogging.load(); }

void SetLogClock(const Clock* clock) { g_clock.store(clock != nullptr ? clock : &kSystemClock); }

std::filesystem::path HistoryFilePath() { return LogsFolder() / kHistoryFileName; }

std::filesystem::path DetailedLogFilePath() {
    return LogsFolder() / DetailedLogName(g_clock.load()->Local());
}

namespace logdetail {

std::string Format(std::string_view format, fmt::printf_args args) {
    try {
        return fmt::vsprintf(format, args);
    } catch (const std::exception&) {
        // A format that does not fit its arguments must not take the caller down; the line
        // still shows which call was wrong.
        try {
            std::string text(format);
            text += kFormatErrorMarker;
            return text;
        } catch (const std::exception&) {
            return kFormatErrorMarker;
        }
    }
}

void WriteLogLine(std::string_view message) {
    if (!DetailedLogging()) return;
    AppendLine(true, message);
}

void WriteHistoryLine(std::string_view message) { AppendLine(false, message); }

}  // namespace logdetail

void WriteContactToHistory(const TContact* contact, bool withStates) {
    if (contact == nullptr) return;
    if (!contact->numbers) {
        WriteHistory("    Name [%s] [%s] [%s] - 0 Numbers", contact->firstName, contact->lastName,
                     contact->displayName);
        return;
    }
    const TNumberList& numbers = *contact->numbers;
    WriteHistory("    Name [%s] [%s] [%s] - %d Number(s)", contact->firstName, contact->lastName,
                 contact->displayName, static_cast<int>(numbers.size()));
    for (const TContactNumber& n : numbers) {
        if (withStates) {
            WriteHistory("    [%s] [%s] - [%s]", n.number, NumberTypeName(n.numberType),
                         NumberStateName(n.state));
        } else {
            WriteHistory("    [%s] [%s]", n.number, NumberTypeName(n.numberType));
        }
    }
}

int DeleteDetailedLogs(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) return 0;
    for (const std::filesystem::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        const std::string name = it->path().filename().string();
        if (name.size() < 8 || name.compare(0, 4, "log@") != 0 ||
            name.compare(name.size() - 4, 4, ".txt") != 0) {
            continue;
        }
        std::error_code entryEc;
        if (it->is_directory(entryEc)) continue;       // a folder is not a log file; skipped
        std::filesystem::remove(it->path(), entryEc);  // a file that cannot go is skipped
    }
    return 0;
}

}  // namespace korvi
