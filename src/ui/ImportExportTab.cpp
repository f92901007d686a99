#include "ui/ImportExportTab.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/Texts.h"
#include "ui/ControlFactory.h"
#include "ui/UiText.h"

namespace korvi::ui {

namespace {

QComboBox* MakeBox(const char* name, bool editable, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(editable);
    if (editable) box->setInsertPolicy(QComboBox::NoInsert);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(20);
    return box;
}

void SetItemAvailable(QComboBox* box, int row, bool available) {
    auto* model = qobject_cast<QStandardItemModel*>(box->model());
    if (model == nullptr || row < 0 || row >= model->rowCount()) return;
    QStandardItem* item = model->item(row);
    item->setEnabled(available);
    item->setToolTip(available ? QString()
                               : Q("Not available in this version of Korvi Communicator"));
    if (!available && box->currentIndex() == row) box->setCurrentIndex(0);
}

}  // namespace

ImportExportTab::ImportExportTab(QWidget* parent) : QWidget(parent) {
    setObjectName("ImportExport");
    m_extensionsLabel = MakeBoldLabel("Contacts For:", "Label2", this);
    m_deleteLabel = MakeBoldLabel("Delete Contacts in PBX:", "Label11", this);
    m_importLabel = MakeBoldLabel("Import PBX Contacts from:", "Label7", this);
    m_exportLabel = MakeBoldLabel("Export PBX Contacts to:", "Label6", this);
    m_extensions = MakeBox("comboBoxExtnNames", true, this);
    m_importSource = MakeBox("comboBoxImportSource", false, this);
    m_importSource->addItems({"Outlook", "Gmail", "File (XML)", "CardDAV"});
    m_importSource->setCurrentIndex(0);
    m_exportDestination = MakeBox("comboBoxExportDestination", false, this);
    m_exportDestination->addItems({"Outlook", "Gmail", "File (XML)", "File (CSV)", "CardDAV"});
    m_exportDestination->setCurrentIndex(0);
    m_delete = MakeArrowButton("btnDelete", this);
    m_import = MakeArrowButton("btnImport", this);
    m_export = MakeArrowButton("btnExport", this);

    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    grid->addWidget(m_extensionsLabel, 0, 0);
    grid->addWidget(m_extensions, 0, 1);
    grid->addWidget(m_deleteLabel, 1, 0);
    grid->addWidget(m_delete, 1, 2);
    grid->addWidget(m_importLabel, 2, 0);
    grid->addWidget(m_importSource, 2, 1);
    grid->addWidget(m_import, 2, 2);
    grid->addWidget(m_exportLabel, 3, 0);
    grid->addWidget(m_exportDestination, 3, 1);
    grid->addWidget(m_export, 3, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch();

    connect(m_delete, &QToolButton::clicked, this, &ImportExportTab::DeleteClicked);
    connect(m_import, &QToolButton::clicked, this,
            [this] { Q_EMIT ImportClicked(m_importSource->currentIndex()); });
    connect(m_export, &QToolButton::clicked, this,
            [this] { Q_EMIT ExportClicked(m_exportDestination->currentIndex()); });
}

void ImportExportTab::ShowTexts() {
    m_extensionsLabel->setText(Q(Text(kTextPbxContactsFor)));
    m_deleteLabel->setText(Q(Text(kTextDeleteLabel)));
    m_importLabel->setText(Q(Text(kTextImportLabel)));
    m_exportLabel->setText(Q(Text(kTextExportLabel)));
}

void ImportExportTab::DisableControls() {
    m_extensions->setEnabled(false);
    m_delete->setEnabled(false);
    m_export->setEnabled(false);
    m_import->setEnabled(false);
}

void ImportExportTab::ShowExtensions(const std::vector<TExtnInfo>& extensions) {
    m_extensions->setEnabled(true);
    m_delete->setEnabled(true);
    m_export->setEnabled(true);
    m_import->setEnabled(true);
    const QSignalBlocker blocker(m_extensions);
    m_extensions->clear();
    for (const auto& item : ExtensionItems(extensions)) m_extensions->addItem(Q(item));
    m_extensions->setCurrentIndex(0);
}

ContactTypeChoice ImportExportTab::SelectedContactType(
    const std::vector<TExtnInfo>& extensions) const {
    return ChooseContactType(extensions, m_extensions->currentIndex(), extensionText());
}

std::string ImportExportTab::extensionText() const { return S(m_extensions->currentText()); }

void ImportExportTab::SetPartnerAvailable(int partner, bool available) {
    // The partner's item has the partner's code as its row in both boxes.
    SetItemAvailable(m_importSource, partner, available);
    SetItemAvailable(m_exportDestination, partner, available);
}

}  // namespace korvi::ui
