#include "app/SyncTime.h"

#include <fmt/format.h>

#include "app/Log.h"

namespace korvi {

namespace {

bool ReadDigits(std::string_view text, std::size_t pos, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool Parse(std::string_view text, std::tm& tm) {
    if (text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' || text[16] != ':') {
        return false;
    }
    int year, month, day, hour, minute, second;
    if (!ReadDigits(text, 0, 4, year) || !ReadDigits(text, 5, 2, month) ||
        !ReadDigits(text, 8, 2, day) || !ReadDigits(text, 11, 2, hour) ||
        !ReadDigits(text, 14, 2, minute) || !ReadDigits(text, 17, 2, second)) {
        return false;
    }
    if (year < 1970 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
        hour > 23 || minute > 59 || second > 59) {
        return false;
    }
    tm = std::tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;  // whichever applied locally on that day
    return true;
}

}  // namespace

std::string FormatSyncTime(const LocalTime& t) {
    return fmt::format("{:04d}-{:02d}-{:02d} {:02d}:{:02d}:{:02d}", t.year, t.month, t.day, t.hour,
                       t.minute, t.second);
}

int ConvertStrToDateTime(std::string_view text, std::time_t* out) {
    if (out == nullptr || text.size() != kSyncTimeLength) return -1;
    std::tm tm{};
    if (!Parse(text, tm)) {
        WriteLog("Exception: ConvertStrToDateTime: - %s", text);
        return -1;
    }
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) {
        WriteLog("Exception: ConvertStrToDateTime: - %s", text);
        return -1;
    }
    *out = t;
    return 0;
}

}  // namespace korvi
