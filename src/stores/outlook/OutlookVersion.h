// The version table of the local address book program.
#pragma once

#include <string>
#include <string_view>

namespace korvi {

struct OutlookVersionInfo {
    bool known = false;  // the text began with two integers and their key is in the table
    int versionCode = 0;
    std::string versionName = "Unknown";
};

// Looks up major * 10 + minor of a "major.minor[.build]" text.
OutlookVersionInfo LookUpOutlookVersion(std::string_view versionText);

}  // namespace korvi
