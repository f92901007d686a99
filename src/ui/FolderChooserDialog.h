// The address book folder chooser: the folder tree that action 16 read, OK only on a contacts
// folder, and (for an export) a button that creates a contacts folder below the selected one.
// It works on the store's chooser state (folderPath, folderContactCount, newFolderCreated,
// createCancelled), which the caller reads after finished(): Accepted is OK, Rejected Cancel.
#pragma once

#include <string>
#include <vector>

#include "ui/TreeChooserDialog.h"

namespace korvi {
class Toutlook;
struct OutlookFolderNode;
}  // namespace korvi

namespace korvi::ui {

class FolderChooserDialog final : public TreeChooserDialog {
    Q_OBJECT

public:
    // The store's showCreateButton decides whether the create button is offered.
    FolderChooserDialog(Toutlook& store, QWidget* parent = nullptr);

    // The item that shows the folder with that FolderPath, or null.
    QTreeWidgetItem* ItemForPath(const std::string& path) const;

private:
    void Fill();
    void AddNodes(const std::vector<OutlookFolderNode>& nodes, QTreeWidgetItem* parent);
    void Clicked() override;
    void CreateClicked() override;
    void CreateNamed(const QString& name) override;
    const OutlookFolderNode* SelectedNode() const;

    Toutlook& m_store;
};

}  // namespace korvi::ui
