#include "ui/LoggingTab.h"

#include <filesystem>
#include <system_error>

#include <QGridLayout>
#include <QLabel>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/KorviSettings.h"
#include "app/Log.h"
#include "app/Texts.h"
#include "pbx/UrlOpener.h"
#include "ui/ControlFactory.h"
#include "ui/MessageBoxes.h"
#include "ui/UiText.h"
#include "ui/WindowHost.h"

namespace korvi::ui {

namespace {

// The confirmation caption of this tab carries a trailing blank.
constexpr char kConfirmCaption[] = "Confirm ";

std::string FileUrl(const std::filesystem::path& path) {
    return S(QUrl::fromLocalFile(Q(path.string())).toString());
}

}  // namespace

LoggingTab::LoggingTab(WindowHost& host, QWidget* parent) : QWidget(parent), m_host(host) {
    setObjectName("Logging");
    m_viewHistoryLabel = MakeBoldLabel("View Sync History:", "Label10", this);
    m_clearHistoryLabel = MakeBoldLabel("Clear Sync History:", "Label19", this);
    m_detailedLoggingLabel = MakeBoldLabel("Enable Detailed Logging:", "lblDetailedLogging", this);
    m_deleteLogsLabel = MakeBoldLabel("Delete Detailed Logfiles:", "Label21", this);
    m_viewLogsFolderLabel = MakeBoldLabel("Open Logfile Folder", "Label9", this);
    m_viewHistory = MakeArrowButton("btnViewSyncHistory", this);
    m_clearHistory = MakeArrowButton("btnClearSyncHistory", this);
    m_detailedLogging = MakeArrowButton("btnDetailedLogging", this);
    m_deleteLogs = MakeArrowButton("btnDeleteDetailedLogs", this);
    m_viewLogsFolder = MakeArrowButton("btnViewLogfileFolder", this);

    auto* grid = new QGridLayout;
    grid->setColumnStretch(2, 1);
    const std::pair<QLabel*, QToolButton*> rows[] = {
        {m_viewHistoryLabel, m_viewHistory},         {m_clearHistoryLabel, m_clearHistory},
        {m_detailedLoggingLabel, m_detailedLogging}, {m_deleteLogsLabel, m_deleteLogs},
        {m_viewLogsFolderLabel, m_viewLogsFolder},
    };
    int row = 0;
    for (const auto& [label, button] : rows) {
        grid->addWidget(label, row, 0);
        grid->addWidget(button, row, 1);
        ++row;
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch();

    connect(m_viewHistory, &QToolButton::clicked, this, &LoggingTab::ViewSyncHistory);
    connect(m_clearHistory, &QToolButton::clicked, this, &LoggingTab::ClearSyncHistory);
    connect(m_detailedLogging, &QToolButton::clicked, this, &LoggingTab::SwitchDetailedLogging);
    connect(m_deleteLogs, &QToolButton::clicked, this, &LoggingTab::DeleteDetailedLogfiles);
    connect(m_viewLogsFolder, &QToolButton::clicked, this, &LoggingTab::ViewLogfileFolder);
}

void LoggingTab::OnShow() {
    m_viewHistoryLabel->setText(Q(Text(kTextViewHistory)));
    m_clearHistoryLabel->setText(Q(Text(kTextClearHistory)));
    m_detailedLoggingLabel->setText(Q(Text(DetailedLogging() ? 101 : 100)));
    m_deleteLogsLabel->setText(Q(Text(kTextDeleteDetailedLogs)));
    m_viewLogsFolderLabel->setText(Q(Text(kTextOpenLogsFolder)));
}

void LoggingTab::ViewSyncHistory() {
    const auto file = HistoryFilePath();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec) ||
        !m_host.urlOpener().OpenUrl(FileUrl(file)).ok()) {
        ShowMessage(m_host.dialogParent(), MessageKind::kError, Q(Text(kTextHistoryNotOpened)));
    }
}

void LoggingTab::ClearSyncHistory() {
    AskOkCancel(m_host.dialogParent(), Q(kConfirmCaption), Q(Text(kTextConfirmClearHistory)),
                [](bool ok) {
                    if (!ok) return;
                    std::error_code ec;
                    // A history that is not there is already clear.
                    std::filesystem::remove(HistoryFilePath(), ec);
                });
}

void LoggingTab::SwitchDetailedLogging() {
    const bool on = !DetailedLogging();
    SetDetailedLogging(on);
    m_host.settings().logging = on ? 1 : 0;
    // Kept at once: a switch made for a fault should survive the crash it is meant to catch.
    m_host.SaveSettings();
    if (on) {
        ShowMessage(m_host.dialogParent(), MessageKind::kInformation,
                    Q(Text(kTextLogsSavedIn, {}, LogsFolder().string())));
    }
    OnShow();
}

void LoggingTab::DeleteDetailedLogfiles() {
    AskOkCancel(m_host.dialogParent(), Q(kConfirmCaption), Q(Text(kTextConfirmDeleteLogs)),
                [](bool ok) {
                    if (ok) DeleteDetailedLogs(LogsFolder());
                });
}

void LoggingTab::ViewLogfileFolder() {
    const auto folder = LogsFolder();
    std::error_code ec;
    if (folder.empty() || !std::filesystem::is_directory(folder, ec) ||
        !m_host.urlOpener().OpenUrl(FileUrl(folder)).ok()) {
        ShowMessage(m_host.dialogParent(), MessageKind::kError, Q(Text(kTextLogsFolderNotOpened)));
    }
}

}  // namespace korvi::ui
