#include "ui/SettingsTab.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/KorviSettings.h"
#include "app/Texts.h"
#include "ui/ControlFactory.h"
#include "ui/UiText.h"
#include "ui/WindowHost.h"

namespace korvi::ui {

namespace {

constexpr int kPinMaxLength = 20;

QLineEdit* MakeBox(const char* name, int widthInChars, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    if (widthInChars > 0) {
        box->setMinimumWidth(box->fontMetrics().averageCharWidth() * widthInChars);
    }
    return box;
}

}  // namespace

SettingsTab::SettingsTab(WindowHost& host, QWidget* parent) : QWidget(parent), m_host(host) {
    setObjectName("Settings");
    // Design texts; OnShow puts the table's texts in.
    m_hostSettings = MakeBoldLabel("Host Settings", "Label12", this);
    m_urlLabel = MakeLabel("PBX URL:", "Label1", this);
    m_portLabel = MakeLabel("Port:", "Label20", this);
    m_timeoutLabel = MakeLabel("Timeout (secs):", "Label3", this);
    m_userNameLabel = MakeLabel("User Name:", "Label4", this);
    m_pinLabel = MakeLabel("Password:", "Label5", this);
    m_startup = MakeBoldLabel("Startup", "Label23", this);

    m_url = MakeBox("ebUrl", 30, this);
    m_port = MakeBox("ebPort", 10, this);
    m_port->setMaximumWidth(m_port->minimumWidth());
    m_port->setText("5002");
    m_timeout = MakeBox("ebConnTimeout", 10, this);
    m_timeout->setMaximumWidth(m_timeout->minimumWidth());
    m_timeout->setText("60");
    m_userName = MakeBox("ebUsername", 20, this);
    m_userName->setText("install");
    m_pin = MakeBox("ebPin", 20, this);
    m_pin->setEchoMode(QLineEdit::Password);
    m_pin->setMaxLength(kPinMaxLength);
    m_findServer =
        MakeBrowseButton("btnFindServer", "Click to Browse for PBX to connect to.", this);
    m_checkService = new QPushButton(Q("Check Service"), this);
    m_checkService->setObjectName("btnCheckService");
    m_autoStart =
        MakeLeftTextCheckBox("Start Application automatically on Startup:", "cbAutoStart", this);
    m_runInTray = MakeLeftTextCheckBox("Run Application in Windows Tray:", "cbRunInTray", this);

    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    int row = 0;
    grid->addWidget(m_hostSettings, row++, 0, 1, 3);
    auto addRow = [&](QLabel* label, QWidget* box, QWidget* extra = nullptr) {
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row, 1);
        if (extra != nullptr) grid->addWidget(extra, row, 2);
        ++row;
    };
    addRow(m_urlLabel, m_url, m_findServer);
    // The two numbers keep their own short boxes.
    grid->addWidget(m_portLabel, row, 0);
    grid->addWidget(m_port, row++, 1, Qt::AlignLeft);
    grid->addWidget(m_timeoutLabel, row, 0);
    grid->addWidget(m_timeout, row++, 1, Qt::AlignLeft);
    addRow(m_userNameLabel, m_userName);
    addRow(m_pinLabel, m_pin);
    auto* check = new QHBoxLayout;
    check->addStretch();
    check->addWidget(m_checkService);
    grid->addLayout(check, row++, 1, 1, 2);
    grid->addWidget(m_startup, row++, 0, 1, 3);
    grid->addWidget(m_autoStart, row++, 0, 1, 2, Qt::AlignLeft);
    grid->addWidget(m_runInTray, row++, 0, 1, 2, Qt::AlignLeft);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch();

    connect(m_findServer, &QToolButton::clicked, this, &SettingsTab::FindServerClicked);
    connect(m_checkService, &QPushButton::clicked, this, &SettingsTab::CheckServiceClicked);
    connect(m_autoStart, &QCheckBox::toggled, this, &SettingsTab::AutoStartToggled);
    connect(m_runInTray, &QCheckBox::toggled, this, &SettingsTab::RunInTrayToggled);
    connect(m_userName, &QLineEdit::textChanged, this, &SettingsTab::UserNameEdited);
    connect(m_userName, &QLineEdit::textChanged, this, &SettingsTab::CredentialsEdited);
    connect(m_pin, &QLineEdit::textChanged, this, &SettingsTab::CredentialsEdited);
}

void SettingsTab::OnShow() {
    m_hostSettings->setText(Q(Text(kTextHostSettings)));
    m_urlLabel->setText(Q(Text(kTextPbxUrlLabel)));
    m_findServer->setToolTip(Q(Text(kTextFindServerHint)));
    m_portLabel->setText(Q(Text(kTextPortLabel)));
    m_timeoutLabel->setText(Q(Text(kTextTimeoutLabel)));
    m_userNameLabel->setText(Q(Text(kTextUserNameLabel)));
    m_pinLabel->setText(Q(Text(kTextPasswordLabel)));
    m_checkService->setText(Q(Text(kTextCheckServiceButton)));
    m_startup->setText(Q(Text(kTextStartupLabel)));
    m_autoStart->setText(Q(Text(kTextAutoStartLabel)));
    m_runInTray->setText(Q(Text(kTextRunInTrayLabel)));
}

void SettingsTab::LoadBoxes(const KorviSettings& settings) {
    m_url->setText(Q(settings.pbxUrl));
    m_port->setText(Q(settings.pbxPort));
    m_userName->setText(Q(settings.userName));
    m_pin->setText(Q(settings.pin));
    m_timeout->setText(Q(settings.connTimeout));
    m_autoStart->setChecked(settings.autoStart != 0);
    m_runInTray->setChecked(settings.runInTray != 0);
}

void SettingsTab::StoreBoxes(KorviSettings& settings) const {
    settings.pbxUrl = S(m_url->text());
    settings.pbxPort = S(m_port->text());
    settings.userName = S(m_userName->text());
    settings.pin = S(m_pin->text());
    settings.connTimeout = S(m_timeout->text());
    settings.autoStart = m_autoStart->isChecked() ? 1 : 0;
}

void SettingsTab::UserNameEdited() {
    // The next tab that needs the extensions fetches them again for the new user.
    if (m_host.formReady()) m_host.ForgetExtensions();
}

}  // namespace korvi::ui
