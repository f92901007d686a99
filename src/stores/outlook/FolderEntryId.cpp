#include "stores/outlook/FolderEntryId.h"

#include <cstdint>
#include <fstream>
#include <iterator>

#include <fmt/format.h>

#include "app/AtomicFile.h"
#include "app/Log.h"
#include "stores/outlook/RandomId.h"

namespace korvi::outlook {

namespace {

bool IsHexId(const std::string& s) {
    if (s.size() != 32) return false;
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

std::string PathDerivedId(const std::filesystem::path& folder) {
    // Two FNV-1a hashes with different offsets make 128 bits.
    const std::string text = folder.lexically_normal().string();
    std::uint64_t a = 14695981039346656037ull;
    std::uint64_t b = 7809847782465536322ull;
    for (unsigned char c : text) {
        a = (a ^ c) * 1099511628211ull;
        b = (b ^ c) * 1099511628211ull;
    }
    return fmt::format("{:016X}{:016X}", a, b);
}

}  // namespace

std::string FolderEntryId(const std::filesystem::path& folder) {
    const std::filesystem::path file = folder / kFolderIdFileName;
    {
        std::ifstream in(file, std::ios::binary);
        if (in) {
            std::string text((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
            while (!text.empty() &&
                   (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
                text.pop_back();
            if (IsHexId(text)) return text;
        }
    }
    std::string id = NewHexId();
    std::string error;
    if (!WriteFileAtomically(file, id + "\n", error)) {
        WriteLog("ERR: OUTLOOK: Could not keep the folder id: %s", error);
        return PathDerivedId(folder);
    }
    return id;
}

}  // namespace korvi::outlook
