#include "stores/outlook/Toutlook.h"

#include <exception>

#include <fmt/format.h>

#include "app/Log.h"
#include "app/Texts.h"
#include "stores/outlook/ContactItemRecord.h"
#include "stores/outlook/OutlookVersion.h"

namespace korvi {

using namespace outlook;

namespace {

constexpr int kContactFolderImage = 1;

std::string Num(long long n) { return fmt::format("{}", n); }

}  // namespace

Toutlook::Toutlook(Progress& progress, Connector connect)
    : m_progress(progress), m_connect(std::move(connect)) {}

Toutlook::~Toutlook() { CloseFolder(); }

// ---- Version ----

Result Toutlook::GetVersion() {
    m_progress.SetProgress(0, 0, 0);
    m_progress.SetProgressText(Text(kTextRetrievingOutlookVersion), 0);
    versionCode = 0;
    try {
        auto app = m_connect();
        app->GetNamespace("MAPI");
        const std::string text = app->Version();
        OutlookVersionInfo info = LookUpOutlookVersion(text);
        versionCode = info.versionCode;
        versionName = info.versionName;
        if (!info.known) {
            versionName = "Unknown";
            versionCode = 0;
            return {kResultLocalFailure, Text(kTextUnknownOutlookVersion) + " " + text};
        }
        return 0;
    } catch (const std::exception& e) {
        WriteLog("ERR: OUTLOOK: GetVersion: Exception: %s", e.what());
        return {kResultLocalFailure, e.what()};
    }
}

// ---- Folders and the chooser ----

void Toutlook::WalkTree(OlFolders& folders, std::vector<OutlookFolderNode>& nodes) {
    const int count = folders.Count();
    for (int j = 1; j <= count; ++j) {
        auto folder = folders.Item(j);
        OutlookFolderNode node;
        node.info.defaultItemType = folder->DefaultItemType();
        node.info.itemCount = 0;
        node.info.path = folder->FolderPath();
        node.info.folderEntryID = folder->EntryID();
        node.text = folder->Name();
        if (node.info.defaultItemType == olContactItem) {
            node.info.itemCount = folder->Items().Count();
            node.text += " (" + Num(node.info.itemCount) + ")";
            ++numContactFolders;
            node.imageIndex = kContactFolderImage;
        }
        if (folder->Folders().Count() > 0) WalkTree(folder->Folders(), node.children);
        nodes.push_back(std::move(node));
    }
}

Result Toutlook::GetOutlookFolderInfo() {
    folderPath.clear();
    try {
        auto app = m_connect();
        OlNameSpace& ns = app->GetNamespace("MAPI");
        m_progress.SetProgress(0, 0, 0);
        m_progress.SetProgressText(Text(kTextRetrievingOutlookFolders), 0);
        folderTree.clear();
        numContactFolders = 0;
        OlFolders& stores = ns.Folders();
        const int count = stores.Count();
        for (int i = 1; i <= count; ++i) {
            auto store = stores.Item(i);
            OutlookFolderNode node;
            node.info.defaultItemType = store->DefaultItemType();
            node.info.path = store->FolderPath();
            node.info.folderEntryID = store->EntryID();
            node.text = store->Name();
            node.imageIndex = 0;
            if (store->Folders().Count() > 0) WalkTree(store->Folders(), node.children);
            folderTree.push_back(std::move(node));
        }
        return 0;
    } catch (const std::exception&) {
        return {kResultLocalFailure, Text(kTextOutlookFoldersFailed)};
    }
}

void Toutlook::ResetChooser() {
    newFolderCreated = 0;
    createCancelled = 0;
}

void Toutlook::SelectFolderNode(const OutlookFolderNode* node) {
    if (node == nullptr) return;
    if (node->info.defaultItemType == olContactItem) {
        folderPath = node->info.path;
        folderContactCount = node->info.itemCount;
    } else {
        folderPath.clear();
        folderContactCount = 0;
    }
}

Result Toutlook::CreateNewFolder(const OutlookFolderNode* selected, const std::string& name) {
    folderPath.clear();
    if (selected == nullptr) {
        return {kResultLocalFailure, Text(kTextSelectParentFolder)};
    }
    if (name.empty()) {
        createCancelled = 1;
        return {kResultLocalFailure, Text(kTextFolderNameInvalid)};
    }
    try {
        auto app = m_connect();
        OlNameSpace& ns = app->GetNamespace("MAPI");
        auto parent = ns.GetFolderFromID(selected->info.folderEntryID);
        auto folder = parent->Folders().Add(name, olFolderContacts);
        folderPath = folder->FolderPath();
        newFolderCreated = 1;
        folderContactCount = 0;
        return 0;
    } catch (const std::exception& e) {
        return {kResultLocalFailure, e.what()};
    }
}

namespace {
const OutlookFolderNode* FindIn(const std::vector<OutlookFolderNode>& nodes,
                                const std::string& path) {
    for (const auto& node : nodes) {
        if (node.info.path == path) return &node;
        if (const auto* found = FindIn(node.children, path)) return found;
    }
    return nullptr;
}
}  // namespace

const OutlookFolderNode* Toutlook::FindNode(const std::string& path) const {
    return FindIn(folderTree, path);
}

// ---- Opening the folder ----

bool Toutlook::WalkForPath(OlFolders& folders) {
    bool found = false;
    const int count = folders.Count();
    for (int j = 1; j <= count; ++j) {
        auto folder = folders.Item(j);
        if (folder->FolderPath() == folderPath) {
            // The walk goes on: of two folders with one path the later is opened.
            m_openFolder = folder;
            m_contactStoreID = folder->EntryID();
            found = true;
        }
        if (WalkForPath(folder->Folders())) found = true;
    }
    return found;
}

int Toutlook::FindFolderByPath() {
    if (versionCode <= 3) folderPath.clear();
    if (folderPath.empty() || folderPath == kDefaultContactsPath) {
        m_openFolder = m_openNamespace->GetDefaultFolder(olFolderContacts);
        m_contactStoreID = m_openFolder->EntryID();
        return 0;
    }
    OlFolders& stores = m_openNamespace->Folders();
    bool found = false;
    const int count = stores.Count();
    for (int i = 1; i <= count; ++i) {
        auto store = stores.Item(i);
        if (store->FolderPath() == folderPath) {
            m_openFolder = store;
            m_contactStoreID = store->EntryID();
            return 0;
        }
        if (WalkForPath(store->Folders())) found = true;
    }
    return found ? 0 : -1;
}

Result Toutlook::OpenFolderOrThrow() {
    CloseFolder();
    m_openApp = m_connect();
    m_openNamespace = &m_openApp->GetNamespace("MAPI");
    int rc = FindFolderByPath();
    if (rc != 0) {
        WriteLog("ERR: OUTLOOK: OpenFolder Fail: Could not find Outlook folder [%s] from path",
                 folderPath);
        return {rc, Text(kTextOutlookFolderNotOpened, {}, folderPath)};
    }
    if (folderPath.empty()) {
        WriteLog("LOG: OUTLOOK: OpenFolder: Using DEFAULT folder");
    } else {
        WriteLog("LOG: OUTLOOK: OpenFolder: Using folder %s", folderPath);
    }
    return 0;
}

Result Toutlook::OpenFolder() {
    try {
        return OpenFolderOrThrow();
    } catch (const std::exception& e) {
        WriteLog("ERR: OUTLOOK: OpenFolder: Exception: %s", e.what());
        CloseFolder();
        return {kResultLocalFailure, e.what()};
    }
}

int Toutlook::CloseFolder() {
    m_itemIndex.clear();
    m_itemIndexBuilt = false;
    m_openFolder.reset();
    m_openNamespace = nullptr;
    m_openApp.reset();
    return 0;
}

// ---- Contacts ----

Result Toutlook::LoadContacts(TContactList& list, const StopFlag& stop) {
    m_contactStoreID.clear();
    m_progress.SetProgress(1, 0, 1);
    try {
        if (Result opened = OpenFolderOrThrow(); !opened.ok()) return opened;
        OlItems& items = m_openFolder->Items();
        const int n = items.Count();
        if (folderPath.empty()) {
            WriteLog("LOG: OUTLOOK: LoadContacts: Loading %d contacts from DEFAULT folder", n);
        } else {
            WriteLog("LOG: OUTLOOK: LoadContacts: Loading %d contacts from %s", n, folderPath);
        }
        int k = 1;
        for (; k <= n && !stop.load(); ++k) {
            m_progress.SetProgressText(Text(kTextReadingOutlookContact, {}, {}, Num(k), Num(n)),
                                       static_cast<int>(static_cast<long long>(k) * 100 / n));
            auto item = items.Item(k);
            OlContactItem* contact = item->QueryContactItem();
            if (contact == nullptr) {
                WriteLog(
                    "LOG: OUTLOOK: LoadContacts: Item Index %d is not a Contact - not "
                    "loading. (Distribution list?)",
                    k);
                continue;
            }
            auto record = std::make_unique<TContact>();
            const ItemRecord read = ReadItemRecord(*contact, *record);
            if (read == ItemRecord::kInvalidName) {
                WriteLog(
                    "LOG: OUTLOOK: LoadContacts: Invalid name - not loading. Full Name [%s] "
                    "(%d) LastName [%s] (%d) FirstName [%s] (%d)",
                    record->displayName, static_cast<int>(record->displayName.size()),
                    record->lastName, static_cast<int>(record->lastName.size()), record->firstName,
                    static_cast<int>(record->firstName.size()));
                continue;
            }
            record->entryId = contact->EntryID();
            if (read == ItemRecord::kLoaded) {
                list.push_back(std::move(record));
            } else {
                WriteLog("LOG: OUTLOOK: LoadContacts: [%s] has no numbers - not loading.",
                         record->displayName);
            }
        }
        const bool stopped = k <= n;
        CloseFolder();
        if (folderPath.empty()) {
            WriteLog("LOG: OUTLOOK: LoadContacts: Loaded %d from %d contacts from DEFAULT folder",
                     static_cast<int>(list.size()), n);
        } else {
            WriteLog("LOG: OUTLOOK: LoadContacts: Loaded %d from %d contacts from %s",
                     static_cast<int>(list.size()), n, folderPath);
        }
        // A partial list would read as contacts deleted from the folder.
        return stopped ? kResultCancelled : kResultOk;
    } catch (const std::exception& e) {
        WriteLog("ERR: OUTLOOK: LoadContacts Exception: %s", e.what());
        CloseFolder();
        return {kResultLocalFailure, Text(kTextOutlookLoadFailed)};
    }
}

Result Toutlook::SaveContacts(TContactList& list, const StopFlag& stop) {
    m_contactStoreID.clear();
    m_progress.SetProgress(1, 0, 1);
    try {
        if (Result opened = OpenFolderOrThrow(); !opened.ok()) return opened;
        OlItems& items = m_openFolder->Items();
        // Files need no pause between deletions: the address book program that wanted one
        // is not there.
        if (keepExisting != 1) {
            const int m = items.Count();
            WriteLog("LOG: OUTLOOK: SaveContacts: Deleting %d existing contacts", m);
            for (int j = m; j >= 1; --j) {
                if (stop.load()) {
                    CloseFolder();
                    return kResultCancelled;
                }
                m_progress.SetProgressText(
                    Text(kTextDeletingOutlookContact, {}, {}, Num(j), Num(m)),
                    100 - static_cast<int>(static_cast<long long>(j) * 100 / m));
                auto item = items.Item(j);
                if (OlContactItem* contact = item->QueryContactItem()) {
                    contact->Delete();
                } else {
                    auto again = items.Item(j);
                    if (OlDistListItem* distList = again->QueryDistListItem()) distList->Delete();
                }
            }
        }
        const int count = static_cast<int>(list.size());
        if (folderPath.empty()) {
            WriteLog("LOG: OUTLOOK: SaveContacts: Saving %d contacts to DEFAULT folder", count);
        } else {
            WriteLog("LOG: OUTLOOK: SaveContacts: Saving %d contacts to %s", count, folderPath);
        }
        int i = 0;
        for (; i < count && !stop.load(); ++i) {
            m_progress.SetProgressText(
                Text(kTextWritingOutlookContact, {}, {}, Num(i + 1), Num(count)),
                LoopPosition(i, count));
            auto item = items.Add();
            OlContactItem* contact = item->QueryContactItem();
            if (contact == nullptr) throw OlError("The new item is not a contact item.");
            WriteContact(list[i].get(), contact);
        }
        const bool stopped = i < count;
        CloseFolder();
        // A sync list naming contacts that were never written would read them as deleted.
        return stopped ? kResultCancelled : kResultOk;
    } catch (const std::exception& e) {
        WriteLog("ERR: OUTLOOK: SaveContacts Exception: %s", e.what());
        CloseFolder();
        return {kResultLocalFailure, e.what()};
    }
}

void Toutlook::IndexItems() {
    m_itemIndex.clear();
    OlItems& items = m_openFolder->Items();
    const int count = items.Count();
    for (int k = 1; k <= count; ++k) {
        auto item = items.Item(k);
        if (OlContactItem* c = item->QueryContactItem()) IndexAdded(item, c->EntryID());
    }
    m_itemIndexBuilt = true;
}

void Toutlook::IndexAdded(const std::shared_ptr<OlItem>& item, const std::string& entryId) {
    // New items join the folder at its end: an item already there with the id stays the first.
    IndexedItem& entry = m_itemIndex[entryId];
    if (entry.count++ == 0) entry.first = item;
}

void Toutlook::IndexRemoved(const std::string& entryId) {
    auto it = m_itemIndex.find(entryId);
    if (it == m_itemIndex.end()) return;
    if (--it->second.count == 0) {
        m_itemIndex.erase(it);
    } else {
        // Which of the others is now the first is a matter of order: walk again when needed.
        m_itemIndexBuilt = false;
    }
}

std::shared_ptr<OlItem> Toutlook::FindItem(const std::string& entryId) {
    if (!m_itemIndexBuilt) IndexItems();
    auto it = m_itemIndex.find(entryId);
    if (it == m_itemIndex.end()) return nullptr;
    return it->second.first;
}

Result Toutlook::UpdateContactOrThrow(int kind, TContact& contact) {
    if (!m_openFolder) throw OlError("No address book folder is open.");
    OlItems& items = m_openFolder->Items();
    if (kind == kUpdateAdd) {
        auto item = items.Add();
        OlContactItem* target = item->QueryContactItem();
        if (target == nullptr) throw OlError("The new item is not a contact item.");
        WriteContact(&contact, target);
        if (m_itemIndexBuilt) IndexAdded(item, contact.entryId);
        return 0;
    }
    if (kind != kUpdateDelete && kind != kUpdateAmend) {
        WriteLog("ERR: OUTLOOK: UpdateContact: Unknown action: %d", kind);
        return {kResultLocalFailure, "UpdateContact: action Unknown"};
    }
    // The first contact item with the entry id, as a walk of the folder would find it.
    const std::string entryId = contact.entryId;
    std::shared_ptr<OlItem> found = FindItem(entryId);
    OlContactItem* target = found ? found->QueryContactItem() : nullptr;
    if (target == nullptr) {
        if (kind == kUpdateDelete) {
            WriteLog("ERR: OUTLOOK: UpdateContact: eDel: [%s] [%s] - could not find in Outlook",
                     contact.firstName, contact.lastName);
        } else {
            WriteLog("ERR: OUTLOOK: UpdateContact: eAmend: [%s] [%s] - could not find in Outlook",
                     contact.firstName, contact.lastName);
        }
        return {kResultLocalFailure,
                Text(kTextNotFoundInOutlook, {}, contact.firstName + " " + contact.lastName)};
    }
    if (kind == kUpdateDelete) {
        target->Delete();
        IndexRemoved(entryId);
    } else {
        // A failed write leaves the item as it was; a card written without a UID before gets
        // one, and with it a new entry id.
        try {
            WriteContact(&contact, target);
        } catch (...) {
            if (target->EntryID() != entryId) m_itemIndexBuilt = false;
            throw;
        }
        if (contact.entryId != entryId) {
            IndexRemoved(entryId);
            // Where the item stands among others with its new id is a matter of order.
            if (m_itemIndexBuilt && m_itemIndex.count(contact.entryId) != 0)
                m_itemIndexBuilt = false;
            else if (m_itemIndexBuilt)
                IndexAdded(found, contact.entryId);
        }
    }
    return 0;
}

Result Toutlook::UpdateContact(int kind, TContact& contact) {
    // A failed write of one card is that update's failure, reported with the file and the
    // reason; it does not end the run of updates. A failure of the folder (gone, not writable,
    // its disk full) would fail every update after it: it ends the run.
    try {
        return UpdateContactOrThrow(kind, contact);
    } catch (const OlFolderError& e) {
        WriteLog("ERR: OUTLOOK: UpdateContact: Exception: %s", e.what());
        return {kResultNoSyncFile, e.what()};
    } catch (const std::exception& e) {
        WriteLog("ERR: OUTLOOK: UpdateContact: Exception: %s", e.what());
        return {kResultLocalFailure, e.what()};
    }
}

void Toutlook::WriteContact(TContact* contact, OlContactItem* item) {
    if (item == nullptr || contact == nullptr) {
        WriteLog("ERR: OUTLOOK: WriteContact Fail: Null Ptr");
        return;
    }
    WriteLog("LOG: OUTLOOK: WriteContact: [%s] [%s]", contact->firstName, contact->lastName);
    WriteItemRecord(*contact, *item);
    item->Save();
    contact->entryId = item->EntryID();
}

}  // namespace korvi
