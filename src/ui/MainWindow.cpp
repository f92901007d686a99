#include "ui/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QScreen>
#include <QShowEvent>
#include <QTabWidget>
#include <QToolButton>

#include "app/Log.h"
#include "app/Texts.h"
#include "app/Validation.h"
#include "flows/FlowContext.h"
#include "services/Services.h"
#include "sync/Tctrl.h"
#include "ui/AppIcon.h"
#include "ui/AutostartEntry.h"
#include "ui/ConnectionOperations.h"
#include "ui/GuiFrontEnd.h"
#include "ui/ImportExportTab.h"
#include "ui/ImportExportTabController.h"
#include "ui/LoggingTab.h"
#include "ui/MessageBoxes.h"
#include "ui/ProgressDialog.h"
#include "ui/ServicesTab.h"
#include "ui/SettingsTab.h"
#include "ui/SyncTab.h"
#include "ui/SyncTabController.h"
#include "ui/TrayIcon.h"
#include "ui/UiText.h"

namespace korvi::ui {

namespace {

// The window offers only minimising and closing: its height follows its controls.
constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::WindowTitleHint |
                                         Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                         Qt::WindowCloseButtonHint;

}  // namespace

MainWindow::MainWindow(Services& services, const StartupFlags& flags, const Clock* clock,
                       QWidget* parent)
    : QMainWindow(parent, kWindowFlags),
      m_services(services),
      m_clock(clock != nullptr ? *clock : m_systemClock),
      m_runInTray(flags.runInTray != 0),
      m_trayAvailable(TrayIcon::Available()),
      m_startHidden(flags.runInTray != 0),
      m_closing(std::make_shared<std::atomic<bool>>(false)),
      m_prompt(m_bridge, this),
      m_desktopOpener(std::make_unique<DesktopUrlOpener>(m_bridge)),
      m_urlOpener(m_desktopOpener.get()) {
    setObjectName("TMainFrm");
    setWindowIcon(AppIcon());
    SetLanguageIndex(0);
    BuildTabs();

    m_progress = new ProgressDialog(m_services.ctrl, this);
    m_autoSyncTimer.setObjectName("tmrAutoSync");
    m_autoSyncTimer.setInterval(kAutoSyncTickMs);
    m_syncController = new SyncTabController(*this, *m_syncTab, m_autoSyncTimer, m_clock, this);
    m_importExportController = new ImportExportTabController(*this, *m_importExportTab, this);
    m_connection = new ConnectionOperations(*this, *m_settingsTab, this);
    connect(m_servicesTab, &ServicesTab::LaunchUserPortalClicked, m_connection,
            &ConnectionOperations::LaunchUserPortal);
    connect(m_syncController, &SyncTabController::AutoSyncFinished, this,
            &MainWindow::ShowAutoSyncOutcome);

    m_tray = std::make_unique<TrayIcon>();
    m_tray->SetRules([this] {
        return TrayMenuRules(S(m_settingsTab->userNameBox()->text()),
                             S(m_settingsTab->pinBox()->text()), m_syncController->PartnerReady());
    });
    connect(m_tray.get(), &TrayIcon::RestoreRequested, this, &MainWindow::Restore);
    connect(m_tray.get(), &TrayIcon::ExitRequested, this, &MainWindow::ExitProgram);
    connect(m_tray.get(), &TrayIcon::SyncRequested, m_syncController,
            &SyncTabController::SyncNowFromTray);
    connect(m_tray.get(), &TrayIcon::PortalRequested, m_connection,
            &ConnectionOperations::LaunchUserPortal);

    m_services.ctrl.SetPrompt(&m_prompt);
    // Once the program is ending, no new action starts: the flow thread may still be on its
    // way out of an operation.
    m_services.AddPreStartCheck([closing = m_closing](int) {
        if (!closing->load()) return Result();
        return Result(kResultCancelled, Text(kTextActionCancelled));
    });

    ShowSettingsPage();
    LeaveBusyState();
    if (!m_services.setupWarning().empty()) {
        ShowMessage(this, MessageKind::kWarning, Q(m_services.setupWarning()));
    }
    Services::WriteStartupLines();
    LoadSettings();
    if (m_runInTray) m_tray->Add();
    if (m_settings.autoSync != 0) m_autoSyncTimer.start();
    m_formReady = true;

    // The arrangement of the original window, measured in the current font: as wide as the
    // controls want (wider on request), as high as the tallest tab.
    const QSize hint = sizeHint();
    setMinimumWidth(hint.width());
    setFixedHeight(hint.height());
    resize(hint);
}

MainWindow::~MainWindow() { Shutdown(); }

void MainWindow::BuildTabs() {
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName("PageCon");
    // Every tab caption in view: the window is at least as wide as the five of them.
    m_tabs->setUsesScrollButtons(false);
    m_settingsTab = new SettingsTab(*this);
    m_syncTab = new SyncTab;
    m_importExportTab = new ImportExportTab;
    m_servicesTab = new ServicesTab;
    m_loggingTab = new LoggingTab(*this);
    m_tabs->addTab(m_settingsTab, Q(Text(kTextSettingsTab)));
    m_tabs->addTab(m_syncTab, Q(Text(kTextSyncTab)));
    m_tabs->addTab(m_importExportTab, Q(Text(kTextImportExportTab)));
    m_tabs->addTab(m_servicesTab, Q(Text(kTextServicesTab)));
    m_tabs->addTab(m_loggingTab, Q(Text(kTextLoggingTab)));
    setCentralWidget(m_tabs);
    connect(m_tabs, &QTabWidget::currentChanged, this, &MainWindow::PageShown);

    connect(m_settingsTab, &SettingsTab::AutoStartToggled, this, &MainWindow::AutoStartToggled);
    connect(m_settingsTab, &SettingsTab::RunInTrayToggled, this, &MainWindow::RunInTrayToggled);
}

void MainWindow::LoadSettings() {
    GetFormSettingsFromRegistry(m_settings);
    m_services.Configure(m_settings);
    // Setting the two switches runs what a click on them does.
    m_settingsTab->LoadBoxes(m_settings);
}

void MainWindow::StartUp() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    if (m_startHidden && InTray()) return;
    show();
}

