#include "ui/TreeChooserDialog.h"

#include <QHBoxLayout>
#include <QInputDialog>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/TextIds.h"
#include "app/Texts.h"
#include "ui/GlyphButton.h"
#include "ui/UiText.h"

namespace korvi::ui {

namespace {

// The node a tree item shows, kept on the item itself.
constexpr int kNodeRole = Qt::UserRole + 1;

}  // namespace

TreeChooserDialog::TreeChooserDialog(const char* objectName, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(objectName);
    setWindowTitle(Q(Text(kTextSelectFolderCaption)));

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName("tv");
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    connect(m_tree, &QTreeWidget::itemClicked, this, [this] { Clicked(); });
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this] { Clicked(); });

    m_create = GlyphButton(QStyle::SP_FileDialogNewFolder, Text(kTextCreateNewFolderButton),
                           "btnCreateNewFolder", this);
    m_ok = GlyphButton(QStyle::SP_DialogOkButton, Text(kTextUseSelectedFolder), "btnOK", this);
    m_cancel =
        GlyphButton(QStyle::SP_DialogCancelButton, Text(kTextCancelButton), "btnCancel", this);
    connect(m_create, &QToolButton::clicked, this, [this] { CreateClicked(); });
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
}

// The tree goes with the widget's children, after the chooser that answers its signals.
TreeChooserDialog::~TreeChooserDialog() { m_tree->disconnect(this); }

void TreeChooserDialog::Start(bool offerCreate) {
    m_ok->setEnabled(false);
    m_cancel->setEnabled(true);
    m_create->setEnabled(offerCreate);
    m_create->setVisible(offerCreate);
}

QTreeWidgetItem* TreeChooserDialog::AddItem(QTreeWidgetItem* parent, const QString& text,
                                            bool leafIcon, const void* node) {
    const QIcon plain = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon leaf =
        QIcon::fromTheme("x-office-address-book", style()->standardIcon(QStyle::SP_DirLinkIcon));
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
    item->setText(0, text);
    item->setIcon(0, leafIcon ? leaf : plain);
    item->setData(0, kNodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(node)));
    return item;
}

const void* TreeChooserDialog::NodeOf(const QTreeWidgetItem* item) {
    if (item == nullptr) return nullptr;
    return reinterpret_cast<const void*>(item->data(0, kNodeRole).value<quintptr>());
}

void TreeChooserDialog::OpenFirstLevel() {
    if (m_tree->topLevelItemCount() > 0) m_tree->topLevelItem(0)->setExpanded(true);
    m_tree->setCurrentItem(nullptr);
}

void TreeChooserDialog::CreateClicked() {
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

}  // namespace korvi::ui
