// The local address book store: version, folders and the folder chooser's logic, and the
// contacts of the chosen folder as contact records. Works only through the object model of
// ObjectModel.h, on whichever backend its connector reaches.
#pragma once

#include <functional>
#include <memory>
#include <string>
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

    // What LoadContacts and SaveContacts return when the stop flag ended them early.
    static constexpr int kResultStopped = -7;

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
    [[nodiscard]] int GetVersion(std::string& resultText);
    // Action 16. Fills folderTree and numContactFolders; folderPath := "".
    [[nodiscard]] int GetOutlookFolderInfo(std::string& resultText);
    // Opens the folder named by folderPath (or the default contacts folder) and keeps it open
    // until CloseFolder; sets contactStoreID.
    [[nodiscard]] int OpenFolder(std::string& resultText);
    int CloseFolder();

    // ---- The chooser's logic (the dialog itself belongs to the window). ----
    // What showing the chooser resets.
    void ResetChooser();
    // A click on a node of folderTree (null: nothing selected).
    void SelectFolderNode(const OutlookFolderNode* node);
    // The create-folder button with the name the user entered, below the selected node.
    // 0 when the folder was made (folderPath is its path, newFolderCreated 1); otherwise -1 and
    // message holds what the chooser shows (text 111, text 145, or the failure).
    [[nodiscard]] int CreateNewFolder(const OutlookFolderNode* selected, const std::string& name,
                                      std::string& message);
    // The node of folderTree with that FolderPath, or null.
    const OutlookFolderNode* FindNode(const std::string& path) const;

    // ---- Contacts (PartnerStore). ----
    [[nodiscard]] int LoadContacts(TContactList& list, const StopFlag& stop,
                                   std::string& resultText) override;
    [[nodiscard]] int SaveContacts(TContactList& list, const StopFlag& stop,
                                   std::string& resultText) override;
    // On the folder that OpenFolder opened.
    [[nodiscard]] int UpdateContact(int kind, TContact& contact, std::string& resultText) override;
    [[nodiscard]] int BeginUpdates(std::string& resultText) override {
        return OpenFolder(resultText);
    }
    void EndUpdates() override { CloseFolder(); }
    std::string contactStoreID() const override { return m_contactStoreID; }

    // Copies the record into the item and saves it; the record's entryId becomes the item's.
    // Throws OlError when the save fails (the callers' handlers report it).
    void WriteContact(TContact* contact, outlook::OlContactItem* item);

private:
    // The steps that may throw; the public operations catch at their edge.
    int OpenFolderOrThrow(std::string& resultText);
    int FindFolderByPath();
    bool WalkForPath(outlook::OlFolders& folders);
    void WalkTree(outlook::OlFolders& folders, std::vector<OutlookFolderNode>& nodes);
    int UpdateContactOrThrow(int kind, TContact& contact, std::string& resultText);

    Progress& m_progress;
    Connector m_connect;
    std::string m_contactStoreID;
    // The connection OpenFolder makes and CloseFolder drops.
    std::unique_ptr<outlook::OlApplication> m_openApp;
    outlook::OlNameSpace* m_openNamespace = nullptr;
    std::shared_ptr<outlook::OlMAPIFolder> m_openFolder;
};

}  // namespace korvi
