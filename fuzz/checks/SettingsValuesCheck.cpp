// The readers of stored settings: the settings file as the program opens it, each value read
// as its kind (texts, integers, enciphered secrets, the sync time), the checks the Settings tab
// makes, and setting a value from text as `korvi settings set` does. Whatever the file or the
// values hold, reading ends with a value or the default; a value set from text reads back; a
// secret enciphered deciphers to itself.
#include <stdlib.h>

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "ReaderChecks.h"
#include "app/KorviSettings.h"
#include "app/PasswordCipher.h"
#include "app/SettingsFile.h"
#include "app/SyncTime.h"
#include "app/Validation.h"

namespace korvi::fuzz {

namespace {

// Values as the settings file hands them over: all text, integers where the text is one.
class TextStore final : public KeyValueStore {
public:
    bool Contains(std::string_view name) const override { return m_values.count(key(name)); }
    std::string ReadString(std::string_view name, std::string_view defaultValue) const override {
        auto it = m_values.find(key(name));
        return it == m_values.end() ? std::string(defaultValue) : it->second;
    }
    void WriteString(std::string_view name, std::string_view value) override {
        m_values[key(name)] = std::string(value);
    }
    int ReadInt(std::string_view name, int defaultValue) const override {
        auto it = m_values.find(key(name));
        if (it == m_values.end()) return defaultValue;
        int value = 0;
        const std::string& t = it->second;
        auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
        return ec == std::errc() && end == t.data() + t.size() ? value : defaultValue;
    }
    void WriteInt(std::string_view name, int value) override {
        m_values[key(name)] = std::to_string(value);
    }

private:
    static std::string key(std::string_view name) { return std::string(name); }
    std::map<std::string, std::string> m_values;
};

std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string ReadTheFile(std::string_view text) {
    static const std::filesystem::path folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "korvi-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) return std::filesystem::temp_directory_path();
        return std::filesystem::path(pattern);
    }();
    const std::filesystem::path file = folder / "KorviCommunicator.conf";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    SettingsFile settingsFile(file);
    KorviSettings settings;
    if (!settingsFile.Open())
        return settingsFile.Error().empty() ? "a failed open without a text" : "";
    ReadSettings(settingsFile, settings);
    // Every value read is its own kind's: a text where the file held one.
    for (const SettingInfo& info : SettingsCatalog())
        if (info.kind == SettingKind::kText && settingsFile.Contains(info.name) &&
            !settingsFile.ReadString(info.name, "").empty() &&
            SettingAsText(settings, info) != settingsFile.ReadString(info.name, ""))
            return std::string(info.name) + " does not read as the file holds it";
    return {};
}

std::string ReadEachValue(const std::vector<std::string>& lines) {
    TextStore store;
    for (const auto& line : lines) {
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos) store.WriteString(line.substr(0, eq), line.substr(eq + 1));
    }
    KorviSettings settings;
    ReadSettings(store, settings);

    std::size_t i = 0;
    for (const SettingInfo& info : SettingsCatalog()) {
        const std::string& value = lines[i++ % lines.size()];
        KorviSettings one = settings;
        if (SetSettingFromText(one, info, value)) {
            // What a value set from text shows, set again, is the same value.
            KorviSettings again = settings;
            if (!SetSettingFromText(again, info, SettingAsText(one, info)) ||
                SettingAsText(again, info) != SettingAsText(one, info))
                return std::string(info.name) + ": [" + value + "] does not read back";
        }
    }
    for (const auto& value : lines) {
        int sum = 0;
        for (const Result& r : {ValidateUrl(value), ValidateUserName(value), ValidatePin(value),
                                ValidateIntegerRange("ConnTimeout", value, 2, 60),
                                ValidateGmailAccount(value), ValidateGmailPassword(value)}) {
            if (!r.ok() && r.text.empty()) return "a refused value without a message: " + value;
            sum += r.code;
        }
        std::time_t when = 0;
        sum += ConvertStrToDateTime(value, &when);
        std::string plain;
        sum += BlowfishDecryptFromHex(value, plain, "fuzzfuzzfuzz");
        if (!value.empty() && value.find('\0') == std::string::npos) {
            std::string hex;
            std::string back;
            if (BlowfishEncryptToHex(value, hex, "fuzzfuzzfuzz") != 0 ||
                BlowfishDecryptFromHex(hex, back, "fuzzfuzzfuzz") != 0 || back != value)
                return "a secret does not decipher to itself";
        }
        if (sum > 0) return "a check answered with a positive code";
    }
    return {};
}

}  // namespace

std::string CheckSettingsValues(std::string_view input) {
    if (std::string broken = ReadTheFile(input); !broken.empty()) return broken;
    return ReadEachValue(Lines(input));
}

}  // namespace korvi::fuzz
