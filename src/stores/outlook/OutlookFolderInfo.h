// The folder records and the tree that the folder chooser shows.
#pragma once

#include <string>
#include <vector>

namespace korvi {

struct Ty_outlookFolderInfo {
    int defaultItemType = 0;
    int itemCount = 0;  // contact folders only
    std::string path;   // FolderPath
    std::string folderEntryID;
};

struct OutlookFolderNode {
    std::string text;    // name, or for a contact folder name + " (" + count + ")"
    int imageIndex = 0;  // 1 for a contact folder
    Ty_outlookFolderInfo info;
    std::vector<OutlookFolderNode> children;
};

}  // namespace korvi
