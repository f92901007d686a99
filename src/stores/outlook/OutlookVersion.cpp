#include "stores/outlook/OutlookVersion.h"

#include <charconv>

namespace korvi {

namespace {

struct VersionRow {
    int key;
    int code;
    const char* name;
};

constexpr VersionRow kVersions[] = {
    {80, 1, "Outlook 97"},    {85, 2, "Outlook 98"},    {90, 3, "Outlook 2000"},
    {100, 4, "Outlook XP"},   {110, 5, "Outlook 2003"}, {120, 6, "Outlook 2007"},
    {140, 7, "Outlook 2010"}, {150, 8, "Outlook 2013"},
};

// Reads an integer the way a "%d" conversion does: leading blanks, an optional sign.
bool ReadInt(std::string_view& s, int& value) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    const char* first = s.data();
    const char* last = s.data() + s.size();
    if (first != last && *first == '+') ++first;
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc()) return false;
    s.remove_prefix(static_cast<std::size_t>(ptr - s.data()));
    return true;
}

}  // namespace

OutlookVersionInfo LookUpOutlookVersion(std::string_view text) {
    OutlookVersionInfo info;
    int major = 0;
    int minor = 0;
    if (!ReadInt(text, major) || text.empty() || text.front() != '.') return info;
    text.remove_prefix(1);
    if (!ReadInt(text, minor)) return info;
    const long long key = static_cast<long long>(major) * 10 + minor;
    for (const auto& row : kVersions) {
        if (row.key == key) {
            info.known = true;
            info.versionCode = row.code;
            info.versionName = row.name;
            return info;
        }
    }
    return info;
}

}  // namespace korvi
