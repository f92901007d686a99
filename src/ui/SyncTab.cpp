#include "ui/SyncTab.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/KorviSettings.h"
#include "app/Texts.h"
#include "net/UrlText.h"
#include "stores/outlook/Toutlook.h"
#include "sync/Tctrl.h"
#include "ui/ControlFactory.h"
#include "ui/ExtensionChoice.h"
#include "ui/UiText.h"

namespace korvi::ui {

namespace {

// Below this address book version only the default contacts folder can be synced.
constexpr int kFirstVersionWithFolders = 4;

QComboBox* MakeList(const char* name, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(false);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(24);
    return box;
}

void SetItems(QComboBox* box, const std::vector<std::string>& items) {
    const QSignalBlocker blocker(box);
    box->clear();
    for (const auto& item : items) box->addItem(Q(item));
}

void Select(QComboBox* box, int index) {
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

}  // namespace

SyncTab::SyncTab(QWidget* parent) : QWidget(parent) {
    setObjectName("Sync");
    m_heading = MakeBoldLabel("SYNC Settings", "Label13", this);
    m_extensionsLabel = MakeLabel("PBX Contacts For:", "Label22", this);
    m_partnerCaption = MakeLabel("Sync with:", "Label8", this);
    m_partnerLabel = MakeLabel("Outlook Folder:", "lblPartner", this);
    m_directionLabel = MakeLabel("Sync Direction:", "Label15", this);
    m_conflictLabel = MakeLabel("Conflict Resolution:", "Label16", this);
    m_autoSyncLabel = MakeLabel("Auto Sync:", "Label17", this);
    m_intervalLabel = MakeLabel("Interval:", "Label18", this);

    m_extensions = MakeList("comboBoxSyncExtnNames", this);
    m_partner = MakeList("comboBoxSyncPartner", this);
    m_partner->addItems({"Outlook", "Gmail"});
    m_account = new QLineEdit(this);
    m_account->setObjectName("ebSyncAccount");
    m_account->setReadOnly(true);
    m_changeAccount = MakeBrowseButton("btnChangeSyncAccount",
                                       "Click to Browse for Outlook folder to Sync with.", this);
    m_direction = MakeList("comboBoxSyncDir", this);
    m_conflict = MakeList("comboBoxConflictRes", this);
    m_autoSync = MakeList("comboBoxAutoSync", this);
    m_autoSync->addItems({"Disabled", "Enabled"});
    m_interval = MakeList("comboBoxSyncInterval", this);
    m_interval->addItems({"Every Hour", "Every Day", "Every Week"});
    m_sync = new QPushButton(Q("Sync Now!"), this);
    m_sync->setObjectName("btnSync");
    QFont bold = m_sync->font();
    bold.setBold(true);
    m_sync->setFont(bold);

    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    int row = 0;
    grid->addWidget(m_heading, row++, 0, 1, 3);
    auto addRow = [&](QLabel* label, QWidget* control, QWidget* extra = nullptr) {
        grid->addWidget(label, row, 0);
        grid->addWidget(control, row, 1);
        if (extra != nullptr) grid->addWidget(extra, row, 2);
        ++row;
    };
    addRow(m_extensionsLabel, m_extensions);
    addRow(m_partnerCaption, m_partner);
    addRow(m_partnerLabel, m_account, m_changeAccount);
    addRow(m_directionLabel, m_direction);
    addRow(m_conflictLabel, m_conflict);
    addRow(m_autoSyncLabel, m_autoSync);
    addRow(m_intervalLabel, m_interval);
    auto* syncRow = new QHBoxLayout;
    syncRow->addStretch();
    syncRow->addWidget(m_sync);
    grid->addLayout(syncRow, row++, 1, 1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch();

    // activated: only the user's choices, never the window's own filling of the boxes.
    connect(m_partner, &QComboBox::activated, this, &SyncTab::PartnerChosen);
    connect(m_direction, &QComboBox::activated, this, &SyncTab::DirectionChosen);
    connect(m_conflict, &QComboBox::activated, this, &SyncTab::ConflictChosen);
    connect(m_interval, &QComboBox::activated, this, &SyncTab::IntervalChosen);
    connect(m_autoSync, &QComboBox::activated, this, &SyncTab::AutoSyncChosen);
    connect(m_changeAccount, &QToolButton::clicked, this, &SyncTab::ChangeAccountClicked);
    connect(m_sync, &QPushButton::clicked, this, &SyncTab::SyncClicked);
}

void SyncTab::ShowTexts() {
    m_heading->setText(Q(Text(kTextSyncSettings)));
    m_extensionsLabel->setText(Q(Text(kTextPbxContactsFor)));
    m_partnerCaption->setText(Q(Text(kTextSyncWithLabel)));
    m_directionLabel->setText(Q(Text(kTextSyncDirectionLabel)));
    m_conflictLabel->setText(Q(Text(kTextConflictLabel)));
    m_autoSyncLabel->setText(Q(Text(kTextAutoSyncLabel)));
    m_intervalLabel->setText(Q(Text(kTextIntervalLabel)));
    m_sync->setText(Q(Text(kTextSyncNow)));
    const int autoSync = m_autoSync->currentIndex();
    SetItems(m_autoSync, {Text(kTextDisabled), Text(kTextEnabled)});
    Select(m_autoSync, autoSync);
    const int interval = m_interval->currentIndex();
    SetItems(m_interval, {Text(kTextEveryHour), Text(kTextEveryDay), Text(kTextEveryWeek)});
    Select(m_interval, interval);
}

void SyncTab::DisableControls() {
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_extensions, m_partner, m_account, m_changeAccount,
                                         m_direction, m_conflict, m_autoSync, m_interval, m_sync}) {
        w->setEnabled(false);
    }
}

void SyncTab::ShowSettings(const std::vector<TExtnInfo>& extensions, const KorviSettings& settings,
                           int outlookVersionCode, bool partnerReady) {
    SetItems(m_extensions, ExtensionItems(extensions));
    const bool autoSync = settings.autoSync != 0;
    if (autoSync) {
        int item = 0;
        if (settings.syncContactType != kContactTypeCentral && extensions.size() >= 2) {
            // The stored device id names the extension; its place in the list may differ.
            item = ItemOfContactType(extensions, settings.syncContactType);
        }
        Select(m_extensions, item);
    } else {
        Select(m_extensions, 0);
    }
    m_extensions->setEnabled(!autoSync);

    Select(m_partner, settings.syncPartner);
    m_partner->setEnabled(!autoSync);
    UpdateFormForSyncPartner(settings, outlookVersionCode, partnerReady);

    m_autoSync->setEnabled(true);
    Select(m_autoSync, settings.autoSync);
    Select(m_interval, settings.autoSyncInterval);
    m_interval->setEnabled(!autoSync);
}

void SyncTab::UpdateFormForSyncPartner(const KorviSettings& settings, int outlookVersionCode,
                                       bool partnerReady) {
    const bool autoSync = settings.autoSync != 0;
    // The partner box's items are the registered partners' names, at their codes.
    const std::string partner =
        settings.syncPartner >= 0 && settings.syncPartner < m_partner->count()
            ? S(m_partner->itemText(settings.syncPartner))
            : PartnerName(settings.syncPartner);
    m_partnerLabel->setText(Q(Text(kTextPartnerFolderLabel, partner)));
    if (settings.syncPartner == ePartner_Gmail) {
        m_account->setText(Q(settings.syncGmailFolderTitle));
        m_account->setEnabled(!autoSync);
        m_changeAccount->setEnabled(!autoSync);
        if (!autoSync) m_changeAccount->setToolTip(Q(Text(kTextGmailFolderHint)));
    } else if (settings.syncPartner == ePartner_CardDav) {
        // The address book's address (never a password written into it), and the button to
        // the account dialog.
        m_account->setText(Q(net::UrlForMessages(settings.cardDavUrl)));
        m_account->setEnabled(!autoSync);
        m_changeAccount->setEnabled(!autoSync);
        if (!autoSync)
            m_changeAccount->setToolTip(Q("Choose the CardDAV account and address book"));
    } else {
        m_account->setText(Q(settings.syncOutlookFolder));
        if (autoSync) {
            m_account->setEnabled(false);
            m_changeAccount->setEnabled(false);
        } else if (outlookVersionCode < kFirstVersionWithFolders) {
            m_account->setText(Q(kDefaultContactsPath));
            m_account->setEnabled(false);
            m_changeAccount->setEnabled(false);
        } else {
            m_account->setEnabled(true);
            m_changeAccount->setEnabled(true);
            m_changeAccount->setToolTip(Q(Text(kTextOutlookFolderHint)));
        }
    }

    std::vector<std::string> directions;
    for (int id = 36; id <= 40; ++id) directions.push_back(Text(id, partner));
    SetItems(m_direction, directions);
    Select(m_direction, settings.syncDir);
    m_direction->setEnabled(!autoSync);

    SetItems(m_conflict,
             {Text(kTextConflictPbxWins, partner), Text(kTextConflictPartnerWins, partner)});
    Select(m_conflict, settings.conflictRes);
    m_conflict->setEnabled(!autoSync && settings.syncDir == eSyncDir_Both);

    m_sync->setEnabled(partnerReady);
}

void SyncTab::ShowAutoSyncEnabled() {
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_extensions, m_partner, m_account, m_changeAccount,
                                         m_direction, m_conflict, m_interval}) {
        w->setEnabled(false);
    }
}

