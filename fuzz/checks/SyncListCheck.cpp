// Whatever the file holds, the load succeeds or fails with a text; a list that loads, written
// again, loads back the same.
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "ReaderChecks.h"
#include "app/Progress.h"
#include "files/ContactFile.h"

namespace korvi::fuzz {

namespace {

constexpr int32_t kContactType = 201;
const std::string kStoreKey = "0123456789ABCDEF0123456789ABCDEF";

const std::filesystem::path& DataFolder() {
    static const std::filesystem::path folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "korvi-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) return std::filesystem::temp_directory_path();
        return std::filesystem::path(pattern);
    }();
    return folder;
}

}  // namespace

std::string CheckSyncList(std::string_view input) {
    NullProgress progress;
    TcontactFile files(progress, DataFolder());
    const std::filesystem::path file = files.SyncFilePath(kContactType, kStoreKey);
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(input.data(), static_cast<std::streamsize>(input.size()));
        if (!out) return "the test could not write its file";
    }
    TContactList list;
    if (Result r = files.LoadSyncFile(kContactType, kStoreKey, list); !r.ok())
        return r.text.empty() ? "a failed load without a text" : "";
    if (Result r = files.WriteSyncFile(kContactType, kStoreKey, list); !r.ok())
        return r.text.empty() ? "a failed write without a text" : "";
    TContactList reread;
    if (Result r = files.LoadSyncFile(kContactType, kStoreKey, reread); !r.ok())
        return "the written sync list does not load: " + r.text;
    if (!SameLists(list, reread)) return "the written sync list loads otherwise";
    return {};
}

}  // namespace korvi::fuzz
