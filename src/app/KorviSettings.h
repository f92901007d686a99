// The user's settings as the window and the command line share them, independent of where
// they are stored. Field defaults are the values read when a setting is missing.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "app/AppPaths.h"
#include "app/KeyValueStore.h"
#include "app/SilentSyncLimits.h"

namespace korvi {

struct KorviSettings {
    std::string pbxUrl = "http://192.168.1.250";
    std::string pbxPort = "5002";
    std::string userName;
    std::string pin;  // enciphered in the store
    std::string connTimeout = "30";
    int autoStart = 0;
    int runInTray = 0;
    int syncPartner = 0;
    std::string syncOutlookFolder = "\\\\Personal Folders\\Contacts";
    int syncDir = 0;
    int conflictRes = 0;
    std::string syncGmailFolderTitle = "System Group: My Contacts";
    std::string syncGmailFolderID = "http://www.google.com/m8/feeds/groups/default/base/6";
    int autoSync = 0;
    int autoSyncInterval = 1;
    int syncContactType = 0;
    std::string syncContactTypeName;
    int logging = 0;  // the detailed-logging switch; written by every save
    std::string gmailAccName = "@gmail.com";
    std::string gmailAccPwd;  // enciphered in the store
    // Where the cloud contacts service is (scheme, host, port), and a PEM file of the
    // certificate authorities to trust for it (empty: the system's store).
    std::string gmailServiceUrl = "https://www.google.com";
    std::string gmailCaFile;
    std::string addressBookDir = AddressBookFolderDefault().string();
    // What a silent sync may delete on a side on its own (SilentSyncLimits.h).
    int silentDeleteMax = kSilentDeleteMaxDefault;
    int silentDeletePercent = kSilentDeletePercentDefault;
    // The address book server: an address book, or a server that leads to exactly one.
    std::string cardDavUrl;
    std::string cardDavUser;
    std::string cardDavPwd;  // enciphered in the store
    // PEM file of the authorities to trust instead of the system's (a private CA); "" = system.
    std::string cardDavCaFile;
    // Connections a PBX load uses at once (1: one request after the other).
    int pbxConnections = 4;
};

enum class SettingKind { kText, kInteger, kEnciphered };

// One stored value: its name in the store, its kind and the field that holds it.
struct SettingInfo {
    const char* name;
    SettingKind kind;
    std::string KorviSettings::*text;  // kText and kEnciphered
    int KorviSettings::*integer;       // kInteger
};

// Every value of KorviSettings, in the order a save writes them.
std::span<const SettingInfo> SettingsCatalog();
// Exact, case-sensitive name; null when there is no such setting.
const SettingInfo* FindSetting(std::string_view name);

// Text: the stored text unless it is missing or empty. Integer: the stored integer unless it
// is missing or of another kind.
std::string ReadRegString(const KeyValueStore& store, std::string_view name,
                          std::string_view defaultValue);
int ReadRegInteger(const KeyValueStore& store, std::string_view name, int defaultValue);

// Reads every value except "Logging", which only the start-up flags read: settings.logging
// is left as it was.
void ReadSettings(const KeyValueStore& store, KorviSettings& settings);
void WriteSettings(KeyValueStore& store, const KorviSettings& settings);

// One value as text, and setting one from text; secrets are returned in plain here, callers
// that show them mask them. SetSettingFromText fails (false) for a non-integer integer value.
std::string SettingAsText(const KorviSettings& settings, const SettingInfo& info);
[[nodiscard]] bool SetSettingFromText(KorviSettings& settings, const SettingInfo& info,
                                      std::string_view value);

}  // namespace korvi