void SyncTab::ShowAutoSyncDisabled(const KorviSettings& settings, int outlookVersionCode) {
    m_extensions->setEnabled(true);
    const bool folderChoice =
        settings.syncPartner != ePartner_Outlook || outlookVersionCode >= kFirstVersionWithFolders;
    m_account->setEnabled(folderChoice);
    m_changeAccount->setEnabled(folderChoice);
    m_partner->setEnabled(true);
    m_direction->setEnabled(true);
    m_conflict->setEnabled(true);
    m_interval->setEnabled(true);
}

void SyncTab::TakeSyncSelection(const std::vector<TExtnInfo>& extensions,
                                KorviSettings& settings) const {
    if (extensions.empty()) return;
    const auto choice =
        ChooseContactType(extensions, m_extensions->currentIndex(), S(m_extensions->currentText()));
    settings.syncContactType = choice.contactType;
    settings.syncContactTypeName = choice.name;
}

void SyncTab::SetPartners(const std::vector<PartnerItem>& partners) {
    const QSignalBlocker blocker(m_partner);
    const int current = m_partner->currentIndex();
    m_partner->clear();
    for (const auto& partner : partners) m_partner->addItem(Q(partner.name));
    auto* model = qobject_cast<QStandardItemModel*>(m_partner->model());
    for (int row = 0; model != nullptr && row < model->rowCount(); ++row) {
        QStandardItem* item = model->item(row);
        const bool available = partners[static_cast<std::size_t>(row)].available;
        item->setEnabled(available);
        item->setToolTip(available ? QString()
                                   : Q("Not available in this version of Korvi Communicator"));
    }
    m_partner->setCurrentIndex(current >= 0 && current < m_partner->count() ? current : 0);
}

}  // namespace korvi::ui
