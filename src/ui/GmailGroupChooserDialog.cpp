#include "ui/GmailGroupChooserDialog.h"

#include <algorithm>

#include <QScrollBar>
#include <QToolButton>
#include <QTreeWidget>

#include "app/Texts.h"
#include "stores/gmail/Tgmail.h"
#include "ui/MessageBoxes.h"
#include "ui/UiText.h"

namespace korvi::ui {

GmailGroupChooserDialog::GmailGroupChooserDialog(Tgmail& store, QWidget* parent)
    : TreeChooserDialog("GmailGroupChooser", parent), m_store(store) {
    // What showing the chooser resets.
    m_store.ResetChooser();
    Start(m_store.showCreateButton == 1);

    AddNode(m_store.folderTree, nullptr);
    OpenFirstLevel();
    const QFontMetrics metrics = fontMetrics();
    // Wide enough for the longest group title ("System Group: My Contacts" and the like).
    int widest = 0;
    for (QTreeWidgetItemIterator it(m_tree); *it != nullptr; ++it) {
        int depth = 1;
        for (auto* up = (*it)->parent(); up != nullptr; up = up->parent()) ++depth;
        widest = std::max(widest, depth * m_tree->indentation() + m_tree->iconSize().width() +
                                      metrics.horizontalAdvance((*it)->text(0)));
    }
    const int wanted =
        widest + metrics.averageCharWidth() * 12 + m_tree->verticalScrollBar()->sizeHint().width();
    if (width() < wanted) resize(wanted, height());
}

void GmailGroupChooserDialog::AddNode(const GmailGroupNode& node, QTreeWidgetItem* parent) {
    QTreeWidgetItem* item = AddItem(parent, Q(node.text), node.imageIndex == 1, &node);
    for (const auto& child : node.children) AddNode(child, item);
}

QTreeWidgetItem* GmailGroupChooserDialog::ItemStartingWith(const QString& text) const {
    for (QTreeWidgetItemIterator it(m_tree); *it != nullptr; ++it) {
        if ((*it)->text(0).startsWith(text)) return *it;
    }
    return nullptr;
}

void GmailGroupChooserDialog::Clicked() {
    // The root, a node without a group record, or no node: nothing to use.
    m_ok->setEnabled(
        m_store.SelectGroupNode(static_cast<const GmailGroupNode*>(NodeOf(m_tree->currentItem()))));
}

void GmailGroupChooserDialog::CreateNamed(const QString& name) {
    const std::string message = m_store.RequestNewGroup(S(name));
    if (message.empty()) {
        accept();
        return;
    }
    // The button carries OK: the chooser closes with it once the message is read.
    ShowMessage(this, MessageKind::kError, Q(message), [this] { accept(); });
}

}  // namespace korvi::ui
