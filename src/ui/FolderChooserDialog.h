// The address book folder chooser: the folder tree that action 16 read, OK only on a contacts
// folder, and (for an export) a button that creates a contacts folder below the selected one.
// It works on the store's chooser state (folderPath, folderContactCount, newFolderCreated,
// createCancelled), which the caller reads after finished(): Accepted is OK, Rejected Cancel.
#pragma once

#include <QDialog>

class QTreeWidget;
class QTreeWidgetItem;
class QToolButton;

namespace korvi {
class Toutlook;
struct OutlookFolderNode;
}  // namespace korvi

namespace korvi::ui {

class FolderChooserDialog final : public QDialog {
    Q_OBJECT

public:
    // The store's showCreateButton decides whether the create button is offered.
    FolderChooserDialog(Toutlook& store, QWidget* parent = nullptr);

    QTreeWidget* tree() const { return m_tree; }
    QToolButton* okButton() const { return m_ok; }
    QToolButton* cancelButton() const { return m_cancel; }
    QToolButton* createButton() const { return m_create; }
    // The item that shows the folder with that FolderPath, or null.
    QTreeWidgetItem* ItemForPath(const std::string& path) const;

private:
    void Fill();
    void AddNodes(const std::vector<OutlookFolderNode>& nodes, QTreeWidgetItem* parent);
    void Clicked();
    void CreateClicked();
    void CreateNamed(const QString& name);
    const OutlookFolderNode* SelectedNode() const;

    Toutlook& m_store;
    QTreeWidget* m_tree = nullptr;
    QToolButton* m_create = nullptr;
    QToolButton* m_ok = nullptr;
    QToolButton* m_cancel = nullptr;
};

}  // namespace korvi::ui
