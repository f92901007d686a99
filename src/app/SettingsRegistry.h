// Loading and saving the user's settings in the settings file (SettingsFilePath()). Each
// call opens the file anew, so the path follows the environment at the time of the call.
#pragma once

#include <string>
#include <string_view>

#include "app/KorviSettings.h"
#include "app/Result.h"

namespace korvi {

struct StartupFlags {
    int runInTray = 0;
    int detailedLogging = 0;
};

// "RunInTray" and "Logging" (default 0), read before any window exists; also switches the
// detailed log on or off accordingly.
StartupFlags GetStartupFlagsFromRegistry();

// Every value except "Logging" into settings (defaults where missing, empty for texts, or
// of the wrong kind); settings.logging takes the current detailed-logging switch.
void GetFormSettingsFromRegistry(KorviSettings& settings);

// Every value, "Logging" included, leaving the detailed-logging switch alone: for tools that
// show or edit the stored settings rather than run with them.
void GetAllSettingsFromRegistry(KorviSettings& settings);

// Success, or -1 with a text naming the file and the failure (also logged as
// "Exception: SaveSettingsToRegistry: ...").
Result SaveSettingsToRegistry(const KorviSettings& settings);
Result SaveSyncTimeToRegistry(std::string_view syncTime);
// "SyncTime", default "".
std::string GetSyncTimeFromRegistry();

}  // namespace korvi
