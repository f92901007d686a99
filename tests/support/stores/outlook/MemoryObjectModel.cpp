#include "stores/outlook/MemoryObjectModel.h"

#include <algorithm>

#include <fmt/format.h>

namespace korvi::outlook {

namespace {

class MemItem final : public OlItem, public OlContactItem, public OlDistListItem {
public:
    MemItem(MemoryOutlook& model, std::shared_ptr<MemoryFolderData> folder,
            std::shared_ptr<MemoryItemData> data, bool saved)
        : m_model(model),
          m_folder(std::move(folder)),
          m_data(std::move(data)),
          m_pending(m_data->props),
          m_saved(saved) {}

    OlContactItem* QueryContactItem() override {
        return m_data->kind == MemoryItemData::Kind::Contact ? this : nullptr;
    }
    OlDistListItem* QueryDistListItem() override {
        return m_data->kind == MemoryItemData::Kind::DistList ? this : nullptr;
    }

    std::string Get(ContactProperty p) const override {
        m_model.Call("ContactItem.Get");
        return m_pending[static_cast<int>(p)];
    }
    void Set(ContactProperty p, const std::string& value) override {
        m_model.Call("ContactItem.Set");
        m_pending[static_cast<int>(p)] = value;
    }
    std::string EntryID() const override {
        m_model.Call("ContactItem.EntryID");
        return m_data->entryId;
    }
    void Save() override {
        m_model.Call("Save");
        if (m_deleted) throw OlError("The item has been deleted.");
        m_data->props = m_pending;
        if (m_data->entryId.empty()) m_data->entryId = m_model.NewEntryId();
        if (!m_saved) {
            m_folder->items.push_back(m_data);
            m_saved = true;
        }
    }
    void Delete() override {
        m_model.Call("Delete");
        auto& items = m_folder->items;
        auto it = std::find(items.begin(), items.end(), m_data);
        if (it == items.end()) throw OlError("The item has been deleted.");
        items.erase(it);
        m_deleted = true;
    }

private:
    MemoryOutlook& m_model;
    std::shared_ptr<MemoryFolderData> m_folder;
    std::shared_ptr<MemoryItemData> m_data;
    std::array<std::string, kContactPropertyCount> m_pending;
    bool m_saved;
    bool m_deleted = false;
};

class MemItems final : public OlItems {
public:
    MemItems(MemoryOutlook& model, std::shared_ptr<MemoryFolderData> folder)
        : m_model(model), m_folder(std::move(folder)) {}

    int Count() override {
        m_model.Call("Items.Count");
        return static_cast<int>(m_folder->items.size());
    }
    std::shared_ptr<OlItem> Item(int index) override {
        m_model.Call("Items.Item");
        if (index < 1 || index > static_cast<int>(m_folder->items.size()))
            throw OlError(fmt::format("Array index out of bounds: {}", index));
        return std::make_shared<MemItem>(m_model, m_folder, m_folder->items[index - 1], true);
    }
    std::shared_ptr<OlItem> Add() override {
        m_model.Call("Items.Add");
        if (m_folder->defaultItemType != olContactItem)
            throw OlError("The folder does not hold contact items.");
        return std::make_shared<MemItem>(m_model, m_folder, std::make_shared<MemoryItemData>(),
                                         false);
    }

private:
    MemoryOutlook& m_model;
    std::shared_ptr<MemoryFolderData> m_folder;
};

std::shared_ptr<OlMAPIFolder> WrapFolder(MemoryOutlook& model,
                                         std::shared_ptr<MemoryFolderData> data);

class MemFolders final : public OlFolders {
public:
    // parent null: the top-level folders of the name space.
    MemFolders(MemoryOutlook& model, std::shared_ptr<MemoryFolderData> parent)
        : m_model(model), m_parent(std::move(parent)) {}

    int Count() override {
        m_model.Call("Folders.Count");
        return static_cast<int>(List().size());
    }
    std::shared_ptr<OlMAPIFolder> Item(int index) override {
        m_model.Call("Folders.Item");
        const auto& list = List();
        if (index < 1 || index > static_cast<int>(list.size()))
            throw OlError(fmt::format("Array index out of bounds: {}", index));
        return WrapFolder(m_model, list[index - 1]);
    }
    std::shared_ptr<OlMAPIFolder> Add(const std::string& name, int type) override {
        m_model.Call("Folders.Add");
        if (!m_parent) throw OlError("A store cannot be added here.");
        if (type != olFolderContacts) throw OlError("Only contacts folders can be added.");
        if (name.empty()) throw OlError("The folder name is empty.");
        for (const auto& child : m_parent->children)
            if (child->name == name) throw OlError("A folder with that name already exists.");
        m_model.AddFolder(*m_parent, name, olContactItem);
        return WrapFolder(m_model, m_parent->children.back());
    }

private:
    const std::vector<std::shared_ptr<MemoryFolderData>>& List() const {
        return m_parent ? m_parent->children : m_model.stores();
    }
    MemoryOutlook& m_model;
    std::shared_ptr<MemoryFolderData> m_parent;
};

class MemFolder final : public OlMAPIFolder {
public:
    MemFolder(MemoryOutlook& model, std::shared_ptr<MemoryFolderData> data)
        : m_model(model), m_data(data), m_folders(model, data), m_items(model, data) {}

