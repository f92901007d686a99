// Local wall-clock time, injectable so that tests can cross midnight or move time on.
#pragma once

#include <ctime>

namespace korvi {

struct LocalTime {
    int year = 0;    // e.g. 2026
    int month = 0;   // 1..12
    int day = 0;     // 1..31
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    int second = 0;  // 0..60
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::time_t Now() const = 0;
    virtual LocalTime Local() const;  // Now() in the local time zone
};

class SystemClock final : public Clock {
public:
    std::time_t Now() const override;
};

LocalTime ToLocalTime(std::time_t t);

}  // namespace korvi
