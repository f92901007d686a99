// The detailed log (daily file, only while switched on) and the sync history (always).
// Both take printf-style formats; user data must only ever be an argument, never the format.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include <fmt/printf.h>

namespace korvi {

class Clock;
struct TContact;

// Process-wide configuration, set at start-up (and by the logging switch).
void SetLogsFolder(const std::filesystem::path& folder);
std::filesystem::path LogsFolder();
void SetDetailedLogging(bool on);
bool DetailedLogging();
// Replaces the clock used for stamps and the daily file name; null restores the system clock.
void SetLogClock(const Clock* clock);

std::filesystem::path HistoryFilePath();
std::filesystem::path DetailedLogFilePath();  // today's file

namespace logdetail {
// Formats; a format that does not fit its arguments yields the format text with a marker
// instead of throwing.
std::string Format(std::string_view format, fmt::printf_args args);
void WriteLogLine(std::string_view message);
void WriteHistoryLine(std::string_view message);
}  // namespace logdetail

template <typename... Args>
void WriteLog(std::string_view format, const Args&... args) {
    if (!DetailedLogging()) return;
    logdetail::WriteLogLine(logdetail::Format(format, fmt::make_printf_args(args...)));
}

template <typename... Args>
void WriteHistory(std::string_view format, const Args&... args) {
    logdetail::WriteHistoryLine(logdetail::Format(format, fmt::make_printf_args(args...)));
}

void WriteContactToHistory(const TContact* contact, bool withStates);

// Deletes every "log@*.txt" in the folder; files that cannot be deleted are skipped.
int DeleteDetailedLogs(const std::filesystem::path& folder);

}  // namespace korvi
