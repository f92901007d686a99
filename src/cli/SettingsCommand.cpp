#include "cli/SettingsCommand.h"

#include <ctime>
#include <optional>
#include <ostream>
#include <string>

#include "app/KorviSettings.h"
#include "app/SettingsRegistry.h"
#include "app/SyncTime.h"
#include "app/Validation.h"
#include "cli/ArgParser.h"
#include "cli/Cli.h"
#include "cli/CliIo.h"
#include "cli/SecretInput.h"
#include "pbx/Tpbx.h"
#include "stores/carddav/CardDavClient.h"

namespace korvi::cli {

namespace {

constexpr char kMask[] = "********";
constexpr char kSyncTime[] = "SyncTime";

std::string Shown(const KorviSettings& settings, const SettingInfo& info) {
    std::string value = SettingAsText(settings, info);
    if (info.kind == SettingKind::kEnciphered && !value.empty()) return kMask;
    return value;
}

struct IntegerRange {
    const char* name;
    int min;
    int max;  // 0: no upper bound
};

// The choices the window offers for each integer setting.
const IntegerRange kIntegerRanges[] = {
    {"AutoStart", 0, 1},        {"RunInTray", 0, 1},
    {"SyncPartner", 0, 2},      {"SyncDir", 0, 4},
    {"ConflictRes", 0, 1},      {"AutoSync", 0, 1},
    {"AutoSyncInterval", 0, 2}, {"SyncContactType", 0, 0},
    {"Logging", 0, 1},          {"PbxConnections", 1, Tpbx::kMaxConnections},
};

// Success, or the check's failure. current holds the other values, for the URL, which the
// PBX sees joined with the port.
Result Check(const SettingInfo& info, const std::string& value, const KorviSettings& current) {
    const std::string_view name = info.name;
    if (name == "PbxUrl") return ValidateUrl(value + ":" + current.pbxPort);
    if (name == "PbxPort") return ValidateUrl(current.pbxUrl + ":" + value);
    if (name == "UserName") return ValidateUserName(value);
    if (name == "Pin") return ValidatePin(value);
    if (name == "ConnTimeout") return ValidateIntegerRange("Connection Timeout", value, 2, 60);
    if (name == "GmailAccName") return ValidateGmailAccount(value);
    if (name == "GmailAccPwd") return ValidateGmailPassword(value);
    if (name == "AddressBookDir" && (value.empty() || value.front() != '/')) {
        return {kResultLocalFailure, "AddressBookDir must be an absolute folder path"};
    }
    if (name == "GmailServiceUrl") return ValidateUrl(value);
    if (name == "GmailCaFile" && !value.empty() && value.front() != '/') {
        return {kResultLocalFailure, "GmailCaFile must be an absolute file path (or empty)"};
    }
    if (name == "CardDavUrl" && !value.empty()) {
        if (std::string refusal = carddav::CardDavClient::RefusalOf(value); !refusal.empty())
            return {kResultLocalFailure, refusal};
    }
    // The program may run from any folder: a relative name would mean another file there.
    if (name == "CardDavCaFile" && !value.empty() && value.front() != '/') {
        return {kResultLocalFailure, "CardDavCaFile must be an absolute file path"};
    }
    for (const IntegerRange& range : kIntegerRanges) {
        if (name == range.name) {
            return ValidateIntegerRange(range.name, value, range.min, range.max);
        }
    }
    return {};
}

int List(CliIo& io) {
    KorviSettings settings;
    GetAllSettingsFromRegistry(settings);
    for (const SettingInfo& info : SettingsCatalog()) {
        io.out() << info.name << '=' << Shown(settings, info) << '\n';
    }
    io.out() << kSyncTime << '=' << GetSyncTimeFromRegistry() << '\n';
    return kExitOk;
}

int Get(CliIo& io, const Command& command, const std::string& name) {
    if (name == kSyncTime) {
        io.out() << GetSyncTimeFromRegistry() << '\n';
        return kExitOk;
    }
    const SettingInfo* info = FindSetting(name);
    if (info == nullptr) return UsageError(io, command, "unknown setting '" + name + "'");
    KorviSettings settings;
    GetAllSettingsFromRegistry(settings);
    io.out() << Shown(settings, *info) << '\n';
    return kExitOk;
}

int SetSyncTime(CliIo& io, const std::string& value) {
    std::time_t unused = 0;
    if (!value.empty() && ConvertStrToDateTime(value, &unused) != 0) {
        io.Error("SyncTime must be a local time as yyyy-MM-dd HH:mm:ss");
        return kExitFailure;
    }
    if (Result saved = SaveSyncTimeToRegistry(value); !saved.ok()) {
        io.Error(saved.text);
        return kExitFailure;
    }
    io.out() << kSyncTime << '=' << value << '\n';
    return kExitOk;
}

// A secret on the command line would stay in the shell history and show in the process list:
// it comes from standard input ("-") or, without a value, from a prompt.
bool TakeSecret(CliIo& io, const std::string& name, std::optional<std::string>& value) {
    if (value && *value != "-") {
        io.Error(name + " is a secret and is not taken from the command line: give '-' and the " +
                 "value on standard input (echo ... | korvi settings set " + name +
                 " -), or leave the value out to be asked for it");
        return false;
    }
    std::string secret;
    if (!ReadSecretLine(io, name + ": ", secret)) {
        io.Error("no value on standard input");
        return false;
    }
    value = std::move(secret);
    return true;
}

int Set(CliIo& io, const Command& command, const std::string& name,
        std::optional<std::string> value) {
    const SettingInfo* info = name == kSyncTime ? nullptr : FindSetting(name);
    if (name != kSyncTime && info == nullptr)
        return UsageError(io, command, "unknown setting '" + name + "'");
    const bool secret = info != nullptr && info->kind == SettingKind::kEnciphered;
    if (!secret && !value) return UsageError(io, command, "wrong number of arguments for 'set'");
    if (secret && !TakeSecret(io, name, value)) return kExitFailure;
    if (name == kSyncTime) return SetSyncTime(io, *value);

    KorviSettings settings;
    GetAllSettingsFromRegistry(settings);
    Result checked = Check(*info, *value, settings);
    if (!checked.ok() || !SetSettingFromText(settings, *info, *value)) {
        io.Error(checked.text.empty() ? name + " must be an integer value" : checked.text);
        return kExitFailure;
    }
    if (Result saved = SaveSettingsToRegistry(settings); !saved.ok()) {
        io.Error(saved.text);
        return kExitFailure;
    }
    io.out() << name << '=' << Shown(settings, *info) << '\n';
    return kExitOk;
}

}  // namespace

int SettingsCommand::Run(const ParsedArgs& args, CliIo& io) {
    const auto& words = args.Positionals();
    if (words.empty()) return UsageError(io, *this, "list, get or set expected");
    const std::string& verb = words[0];
    if (verb == "list" && words.size() == 1) return List(io);
    if (verb == "get" && words.size() == 2) return Get(io, *this, words[1]);
    if (verb == "set" && words.size() == 3) return Set(io, *this, words[1], words[2]);
    if (verb == "set" && words.size() == 2) return Set(io, *this, words[1], std::nullopt);
    if (verb == "list" || verb == "get" || verb == "set") {
        return UsageError(io, *this, "wrong number of arguments for '" + verb + "'");
    }
    return UsageError(io, *this, "unknown settings command '" + verb + "'");
}

}  // namespace korvi::cli
