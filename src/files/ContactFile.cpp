#include "files/ContactFile.h"

#include <exception>
#include <fstream>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/AppPaths.h"
#include "app/AtomicFile.h"
#include "app/Log.h"
#include "app/Texts.h"
#include "files/ContactCsv.h"
#include "files/ContactXml.h"

namespace korvi {

namespace {

// The part of a store key that names its sync list.
constexpr std::size_t kStoreKeyChars = 20;

std::string SyncFilePrefix(int32_t contactType) {
    return "Sync_" + std::to_string(contactType) + "_";
}

// A key is only ever a file name here: a separator in it must not lead out of the data folder.
std::string FileNamePart(std::string_view key) {
    std::string part(key);
    for (char& c : part) {
        if (c == '/' || c == '\0') c = '_';
    }
    return part;
}

Result SaveFailed(std::string_view message) {
    WriteLog("ERR: contactFile: SaveContacts: Exception: %s", message);
    return {kResultLocalFailure, std::string(message)};
}

class StringSink final : public ByteSink {
public:
    bool Write(std::string_view data) override {
        bytes.append(data);
        return true;
    }
    std::string bytes;
};

// Whether file holds exactly the bytes that list is written as; written counts its contacts.
bool HoldsList(const std::filesystem::path& file, const TContactList& list, int& written) {
    StringSink wanted;
    if (!WriteContactsXml(list, wanted, written).ok()) return false;
    std::error_code ec;
    if (std::filesystem::file_size(file, ec) != wanted.bytes.size() || ec) return false;
    std::ifstream in(file, std::ios::binary);
    std::string held(wanted.bytes.size(), '\0');
    if (!in.read(held.data(), static_cast<std::streamsize>(held.size()))) return false;
    return in.peek() == std::char_traits<char>::eof() && held == wanted.bytes;
}

Result LoadFailed(std::string_view message) {
    WriteLog("ERR: contactFile: LoadContacts: Exception: %s", message);
    return {kResultLocalFailure, std::string(message)};
}

}  // namespace

// Without a folder of its own the module uses the user's data folder, never the working folder.
TcontactFile::TcontactFile(Progress& progress, std::filesystem::path dataFolder)
    : m_progress(progress),
      m_dataFolder(dataFolder.empty() ? DataFolder() : std::move(dataFolder)) {}

std::filesystem::path TcontactFile::DefaultDataFolder() {
    std::string error;
    // A folder that cannot be made is reported by the first write into it, naming the file.
    if (!EnsureDataFolders(error)) WriteLog("ERR: contactFile: %s", error);
    return DataFolder();
}

Result TcontactFile::SaveContacts(const std::filesystem::path& path, const TContactList& list,
                                  int fileType) {
    m_progress.SetProgress(0, 0, 0);
    m_progress.SetProgressText(Text(kTextSavingFile), 0);
    if (fileType != kFileTypeXml && fileType != kFileTypeCsv) {
        const std::string type = std::to_string(fileType);
        WriteLog("ERR: contactFile: SaveContacts: Invalid fileType: %s", type);
        return {kResultLocalFailure, Text(kTextFileTypeNotSupported) + " (" + type + ")"};
    }
    try {
        AtomicFile file(path);
        file.FailAfterBytes(m_failAfterBytes);
        if (!file.Open()) {
            if (fileType == kFileTypeCsv) {
                WriteLog("ERR: contactFile: SaveContacts: Could not open file!");
                return {kResultLocalFailure, Text(kTextFileNotOpened)};
            }
            return SaveFailed(file.Error());
        }
        int written = 0;
        if (fileType == kFileTypeXml) {
            XmlResult r = WriteContactsXml(list, file, written);
            if (!r.ok()) {
                return SaveFailed(r.text.empty() ? file.Error() : path.string() + ": " + r.text);
            }
        } else if (!WriteContactsCsv(list, file, written)) {
            return SaveFailed(file.Error());
        }
        if (!file.Commit()) return SaveFailed(file.Error());
        WriteLog(fileType == kFileTypeXml
                     ? "LOG: contactFile: SaveContacts OK: Saved %d contacts to XML file: %s"
                     : "LOG: contactFile: SaveContacts OK: Saved %d contacts to CSV file: %s",
                 written, path.string());
        return 0;
    } catch (const std::exception& e) {
        return SaveFailed(e.what());
    }
}

Result TcontactFile::LoadContacts(const std::filesystem::path& path, TContactList& list) {
    m_progress.SetProgress(0, 0, 0);
    m_progress.SetProgressText(Text(kTextLoadingFile), 0);
    try {
        int count = 0;
        XmlResult r = ReadContactsXmlFile(path, list, count);
        if (!r.ok()) return LoadFailed(r.text);
        WriteLog("LOG: contactFile: LoadContacts: Loaded %d Contacts from %s", count,
                 path.string());
        return 0;
    } catch (const std::exception& e) {
        return LoadFailed(e.what());
    }
}

std::filesystem::path TcontactFile::SyncFilePath(int32_t contactType,
                                                 const std::string& contactStoreID) const {
    std::string_view key = contactStoreID;
    if (key.size() > kStoreKeyChars) key = key.substr(key.size() - kStoreKeyChars);
    return m_dataFolder / (SyncFilePrefix(contactType) + FileNamePart(key) + ".xml");
}

Result TcontactFile::WriteSyncFile(int32_t contactType, const std::string& contactStoreID,
                                   const TContactList& list) {
    if (contactStoreID.size() < kStoreKeyChars) {
        WriteLog("ERR: WriteSyncFile Fail: Invalid contactStoreID");
        return {kResultLocalFailure, Text(kTextSyncFileBadStoreId)};
    }
    const std::filesystem::path file = SyncFilePath(contactType, contactStoreID);
    // A sync that changed nothing would write the same bytes again: the file is left as it is,
    // and the sync costs no rewrite and no wait for the disk.
    int written = 0;
    if (HoldsList(file, list, written)) {
        m_progress.SetProgress(0, 0, 0);
        m_progress.SetProgressText(Text(kTextSavingFile), 0);
        WriteLog("LOG: contactFile: SaveContacts OK: Saved %d contacts to XML file: %s", written,
                 file.string());
        return {};
    }
    Result saved = SaveContacts(file, list, kFileTypeXml);
    if (!saved.ok()) WriteLog("ERR: WriteSyncFile Fail: %s", file.string());
    return saved;
}

Result TcontactFile::LoadSyncFile(int32_t contactType, const std::string& contactStoreID,
                                  TContactList& list) {
    if (contactStoreID.size() < kStoreKeyChars) {
        WriteLog("ERR: LoadSyncFile Fail: Invalid StoreID");
        return {kResultLocalFailure, Text(kTextSyncFileLoadBadStoreId)};
    }
    const std::filesystem::path file = SyncFilePath(contactType, contactStoreID);
    Result loaded = LoadContacts(file, list);
    if (!loaded.ok()) WriteLog("ERR: LoadSyncFile Fail: %s", file.string());
    return loaded;
}

Result TcontactFile::CheckIfSyncFileExists(int32_t contactType, const std::string& contactStoreID) {
    const std::filesystem::path file = SyncFilePath(contactType, contactStoreID);
    std::error_code ec;
    if (std::filesystem::is_regular_file(file, ec)) {
        WriteLog("LOG: CheckIfSyncFileExists (Success): %s", file.string());
        return 0;
    }
    WriteLog("LOG: CheckIfSyncFileExists (Fail): %s", file.string());
    return kResultNoSyncFile;
}

std::vector<std::filesystem::path> TcontactFile::SyncFiles(int32_t contactType) const {
    const std::string prefix = SyncFilePrefix(contactType);
    constexpr std::string_view kSuffix = ".xml";
    // Matches are gathered first: a folder changed while it is listed may skip entries.
    std::vector<std::filesystem::path> matches;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(m_dataFolder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        // "Sync_12_" is not a prefix of "Sync_120_...": the type ends at its own underscore.
        if (name.size() < prefix.size() + kSuffix.size() || !name.starts_with(prefix) ||
            !name.ends_with(kSuffix)) {
            continue;
        }
        std::error_code typeError;
        if (it->symlink_status(typeError).type() == std::filesystem::file_type::directory) continue;
        matches.push_back(it->path());
    }
    return matches;
}

int TcontactFile::DeleteSyncFiles(int32_t contactType) {
    WriteLog("LOG: Deleting Sync Files: %s",
             (m_dataFolder / (SyncFilePrefix(contactType) + "*.xml")).string());
    for (const auto& file : SyncFiles(contactType)) {
        std::error_code removeError;
        // A file that cannot be deleted is skipped; the next import meets it stale again.
        std::filesystem::remove(file, removeError);
    }
    return 0;
}

}  // namespace korvi
