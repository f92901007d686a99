// The settings store on disk: a QSettings file in native format, group "settings", kept
// private to the user (file 0600 in a folder the user owns). Qt stays inside the .cpp so
// that users of this header need no Qt.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "app/KeyValueStore.h"

namespace korvi {

class SettingsFile final : public KeyValueStore {
public:
    // The file is not touched before Open().
    explicit SettingsFile(std::filesystem::path file);
    ~SettingsFile() override;
    SettingsFile(const SettingsFile&) = delete;
    SettingsFile& operator=(const SettingsFile&) = delete;

    // Creates the folder (0700) and an empty file (0600) when missing, and loads the file.
    // False when the folder or file is not the user's own, or cannot be made; reads then give
    // the defaults and writes are refused. A file that does not parse is not an error: it
    // reads as empty (Damaged()) and the first write sets it aside as "<file>.damaged".
    [[nodiscard]] bool Open();
    // Writes pending values to disk; checks the store's status and the file mode after.
    [[nodiscard]] bool Sync();

    bool Damaged() const { return m_damaged; }
    const std::string& Error() const { return m_error; }
    const std::filesystem::path& Path() const { return m_file; }

    bool Contains(std::string_view name) const override;
    std::string ReadString(std::string_view name, std::string_view defaultValue) const override;
    void WriteString(std::string_view name, std::string_view value) override;
    int ReadInt(std::string_view name, int defaultValue) const override;
    void WriteInt(std::string_view name, int value) override;

private:
    struct Qt;
    bool Fail(std::string text);
    bool PrepareFolder();
    bool PrepareFile();
    bool Load();
    bool ReplaceDamaged();

    std::filesystem::path m_file;
    std::unique_ptr<Qt> m_qt;
    bool m_damaged = false;
    bool m_writeFailed = false;
    std::string m_error;
};

}  // namespace korvi
