// An address book held in memory, for the tests of the store logic: folders, contacts and
// distribution lists set up directly, connections made to it as to a running program, and a
// hook that lets a test make any call fail.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "stores/outlook/ObjectModel.h"

namespace korvi::outlook {

struct MemoryItemData {
    enum class Kind { Contact, DistList, Other };
    Kind kind = Kind::Contact;
    std::array<std::string, kContactPropertyCount> props;
    std::string entryId;  // empty until saved
};

struct MemoryFolderData {
    std::string name;
    int defaultItemType = olContactItem;
    std::string entryId;
    MemoryFolderData* parent = nullptr;
    std::vector<std::shared_ptr<MemoryFolderData>> children;
    std::vector<std::shared_ptr<MemoryItemData>> items;

    std::string Path() const;
};

class MemoryOutlook {
public:
    MemoryOutlook() = default;
    MemoryOutlook(const MemoryOutlook&) = delete;
    MemoryOutlook& operator=(const MemoryOutlook&) = delete;

    std::string version = "15.0.4420.1017";

    // A top-level folder (a store); its default item type is 0 (mail), as a store's is.
    MemoryFolderData& AddStore(const std::string& name);
    MemoryFolderData& AddFolder(MemoryFolderData& parent, const std::string& name,
                                int defaultItemType = olContactItem);
    // The folder GetDefaultFolder(10) answers with; none set makes that call fail.
    void SetDefaultContacts(MemoryFolderData* folder) { m_defaultContacts = folder; }

    MemoryItemData& AddContact(MemoryFolderData& folder, const std::string& fileAs);
    MemoryItemData& AddDistList(MemoryFolderData& folder);
    static void SetProp(MemoryItemData& item, ContactProperty p, const std::string& v) {
        item.props[static_cast<int>(p)] = v;
    }
    static const std::string& Prop(const MemoryItemData& item, ContactProperty p) {
        return item.props[static_cast<int>(p)];
    }

    // Called with the name of each object model call before it runs ("Connect", "Save",
    // "Delete", "Items.Item", ...); a test throws OlError from it to make that call fail.
    std::function<void(std::string_view call)> hook;

    std::unique_ptr<OlApplication> Connect();
    // Connections made and not yet released.
    int OpenConnections() const { return m_openConnections; }

    const std::vector<std::shared_ptr<MemoryFolderData>>& stores() const { return m_stores; }
    MemoryFolderData* defaultContacts() const { return m_defaultContacts; }

    // Internal, for the model's objects.
    void Call(std::string_view call) const {
        if (hook) hook(call);
    }
    std::string NewEntryId();
    void ConnectionClosed() { --m_openConnections; }

private:
    std::vector<std::shared_ptr<MemoryFolderData>> m_stores;
    MemoryFolderData* m_defaultContacts = nullptr;
    int m_openConnections = 0;
    int m_nextId = 1;
};

}  // namespace korvi::outlook
