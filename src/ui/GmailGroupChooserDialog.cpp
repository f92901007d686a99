#include "ui/GmailGroupChooserDialog.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QInputDialog>
#include <QScrollBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/TextIds.h"
#include "app/Texts.h"
#include "stores/gmail/Tgmail.h"
#include "ui/GlyphButton.h"
#include "ui/MessageBoxes.h"
#include "ui/UiText.h"

namespace korvi::ui {

namespace {

// The node a tree item shows, kept on the item itself.
constexpr int kNodeRole = Qt::UserRole + 1;

const GmailGroupNode* NodeOf(const QTreeWidgetItem* item) {
    if (item == nullptr) return nullptr;
    return reinterpret_cast<const GmailGroupNode*>(item->data(0, kNodeRole).value<quintptr>());
}

}  // namespace

GmailGroupChooserDialog::GmailGroupChooserDialog(Tgmail& store, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_store(store) {
    setObjectName("GmailGroupChooser");
    setWindowTitle(Q(Text(kTextSelectFolderCaption)));

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName("tv");
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    connect(m_tree, &QTreeWidget::itemClicked, this, &GmailGroupChooserDialog::Clicked);
    connect(m_tree, &QTreeWidget::currentItemChanged, this, &GmailGroupChooserDialog::Clicked);

    m_create = GlyphButton(QStyle::SP_FileDialogNewFolder, Text(kTextCreateNewFolderButton),
                           "btnCreateNewFolder", this);
    m_ok = GlyphButton(QStyle::SP_DialogOkButton, Text(kTextUseSelectedFolder), "btnOK", this);
    m_cancel =
        GlyphButton(QStyle::SP_DialogCancelButton, Text(kTextCancelButton), "btnCancel", this);
    connect(m_create, &QToolButton::clicked, this, &GmailGroupChooserDialog::CreateClicked);
    connect(m_ok, &QToolButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QToolButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_create);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tree, 1);
    layout->addLayout(buttons);

    const QFontMetrics metrics = fontMetrics();
    resize(metrics.averageCharWidth() * 40, metrics.height() * 22);

    // What showing the chooser resets.
    m_store.ResetChooser();
    m_ok->setEnabled(false);
    m_cancel->setEnabled(true);
    const bool offerCreate = m_store.showCreateButton == 1;
    m_create->setEnabled(offerCreate);
    m_create->setVisible(offerCreate);

    AddNode(m_store.folderTree, nullptr);
    if (m_tree->topLevelItemCount() > 0) m_tree->topLevelItem(0)->setExpanded(true);
    m_tree->setCurrentItem(nullptr);
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
    const QIcon root = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon group =
        QIcon::fromTheme("x-office-address-book", style()->standardIcon(QStyle::SP_DirLinkIcon));
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
    item->setText(0, Q(node.text));
    item->setIcon(0, node.imageIndex == 1 ? group : root);
    item->setData(0, kNodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(&node)));
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
    m_ok->setEnabled(m_store.SelectGroupNode(NodeOf(m_tree->currentItem())));
}

void GmailGroupChooserDialog::CreateClicked() {
    auto* input = new QInputDialog(this);
    input->setObjectName("newFolderName");
    input->setAttribute(Qt::WA_DeleteOnClose);
    input->setWindowTitle(Q(Text(kTextNewFolderName)));
    input->setLabelText(Q(Text(kTextNewFolderCaption)));
    input->setTextValue({});
    connect(input, &QInputDialog::finished, this, [this, input](int result) {
        // A dismissed input box gives an empty name, as an empty text does.
        CreateNamed(result == QDialog::Accepted ? input->textValue() : QString());
    });
    input->open();
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
