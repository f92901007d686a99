#include "app/KorviSettings.h"

#include <array>
#include <charconv>
#include <string>

#include "app/PasswordCipher.h"

namespace korvi {

namespace {

using K = KorviSettings;

constexpr SettingInfo Text(const char* name, std::string K::*field) {
    return {name, SettingKind::kText, field, nullptr};
}
constexpr SettingInfo Secret(const char* name, std::string K::*field) {
    return {name, SettingKind::kEnciphered, field, nullptr};
}
constexpr SettingInfo Integer(const char* name, int K::*field) {
    return {name, SettingKind::kInteger, nullptr, field};
}

const std::array kCatalog = {
    Text("PbxUrl", &K::pbxUrl),
    Text("PbxPort", &K::pbxPort),
    Text("UserName", &K::userName),
    Secret("Pin", &K::pin),
    Text("ConnTimeout", &K::connTimeout),
    Integer("AutoStart", &K::autoStart),
    Integer("SyncPartner", &K::syncPartner),
    Text("syncOutlookFolder", &K::syncOutlookFolder),
    Integer("SyncDir", &K::syncDir),
    Integer("ConflictRes", &K::conflictRes),
    Text("syncGmailFolderTitle", &K::syncGmailFolderTitle),
    Text("syncGmailFolderID", &K::syncGmailFolderID),
    Integer("AutoSync", &K::autoSync),
    Integer("AutoSyncInterval", &K::autoSyncInterval),
    Integer("SyncContactType", &K::syncContactType),
    Text("SyncContactTypeName", &K::syncContactTypeName),
    Integer("Logging", &K::logging),
    Integer("RunInTray", &K::runInTray),
    Text("GmailAccName", &K::gmailAccName),
    Secret("GmailAccPwd", &K::gmailAccPwd),
    Text("AddressBookDir", &K::addressBookDir),
    Integer("SilentDeleteMax", &K::silentDeleteMax),
    Integer("SilentDeletePercent", &K::silentDeletePercent),
    Text("GmailServiceUrl", &K::gmailServiceUrl),
    Text("GmailCaFile", &K::gmailCaFile),
    Text("CardDavUrl", &K::cardDavUrl),
    Text("CardDavUser", &K::cardDavUser),
    Secret("CardDavPwd", &K::cardDavPwd),
    Text("CardDavCaFile", &K::cardDavCaFile),
    Integer("PbxConnections", &K::pbxConnections),
};

bool IsLogging(const SettingInfo& info) { return std::string_view(info.name) == "Logging"; }

}  // namespace

std::span<const SettingInfo> SettingsCatalog() { return kCatalog; }

const SettingInfo* FindSetting(std::string_view name) {
    for (const SettingInfo& info : kCatalog) {
        if (name == info.name) return &info;
    }
    return nullptr;
}

std::string ReadRegString(const KeyValueStore& store, std::string_view name,
                          std::string_view defaultValue) {
    if (!store.Contains(name)) return std::string(defaultValue);
    std::string value = store.ReadString(name, "");
    if (value.empty()) return std::string(defaultValue);
    return value;
}

int ReadRegInteger(const KeyValueStore& store, std::string_view name, int defaultValue) {
    if (!store.Contains(name)) return defaultValue;
    return store.ReadInt(name, defaultValue);
}

void ReadSettings(const KeyValueStore& store, KorviSettings& settings) {
    const KorviSettings defaults;
    for (const SettingInfo& info : kCatalog) {
        if (IsLogging(info)) continue;
        switch (info.kind) {
            case SettingKind::kText:
                settings.*info.text = ReadRegString(store, info.name, defaults.*info.text);
                break;
            case SettingKind::kEnciphered:
                settings.*info.text = ReadEncryptedString(store, info.name, defaults.*info.text);
                break;
            case SettingKind::kInteger:
                settings.*info.integer = ReadRegInteger(store, info.name, defaults.*info.integer);
                break;
        }
    }
}

void WriteSettings(KeyValueStore& store, const KorviSettings& settings) {
    const std::string addressBookDefault = AddressBookFolderDefault().string();
    for (const SettingInfo& info : kCatalog) {
        switch (info.kind) {
            case SettingKind::kText:
                // The default address book lives in the data folder wherever that is at the
                // time: stored empty, it keeps following it instead of being pinned to today's.
                if (info.text == &K::addressBookDir &&
                    settings.addressBookDir == addressBookDefault) {
                    store.WriteString(info.name, "");
                    break;
                }
                store.WriteString(info.name, settings.*info.text);
                break;
            case SettingKind::kEnciphered:
                WriteEncryptedString(store, info.name, settings.*info.text);
                break;
            case SettingKind::kInteger:
                store.WriteInt(info.name, settings.*info.integer);
                break;
        }
    }
}

std::string SettingAsText(const KorviSettings& settings, const SettingInfo& info) {
    if (info.kind == SettingKind::kInteger) return std::to_string(settings.*info.integer);
    return settings.*info.text;
}

bool SetSettingFromText(KorviSettings& settings, const SettingInfo& info, std::string_view value) {
    if (info.kind != SettingKind::kInteger) {
        settings.*info.text = std::string(value);
        return true;
    }
    int number = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (value.empty() || ec != std::errc() || end != value.data() + value.size()) return false;
    settings.*info.integer = number;
    return true;
}

}  // namespace korvi
