// The extension boxes of the Sync and Import/Export tabs: their items, and which PBX contact
// type the box's text stands for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pbx/Tpbx.h"

namespace korvi::ui {

// "Central Store" (text 29) first when there is more than one extension, then each
// extension's name in list order.
std::vector<std::string> ExtensionItems(const std::vector<TExtnInfo>& extensions);

struct ContactTypeChoice {
    std::int32_t contactType = kContactTypeNone;
    std::string name;  // the box's text
};

// The contact type of the box's item: the central store for text 29, otherwise the device id
// of that item's extension. itemIndex is the box's current item; it counts only while the box
// shows that item's text. The box may be editable: a text that is none of the items (or a
// device id that is no number) names no contact type (kContactTypeNone), which the contact
// type check then refuses, instead of an extension next to it or past the list's end.
ContactTypeChoice ChooseContactType(const std::vector<TExtnInfo>& extensions, int itemIndex,
                                    const std::string& text);

// The item that shows contactType (0 for the central store), or -1 when none does.
int ItemOfContactType(const std::vector<TExtnInfo>& extensions, std::int32_t contactType);

}  // namespace korvi::ui
