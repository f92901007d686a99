#include "ui/FolderChooserDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/Texts.h"
#include "stores/outlook/Toutlook.h"
#include "ui/GlyphButton.h"
#include "ui/MessageBoxes.h"
#include "ui/UiText.h"

namespace korvi::ui {

namespace {

// The node a tree item shows, kept on the item itself.
constexpr int kNodeRole = Qt::UserRole + 1;

}  // namespace

FolderChooserDialog::FolderChooserDialog(Toutlook& store, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_store(store) {
    setObjectName("FolderChooser");
    setWindowTitle(Q(Text(kTextSelectFolderCaption)));

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName("tv");
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    connect(m_tree, &QTreeWidget::itemClicked, this, &FolderChooserDialog::Clicked);
    connect(m_tree, &QTreeWidget::currentItemChanged, this, &FolderChooserDialog::Clicked);

    m_create = GlyphButton(QStyle::SP_FileDialogNewFolder, Text(kTextCreateNewFolderButton),
                           "btnCreateNewFolder", this);
    m_ok = GlyphButton(QStyle::SP_DialogOkButton, Text(kTextUseSelectedFolder), "btnOK", this);
    m_cancel =
        GlyphButton(QStyle::SP_DialogCancelButton, Text(kTextCancelButton), "btnCancel", this);
    connect(m_create, &QToolButton::clicked, this, &FolderChooserDialog::CreateClicked);
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
    Fill();
}

void FolderChooserDialog::Fill() {
    m_tree->clear();
    AddNodes(m_store.folderTree, nullptr);
    // The first store is opened, as the address book shows it.
    if (m_tree->topLevelItemCount() > 0) m_tree->topLevelItem(0)->setExpanded(true);
    m_tree->setCurrentItem(nullptr);
}

void FolderChooserDialog::AddNodes(const std::vector<OutlookFolderNode>& nodes,
                                   QTreeWidgetItem* parent) {
    const QIcon plain = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon contacts =
        QIcon::fromTheme("x-office-address-book", style()->standardIcon(QStyle::SP_DirLinkIcon));
    for (const auto& node : nodes) {
        auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
        item->setText(0, Q(node.text));
        item->setIcon(0, node.imageIndex == 1 ? contacts : plain);
        item->setData(0, kNodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(&node)));
        AddNodes(node.children, item);
    }
}

const OutlookFolderNode* FolderChooserDialog::SelectedNode() const {
    const QTreeWidgetItem* item = m_tree->currentItem();
    if (item == nullptr) return nullptr;
    return reinterpret_cast<const OutlookFolderNode*>(item->data(0, kNodeRole).value<quintptr>());
}

QTreeWidgetItem* FolderChooserDialog::ItemForPath(const std::string& path) const {
    for (QTreeWidgetItemIterator it(m_tree); *it != nullptr; ++it) {
        const auto* node =
            reinterpret_cast<const OutlookFolderNode*>((*it)->data(0, kNodeRole).value<quintptr>());
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

void FolderChooserDialog::CreateNamed(const QString& name) {
    const Result created = m_store.CreateNewFolder(SelectedNode(), S(name));
    if (created.ok()) {
        accept();
        return;
    }
    ShowMessage(this, MessageKind::kError, Q(created.text), [this] { accept(); });
}

}  // namespace korvi::ui
