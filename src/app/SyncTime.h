// The start time of the last automatic sync as it is stored in the settings: local time as
// "yyyy-MM-dd HH:mm:ss", the same whatever the locale.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "app/Clock.h"

namespace korvi {

inline constexpr std::size_t kSyncTimeLength = 19;

std::string FormatSyncTime(const LocalTime& time);

// -1 unless out is given and text is exactly 19 characters (no log line then); -1 with the
// log line "Exception: ConvertStrToDateTime: - <text>" when it is not a valid local time;
// else 0 with *out set.
[[nodiscard]] int ConvertStrToDateTime(std::string_view text, std::time_t* out);

}  // namespace korvi
