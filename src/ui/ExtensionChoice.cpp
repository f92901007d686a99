#include "ui/ExtensionChoice.h"

#include <charconv>

#include "app/Texts.h"

namespace korvi::ui {

namespace {

bool ParseDeviceId(const std::string& text, std::int32_t& id) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, id);
    return ec == std::errc() && ptr == end;
}

}  // namespace

std::vector<std::string> ExtensionItems(const std::vector<TExtnInfo>& extensions) {
    std::vector<std::string> items;
    if (extensions.size() > 1) items.push_back(Text(kTextCentralStore));
    for (const auto& e : extensions) items.push_back(e.extnName);
    return items;
}

ContactTypeChoice ChooseContactType(const std::vector<TExtnInfo>& extensions, int itemIndex,
                                    const std::string& text) {
    ContactTypeChoice choice;
    choice.name = text;
    const auto items = ExtensionItems(extensions);
    std::size_t item = items.size();
    if (itemIndex >= 0 && static_cast<std::size_t>(itemIndex) < items.size() &&
        items[static_cast<std::size_t>(itemIndex)] == text) {
        item = static_cast<std::size_t>(itemIndex);
    } else {
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i] == text) {
                item = i;
                break;
            }
        }
    }
    if (item == items.size()) return choice;
    const std::size_t offset = extensions.size() > 1 ? 1 : 0;
    if (item < offset) {
        choice.contactType = kContactTypeCentral;
        return choice;
    }
    std::int32_t id = 0;
    if (ParseDeviceId(extensions[item - offset].devID, id)) choice.contactType = id;
    return choice;
}

int ItemOfContactType(const std::vector<TExtnInfo>& extensions, std::int32_t contactType) {
    const int offset = extensions.size() > 1 ? 1 : 0;
    if (contactType == kContactTypeCentral) return offset == 1 ? 0 : -1;
    for (std::size_t i = 0; i < extensions.size(); ++i) {
        std::int32_t id = 0;
        if (ParseDeviceId(extensions[i].devID, id) && id == contactType) {
            return static_cast<int>(i) + offset;
        }
    }
    return -1;
}

}  // namespace korvi::ui
