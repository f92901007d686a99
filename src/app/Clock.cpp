#include "app/Clock.h"

namespace korvi {

LocalTime ToLocalTime(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                     tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

LocalTime Clock::Local() const { return ToLocalTime(Now()); }

std::time_t SystemClock::Now() const { return std::time(nullptr); }

}  // namespace korvi