bool MainWindow::InTray() const { return m_runInTray && m_trayAvailable; }

void MainWindow::SetUrlOpener(UrlOpener* opener) {
    m_urlOpener = opener != nullptr ? opener : m_desktopOpener.get();
}

void MainWindow::Shutdown() {
    if (m_shutDown) return;
    m_shutDown = true;
    m_closing->store(true);
    m_autoSyncTimer.stop();
    // Nobody will read the result of an action still running, and its body must stop before
    // the modules it uses go.
    if (m_services.ctrl.busy() != 0) m_services.ctrl.CancelAction();
    m_bridge.Shutdown();
    m_flows.Join();
    m_services.ctrl.Shutdown();
    m_services.ctrl.SetPrompt(nullptr);
    m_tray->Remove();
    Services::WriteShutdownLines();
}

void MainWindow::SaveSettings() {
    m_settingsTab->StoreBoxes(m_settings);
    m_settings.runInTray = m_runInTray ? 1 : 0;
    m_settings.logging = DetailedLogging() ? 1 : 0;
    if (Result saved = SaveSettingsToRegistry(m_settings); !saved.ok() && saved.text.size() >= 3) {
        ShowMessage(this, MessageKind::kError, Q(saved.text));
    }
}

bool MainWindow::RunFlow(std::function<void()> flow, std::function<void()> done) {
    if (m_shutDown) return false;
    return m_flows.Start(std::move(flow), [this, done = std::move(done)] {
        if (m_forgetExtensionsAfterFlow) {
            m_forgetExtensionsAfterFlow = false;
            m_services.pbx.extnInfoList.clear();
        }
        if (done) done();
    });
}

