#include "app/SettingsRegistry.h"

#include <exception>

#include "app/AppPaths.h"
#include "app/Log.h"
#include "app/SettingsFile.h"

namespace korvi {

namespace {

// The exception log lines name the operation; a message too short to say anything is
// logged as "Unknown".
void LogFailure(const char* operation, const std::string& message) {
    if (message.size() >= 3) {
        WriteLog("Exception: %s: %s", operation, message);
    } else {
        WriteLog("Exception: %s - Unknown", operation);
    }
}

// Reads through a freshly opened file; on failure the defaults stand and the reason is
// logged under the operation's name.
template <typename Body>
void WithSettingsForReading(const char* operation, Body body) {
    try {
        SettingsFile file(SettingsFilePath());
        if (!file.Open()) LogFailure(operation, file.Error());
        body(file);
    } catch (const std::exception& e) {
        LogFailure(operation, e.what());
    }
}

template <typename Body>
Result WithSettingsForWriting(const char* operation, Body body) {
    std::string error;
    try {
        SettingsFile file(SettingsFilePath());
        if (file.Open()) {
            body(file);
            if (file.Sync()) return 0;
        }
        error = file.Error();
    } catch (const std::exception& e) {
        error = e.what();
    }
    LogFailure(operation, error);
    return {kResultLocalFailure, std::move(error)};
}

}  // namespace

StartupFlags GetStartupFlagsFromRegistry() {
    StartupFlags flags;
    WithSettingsForReading("GetFormSettingsFromRegistry", [&](const SettingsFile& file) {
        flags.runInTray = ReadRegInteger(file, "RunInTray", 0);
        flags.detailedLogging = ReadRegInteger(file, "Logging", 0);
    });
    SetDetailedLogging(flags.detailedLogging != 0);
    return flags;
}

void GetFormSettingsFromRegistry(KorviSettings& settings) {
    WithSettingsForReading("GetFormSettingsFromRegistry",
                           [&](const SettingsFile& file) { ReadSettings(file, settings); });
    settings.logging = DetailedLogging() ? 1 : 0;
}

void GetAllSettingsFromRegistry(KorviSettings& settings) {
    WithSettingsForReading("GetFormSettingsFromRegistry", [&](const SettingsFile& file) {
        ReadSettings(file, settings);
        settings.logging = ReadRegInteger(file, "Logging", KorviSettings{}.logging);
    });
}

Result SaveSettingsToRegistry(const KorviSettings& settings) {
    return WithSettingsForWriting("SaveSettingsToRegistry",
                                  [&](SettingsFile& file) { WriteSettings(file, settings); });
}

Result SaveSyncTimeToRegistry(std::string_view syncTime) {
    return WithSettingsForWriting("SaveSyncTimeToRegistry", [&](SettingsFile& file) {
        file.WriteString("SyncTime", syncTime);
    });
}

std::string GetSyncTimeFromRegistry() {
    std::string syncTime;
    WithSettingsForReading("GetSyncTimeFromRegistry", [&](const SettingsFile& file) {
        syncTime = ReadRegString(file, "SyncTime", "");
    });
    return syncTime;
}

}  // namespace korvi
