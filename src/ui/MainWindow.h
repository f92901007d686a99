// The program's one main window: five tabs, the tray icon with its menu, the auto-sync timer,
// and the user's settings while the program runs. It owns the thread on which the operations
// (flows) run and the bridge over which they ask the user, so that the GUI thread never waits.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include <QMainWindow>
#include <QTimer>

#include "app/Clock.h"
#include "app/KorviSettings.h"
#include "app/SettingsRegistry.h"
#include "ui/DesktopUrlOpener.h"
#include "ui/FlowThread.h"
#include "ui/GuiBridge.h"
#include "ui/GuiPrompt.h"
#include "ui/WindowHost.h"

class QTabWidget;

namespace korvi {
class Services;
}

namespace korvi::ui {

class ConnectionOperations;
class ImportExportTab;
class ImportExportTabController;
class LoggingTab;
class ProgressDialog;
class ServicesTab;
class SettingsTab;
class SyncTab;
class SyncTabController;
class TrayIcon;

class MainWindow final : public QMainWindow, public WindowHost {
    Q_OBJECT

public:
    // The tabs in the order of the page control.
    enum Page : int {
        kSettingsPage = 0,
        kSyncPage,
        kImportExportPage,
        kServicesPage,
        kLoggingPage
    };
    static constexpr int kAutoSyncTickMs = 60000;

    // Builds the window the way the program starts: texts, the folders' warning, the start-up
    // lines, the stored settings with the switches' effects (autostart entry, tray icon), the
    // auto-sync timer. The window is not shown yet: see StartUp(). clock: the time the timer's
    // due rule reads (null: the system's).
    MainWindow(Services& services, const StartupFlags& flags, const Clock* clock = nullptr,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Shows the window, unless it starts hidden in the tray. Without a notification area a
    // hidden window could never be reached again: it is shown then too.
    void StartUp();
    // What Exit in the tray menu does: the settings saved, then QuitRequested.
    void ExitProgram();
    // The end of the program: a running action is cancelled, waiting threads are released,
    // the flow thread and the worker are joined, the tray icon goes, the shutdown lines are
    // written. Settings are not saved here (close and Exit do that). Called once.
    void Shutdown();

    // ---- WindowHost ----
    Services& services() override { return m_services; }
    KorviSettings& settings() override { return m_settings; }
    void SaveSettings() override;
    bool RunFlow(std::function<void()> flow, std::function<void()> done = {}) override;
    bool FlowRunning() const override { return m_flows.running(); }
    bool RunOperation(Operation operation) override;
    void ForgetExtensions() override;
    UrlOpener& urlOpener() override { return *m_urlOpener; }
    QWidget* dialogParent() override { return this; }
    void EnterBusyState() override;
    void LeaveBusyState() override;
    bool formReady() const override { return m_formReady; }

    // ---- Parts, for the tests and the screenshots. ----
    QTabWidget* tabs() const { return m_tabs; }
    SettingsTab* settingsTab() const { return m_settingsTab; }
    SyncTab* syncTab() const { return m_syncTab; }
    ImportExportTab* importExportTab() const { return m_importExportTab; }
    ServicesTab* servicesTab() const { return m_servicesTab; }
    LoggingTab* loggingTab() const { return m_loggingTab; }
    TrayIcon& tray() const { return *m_tray; }
    ProgressDialog& progressDialog() const { return *m_progress; }
    GuiBridge& bridge() { return m_bridge; }
    GuiPrompt& prompt() { return m_prompt; }
    QTimer& autoSyncTimer() { return m_autoSyncTimer; }
    SyncTabController& syncController() const { return *m_syncController; }
    ConnectionOperations& connectionOperations() const { return *m_connection; }
    bool runInTray() const { return m_runInTray; }
    // The tray is in use: switched on and the desktop has a notification area.
    bool InTray() const;

    // Tests: a replacement for the desktop's URL opener, and for the tray's availability.
    void SetUrlOpener(UrlOpener* opener);
    void SetTrayAvailable(bool available) { m_trayAvailable = available; }

Q_SIGNALS:
    // Exit from the tray menu, or the window closed while not in the tray.
    void QuitRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildTabs();
    void LoadSettings();
    void PageShown(int page);
    void ShowSettingsPage();
    void AutoStartToggled(bool on);
    void RunInTrayToggled(bool on);
    void Restore();
    void ShowAutoSyncOutcome(const QString& failure, bool timerStopped);
    std::string Caption() const;

    Services& m_services;
    SystemClock m_systemClock;
    const Clock& m_clock;
    KorviSettings m_settings;
    bool m_runInTray = false;
    bool m_trayAvailable = false;
    bool m_formReady = false;
    bool m_startHidden = false;
    bool m_shutDown = false;
    bool m_forgetExtensionsAfterFlow = false;
    // Read by the pre-start check on the flow thread; shared so the check never outlives it.
    std::shared_ptr<std::atomic<bool>> m_closing;

    GuiBridge m_bridge;
    GuiPrompt m_prompt;
    FlowThread m_flows;
    std::unique_ptr<DesktopUrlOpener> m_desktopOpener;
    UrlOpener* m_urlOpener = nullptr;
    QTimer m_autoSyncTimer;

    QTabWidget* m_tabs = nullptr;
    SettingsTab* m_settingsTab = nullptr;
    SyncTab* m_syncTab = nullptr;
    ImportExportTab* m_importExportTab = nullptr;
    ServicesTab* m_servicesTab = nullptr;
    LoggingTab* m_loggingTab = nullptr;
    ProgressDialog* m_progress = nullptr;
    std::unique_ptr<TrayIcon> m_tray;
    SyncTabController* m_syncController = nullptr;
    ImportExportTabController* m_importExportController = nullptr;
    ConnectionOperations* m_connection = nullptr;
};

}  // namespace korvi::ui