bool MainWindow::RunOperation(Operation operation) {
    if (m_shutDown || m_flows.running()) return false;
    m_settingsTab->StoreBoxes(m_settings);
    m_services.Configure(m_settings);
    auto frontEnd =
        std::make_shared<GuiFrontEnd>(*this, m_bridge, m_prompt, *m_progress,
                                      std::move(operation.contactType), operation.automatic);
    return RunFlow(
        [this, frontEnd, settings = m_settings, body = std::move(operation.body)] {
            flows::FlowContext ctx{m_services, *frontEnd, settings};
            if (body) body(ctx);
        },
        [frontEnd, done = std::move(operation.done)] {
            if (done) done(*frontEnd);
        });
}

void MainWindow::ForgetExtensions() {
    // While a flow runs, the list belongs to it and to the worker.
    if (m_flows.running()) {
        m_forgetExtensionsAfterFlow = true;
        return;
    }
    m_services.pbx.extnInfoList.clear();
}

std::string MainWindow::Caption() const {
    return std::string(kAppName) + " (" + Text(kTextVersion) + " " + kAppVersion + ")";
}

void MainWindow::EnterBusyState() {
    setWindowTitle(Q(Text(kTextBusy)));
    m_settingsTab->setEnabled(false);
    m_importExportTab->deleteButton()->setEnabled(false);
}

void MainWindow::LeaveBusyState() {
    setWindowTitle(Q(Caption()));
    m_settingsTab->setEnabled(true);
    m_importExportTab->deleteButton()->setEnabled(true);
}

void MainWindow::PageShown(int page) {
    switch (page) {
        case kSettingsPage:
            m_settingsTab->OnShow();
            break;
        case kSyncPage:
            m_syncController->OnShow();
            break;
        case kImportExportPage:
            m_importExportController->OnShow();
            break;
        case kServicesPage:
            m_servicesTab->OnShow(S(m_settingsTab->userNameBox()->text()),
                                  S(m_settingsTab->pinBox()->text()));
            break;
        case kLoggingPage:
            m_loggingTab->OnShow();
            break;
        default:
            break;
    }
}

void MainWindow::AutoStartToggled(bool on) {
    std::string error;
    const bool ok = on ? CreateAutostartEntry(S(QCoreApplication::applicationFilePath()), error)
                       : DeleteAutostartEntry(error);
    if (ok) return;
    WriteLog("Exception: SaveSettingsToRegistry: %s", error);
    if (error.size() >= 3) ShowMessage(this, MessageKind::kError, Q(error));
}

void MainWindow::RunInTrayToggled(bool on) {
    m_runInTray = on;
    if (on) {
        m_tray->Add();
    } else {
        m_tray->Remove();
    }
}

void MainWindow::ShowAutoSyncOutcome(const QString& failure, bool timerStopped) {
    if (failure.isEmpty() && !timerStopped) {
        m_tray->SetTip(Q(kAppName));
        return;
    }
    // The history has the whole story; the tray tells that there is one, and whether the
    // timer goes on.
    const QString reason = failure.isEmpty() ? Q("see the sync history") : failure;
    const QString text = timerStopped ? Q("Automatic sync has stopped: ") + reason +
                                            Q("\nIt runs again after the next Sync Now!")
                                      : Q("Automatic sync failed: ") + reason;
    m_tray->SetTip(Q(kAppName) + Q(" - ") + text);
    m_tray->ShowWarning(Q(kAppName), text);
}

void MainWindow::Restore() {
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::ExitProgram() {
    SaveSettings();
    Q_EMIT QuitRequested();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    SaveSettings();
    if (InTray()) {
        event->ignore();
        hide();
        return;
    }
    event->accept();
    Q_EMIT QuitRequested();
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized() || !InTray()) return;
    SaveSettings();
    // Hidden after the window manager has finished minimising; the tray brings it back.
    QMetaObject::invokeMethod(this, &QWidget::hide, Qt::QueuedConnection);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous()) ShowSettingsPage();
}

void MainWindow::ShowSettingsPage() {
    if (m_tabs->currentIndex() == kSettingsPage) {
        PageShown(kSettingsPage);  // no change signal when it already is the page
    } else {
        m_tabs->setCurrentIndex(kSettingsPage);
    }
}

}  // namespace korvi::ui
