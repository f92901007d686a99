// The local address book store: version, folders and the folder chooser's logic, and the
// contacts of the chosen folder as contact records. Works only through the object model of
// ObjectModel.h, on whichever backend its connector reaches.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/PartnerStore.h"
#include "app/Progress.h"
#include "model/Contact.h"
#include "stores/outlook/ObjectModel.h"
#include "stores/outlook/OutlookFolderInfo.h"

namespace korvi {

// FolderPath of the default contacts folder as the settings name it.
inline constexpr char kDefaultContactsPath[] = "\\\\Personal Folders\\Contacts";

class Toutlook final : public PartnerStore {
public:
    // Makes one connection to the address book (attaching to it as to a running program).
    using Connector = std::function<std::unique_ptr<outlook::OlApplication>()>;

    Toutlook(Progress& progress, Connector connect);
    ~Toutlook() override;
    Toutlook(const Toutlook&) = delete;
    Toutlook& operator=(const Toutlook&) = delete;

    // ---- State, as the window and the actions read and set it. ----
    int versionCode = 0;
    std::string versionName;
    // FolderPath of the chosen folder; empty: the default contacts folder.
    std::string folderPath;
    int numContactFolders = 0;
    int folderContactCount = 0;
    int showCreateButton = 0;
    int newFolderCreated = 0;
    int createCancelled = 0;
    int keepExisting = 0;
    // The chooser's tree, refilled by GetOutlookFolderInfo.
    std::vector<OutlookFolderNode> folderTree;

    // Action 17. Sets versionCode and versionName.
    Result GetVersion();
    // Action 16. Fills folderTree and numContactFolders; folderPath := "".
    Result GetOutlookFolderInfo();
    // Opens the folder named by folderPath (or the default contacts folder) and keeps it open
    // until CloseFolder; sets contactStoreID.
    Result OpenFolder();
    int CloseFolder();

    // ---- The chooser's logic (the dialog itself belongs to the window). ----
    // What showing the chooser resets.
    void ResetChooser();
    // A click on a node of folderTree (null: nothing selected).
    void SelectFolderNode(const OutlookFolderNode* node);
    // The create-folder button with the name the user entered, below the selected node.
    // Success when the folder was made (folderPath is its path, newFolderCreated 1); otherwise
    // -1 with what the chooser shows (text 111, text 145, or the failure).
    Result CreateNewFolder(const OutlookFolderNode* selected, const std::string& name);
    // The node of folderTree with that FolderPath, or null.
    const OutlookFolderNode* FindNode(const std::string& path) const;

    // ---- Contacts (PartnerStore). ----
    // -7 (and the text left as it was) when the stop flag ended them early.
    Result LoadContacts(TContactList& list, const StopFlag& stop) override;
    Result SaveContacts(TContactList& list, const StopFlag& stop) override;
    // On the folder that OpenFolder opened.
    Result UpdateContact(int kind, TContact& contact) override;
    Result BeginUpdates() override { return OpenFolder(); }
    void EndUpdates() override { CloseFolder(); }
    std::string contactStoreID() const override { return m_contactStoreID; }

    // Copies the record into the item and saves it; the record's entryId becomes the item's.
    // Throws OlError when the save fails (the callers' handlers report it).
    void WriteContact(TContact* contact, outlook::OlContactItem* item);

private:
    // The steps that may throw; the public operations catch at their edge.
    Result OpenFolderOrThrow();
    int FindFolderByPath();
    bool WalkForPath(outlook::OlFolders& folders);
    void WalkTree(outlook::OlFolders& folders, std::vector<OutlookFolderNode>& nodes);
    Result UpdateContactOrThrow(int kind, TContact& contact);
    // The first contact item of the open folder with that entry id, or null.
    std::shared_ptr<outlook::OlItem> FindItem(const std::string& entryId);
    void IndexItems();
    void IndexAdded(const std::shared_ptr<outlook::OlItem>& item, const std::string& entryId);
    void IndexRemoved(const std::string& entryId);

    Progress& m_progress;
    Connector m_connect;
    std::string m_contactStoreID;
    // The connection OpenFolder makes and CloseFolder drops.
    std::unique_ptr<outlook::OlApplication> m_openApp;
    outlook::OlNameSpace* m_openNamespace = nullptr;
    std::shared_ptr<outlook::OlMAPIFolder> m_openFolder;
    // Entry id -> the first contact item of the open folder with it, and how many items have
    // it, so that each update of a sync finds its item without walking the folder (thousands
    // of updates on thousands of cards). Built at the first update after the folder opened;
    // while the folder is open its items change only through this store.
    struct IndexedItem {
        std::shared_ptr<outlook::OlItem> first;
        int count = 0;
    };
    std::unordered_map<std::string, IndexedItem> m_itemIndex;
    bool m_itemIndexBuilt = false;
};

}  // namespace korvi
