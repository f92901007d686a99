#include "ui/FolderChooserDialog.h"

#include <QToolButton>
#include <QTreeWidget>

#include "app/Texts.h"
#include "stores/outlook/Toutlook.h"
#include "ui/MessageBoxes.h"
#include "ui/UiText.h"

namespace korvi::ui {

FolderChooserDialog::FolderChooserDialog(Toutlook& store, QWidget* parent)
    : TreeChooserDialog("FolderChooser", parent), m_store(store) {
    // What showing the chooser resets.
    m_store.ResetChooser();
    Start(m_store.showCreateButton == 1);
    Fill();
}

void FolderChooserDialog::Fill() {
    m_tree->clear();
    AddNodes(m_store.folderTree, nullptr);
    // The first store is opened, as the address book shows it.
    OpenFirstLevel();
}

void FolderChooserDialog::AddNodes(const std::vector<OutlookFolderNode>& nodes,
                                   QTreeWidgetItem* parent) {
    for (const auto& node : nodes)
        AddNodes(node.children, AddItem(parent, Q(node.text), node.imageIndex == 1, &node));
}

const OutlookFolderNode* FolderChooserDialog::SelectedNode() const {
    return static_cast<const OutlookFolderNode*>(NodeOf(m_tree->currentItem()));
}

QTreeWidgetItem* FolderChooserDialog::ItemForPath(const std::string& path) const {
    for (QTreeWidgetItemIterator it(m_tree); *it != nullptr; ++it) {
        const auto* node = static_cast<const OutlookFolderNode*>(NodeOf(*it));
        if (node != nullptr && node->info.path == path) return *it;
    }
    return nullptr;
}

void FolderChooserDialog::Clicked() {
    const OutlookFolderNode* node = SelectedNode();
    if (node == nullptr) return;
    m_store.SelectFolderNode(node);
    m_ok->setEnabled(node->info.defaultItemType == outlook::olContactItem);
}

void FolderChooserDialog::CreateClicked() {
    const OutlookFolderNode* selected = SelectedNode();
    if (selected == nullptr) {
        // Without a node the store only clears folderPath and names the missing choice.
        if (Result created = m_store.CreateNewFolder(nullptr, {}); !created.ok()) {
            ShowMessage(this, MessageKind::kError, Q(created.text), [this] { accept(); });
        }
        return;
    }
    TreeChooserDialog::CreateClicked();
}

void FolderChooserDialog::CreateNamed(const QString& name) {
    const Result created = m_store.CreateNewFolder(SelectedNode(), S(name));
    if (created.ok()) {
        accept();
        return;
    }
    ShowMessage(this, MessageKind::kError, Q(created.text), [this] { accept(); });
}

}  // namespace korvi::ui
