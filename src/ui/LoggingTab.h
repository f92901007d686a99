// The Logging tab: open and clear the sync history, switch the detailed log, delete the
// detailed log files, open the logs folder.
#pragma once

#include <QWidget>

class QLabel;
class QToolButton;

namespace korvi::ui {

class WindowHost;

class LoggingTab final : public QWidget {
    Q_OBJECT

public:
    explicit LoggingTab(WindowHost& host, QWidget* parent = nullptr);

    // Texts of the tab; each time it is shown and after the detailed-logging switch.
    void OnShow();

    QToolButton* viewHistoryButton() const { return m_viewHistory; }
    QToolButton* clearHistoryButton() const { return m_clearHistory; }
    QToolButton* detailedLoggingButton() const { return m_detailedLogging; }
    QToolButton* deleteLogsButton() const { return m_deleteLogs; }
    QToolButton* viewLogsFolderButton() const { return m_viewLogsFolder; }
    QLabel* detailedLoggingLabel() const { return m_detailedLoggingLabel; }

private:
    void ViewSyncHistory();
    void ClearSyncHistory();
    void SwitchDetailedLogging();
    void DeleteDetailedLogfiles();
    void ViewLogfileFolder();

    WindowHost& m_host;
    QLabel* m_viewHistoryLabel = nullptr;
    QLabel* m_clearHistoryLabel = nullptr;
    QLabel* m_detailedLoggingLabel = nullptr;
    QLabel* m_deleteLogsLabel = nullptr;
    QLabel* m_viewLogsFolderLabel = nullptr;
    QToolButton* m_viewHistory = nullptr;
    QToolButton* m_clearHistory = nullptr;
    QToolButton* m_detailedLogging = nullptr;
    QToolButton* m_deleteLogs = nullptr;
    QToolButton* m_viewLogsFolder = nullptr;
};

}  // namespace korvi::ui