    std::string Name() override {
        m_model.Call("Folder.Name");
        return m_data->name;
    }
    int DefaultItemType() override {
        m_model.Call("Folder.DefaultItemType");
        return m_data->defaultItemType;
    }
    std::string FolderPath() override {
        m_model.Call("Folder.FolderPath");
        return m_data->Path();
    }
    std::string EntryID() override {
        m_model.Call("Folder.EntryID");
        return m_data->entryId;
    }
    OlFolders& Folders() override {
        m_model.Call("Folder.Folders");
        return m_folders;
    }
    OlItems& Items() override {
        m_model.Call("Folder.Items");
        return m_items;
    }

private:
    MemoryOutlook& m_model;
    std::shared_ptr<MemoryFolderData> m_data;
    MemFolders m_folders;
    MemItems m_items;
};

std::shared_ptr<OlMAPIFolder> WrapFolder(MemoryOutlook& model,
                                         std::shared_ptr<MemoryFolderData> data) {
    return std::make_shared<MemFolder>(model, std::move(data));
}

std::shared_ptr<MemoryFolderData> FindById(
    const std::vector<std::shared_ptr<MemoryFolderData>>& list, const std::string& id) {
    for (const auto& f : list) {
        if (f->entryId == id) return f;
        if (auto found = FindById(f->children, id)) return found;
    }
    return nullptr;
}

std::shared_ptr<MemoryFolderData> SharedOf(MemoryOutlook& model, MemoryFolderData* raw) {
    std::vector<const std::vector<std::shared_ptr<MemoryFolderData>>*> todo{&model.stores()};
    while (!todo.empty()) {
        const auto* list = todo.back();
        todo.pop_back();
        for (const auto& f : *list) {
            if (f.get() == raw) return f;
            todo.push_back(&f->children);
        }
    }
    return nullptr;
}

class MemNameSpace final : public OlNameSpace {
public:
    explicit MemNameSpace(MemoryOutlook& model) : m_model(model), m_folders(model, nullptr) {}

    OlFolders& Folders() override {
        m_model.Call("NameSpace.Folders");
        return m_folders;
    }
    std::shared_ptr<OlMAPIFolder> GetDefaultFolder(int folderType) override {
        m_model.Call("GetDefaultFolder");
        if (folderType != olFolderContacts) throw OlError("Unsupported default folder.");
        auto data = SharedOf(m_model, m_model.defaultContacts());
        if (!data) throw OlError("There is no default contacts folder.");
        return WrapFolder(m_model, data);
    }
    std::shared_ptr<OlMAPIFolder> GetFolderFromID(const std::string& entryId) override {
        m_model.Call("GetFolderFromID");
        auto data = FindById(m_model.stores(), entryId);
        if (!data) throw OlError("The folder could not be found.");
        return WrapFolder(m_model, data);
    }

private:
    MemoryOutlook& m_model;
    MemFolders m_folders;
};

class MemApplication final : public OlApplication {
public:
    explicit MemApplication(MemoryOutlook& model) : m_model(model), m_ns(model) {}
    ~MemApplication() override { m_model.ConnectionClosed(); }

    std::string Version() override {
        m_model.Call("Version");
        return m_model.version;
    }
    OlNameSpace& GetNamespace(const std::string& type) override {
        m_model.Call("GetNamespace");
        if (type != "MAPI") throw OlError("Unknown name space.");
        return m_ns;
    }

private:
    MemoryOutlook& m_model;
    MemNameSpace m_ns;
};

}  // namespace

std::string MemoryFolderData::Path() const {
    std::string path = name;
    for (const MemoryFolderData* p = parent; p != nullptr; p = p->parent)
        path = p->name + "\\" + path;
    return "\\\\" + path;
}

MemoryFolderData& MemoryOutlook::AddStore(const std::string& name) {
    auto store = std::make_shared<MemoryFolderData>();
    store->name = name;
    store->defaultItemType = 0;
    store->entryId = NewEntryId();
    m_stores.push_back(store);
    return *store;
}

MemoryFolderData& MemoryOutlook::AddFolder(MemoryFolderData& parent, const std::string& name,
                                           int defaultItemType) {
    auto folder = std::make_shared<MemoryFolderData>();
    folder->name = name;
    folder->defaultItemType = defaultItemType;
    folder->entryId = NewEntryId();
    folder->parent = &parent;
    parent.children.push_back(folder);
    return *folder;
}

MemoryItemData& MemoryOutlook::AddContact(MemoryFolderData& folder, const std::string& fileAs) {
    auto item = std::make_shared<MemoryItemData>();
    item->kind = MemoryItemData::Kind::Contact;
    SetProp(*item, ContactProperty::FileAs, fileAs);
    item->entryId = NewEntryId();
    folder.items.push_back(item);
    return *item;
}

MemoryItemData& MemoryOutlook::AddDistList(MemoryFolderData& folder) {
    auto item = std::make_shared<MemoryItemData>();
    item->kind = MemoryItemData::Kind::DistList;
    item->entryId = NewEntryId();
    folder.items.push_back(item);
    return *item;
}

std::unique_ptr<OlApplication> MemoryOutlook::Connect() {
    Call("Connect");
    ++m_openConnections;
    return std::make_unique<MemApplication>(*this);
}

std::string MemoryOutlook::NewEntryId() { return fmt::format("{:032X}", m_nextId++); }

}  // namespace korvi::outlook
