// The cloud's group chooser: the account's contact groups under one root, as action 14 left them
// in the store's tree; OK only on a group, and (for an export) a button that asks the name of a
// new group. It works on the store's chooser state (folderTitle, folderID, folderContactCount,
// newFolderRequested, createCancelled), which the caller reads after finished(): Accepted is
// OK, Rejected Cancel.
#pragma once

#include "ui/TreeChooserDialog.h"

namespace korvi {
class Tgmail;
struct GmailGroupNode;
}  // namespace korvi

namespace korvi::ui {

class GmailGroupChooserDialog final : public TreeChooserDialog {
    Q_OBJECT

public:
    // The store's showCreateButton decides whether the create button is offered.
    GmailGroupChooserDialog(Tgmail& store, QWidget* parent = nullptr);

    // The item whose text begins with text (a group's title), or null.
    QTreeWidgetItem* ItemStartingWith(const QString& text) const;

private:
    void AddNode(const GmailGroupNode& node, QTreeWidgetItem* parent);
    void Clicked() override;
    void CreateNamed(const QString& name) override;

    Tgmail& m_store;
};

}  // namespace korvi::ui
