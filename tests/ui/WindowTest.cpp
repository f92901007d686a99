// The main window with the real services: start-up, captions and busy state, the tray menu's
// rules, what close, minimise and Exit keep, the autostart entry, the end of the program with
// an action still running, the Logging tab, and the rules of the extension boxes.
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include "UiTestSupport.h"
#include "app/AppPaths.h"
#include "app/KorviSettings.h"
#include "app/Log.h"
#include "app/SettingsRegistry.h"
#include "app/Validation.h"
#include "common/TestEnv.h"
#include "pbx/UrlOpener.h"
#include "services/Services.h"
#include "sync/MemoryPartnerStore.h"
#include "ui/AutostartEntry.h"
#include "ui/ExtensionChoice.h"
#include "ui/ImportExportTab.h"
#include "ui/LoggingTab.h"
#include "ui/MainWindow.h"
#include "ui/ServicesTab.h"
#include "ui/SettingsTab.h"
#include "ui/TrayIcon.h"

using namespace std::chrono_literals;
using korvi::test::WaitFor;
using korvi::test::WaitForModal;
using korvi::ui::MainWindow;

namespace {

class RecordingOpener final : public korvi::UrlOpener {
public:
    korvi::Result OpenUrl(const std::string& url) override {
        urls.push_back(url);
        return {};
    }
    std::vector<std::string> urls;
};

// Settings of these tests: the PBX address is a closed loopback port, so that an operation
// that reaches for the PBX fails at once and nothing leaves this machine.
korvi::KorviSettings LoopbackSettings() {
    korvi::KorviSettings s;
    s.pbxUrl = "http://127.0.0.1";
    s.pbxPort = "1";
    return s;
}

korvi::KorviSettings StoredSettings() {
    korvi::KorviSettings s;
    korvi::GetAllSettingsFromRegistry(s);
    return s;
}

void StoreSettings(const korvi::KorviSettings& s) {
    const korvi::Result saved = korvi::SaveSettingsToRegistry(s);
    QVERIFY2(saved.ok(), saved.text.c_str());
}

// The stored start-up flags; settings are made first where there are none, with the loopback
// address.
korvi::StartupFlags StartupFlagsOfLoopbackSettings() {
    if (!std::filesystem::exists(korvi::SettingsFilePath())) StoreSettings(LoopbackSettings());
    return korvi::GetStartupFlagsFromRegistry();
}

// One program's objects, in the order main() makes them.
struct Program {
    explicit Program(korvi::StartupFlags flags = StartupFlagsOfLoopbackSettings())
        : window(services, flags) {
        window.SetUrlOpener(&opener);
    }
    korvi::Services services;
    MainWindow window;
    RecordingOpener opener;
};

std::string History() { return korvi::test::ReadFile(korvi::HistoryFilePath()); }

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { korvi::test::QuietOffscreenWarnings(); }

    void init() {
        m_home = korvi::test::FreshHome("window");
        korvi::SetDetailedLogging(false);
    }

    void startUp_captionsTextsAndTheSettingsPage() {
        Program p;
        p.window.StartUp();
        QVERIFY(p.window.isVisible());
        QCOMPARE(p.window.windowTitle(), QString("Korvi Communicator (Version: 1.1.17)"));
        const QStringList captions = {"Settings", "Sync Contacts", "Import / Export Contacts",
                                      "Services", "Logging"};
        QCOMPARE(p.window.tabs()->count(), 5);
        for (int i = 0; i < 5; ++i) QCOMPARE(p.window.tabs()->tabText(i), captions[i]);
        QCOMPARE(p.window.tabs()->currentIndex(), int(MainWindow::kSettingsPage));
        auto* settings = p.window.settingsTab();
        QCOMPARE(settings->autoStartBox()->text(),
                 QString("Start Application Automatically on Startup"));
        QCOMPARE(settings->runInTrayBox()->text(), QString("Run Application In Windows Tray"));
        QCOMPARE(settings->urlBox()->text(), QString("http://127.0.0.1"));
        QCOMPARE(settings->timeoutBox()->text(), QString("30"));
        QCOMPARE(settings->findServerButton()->toolTip(),
                 QString("Click to Browse for PBX to connect to."));
        const auto& tray = p.window.tray();
        QCOMPARE(tray.restoreAction()->text(), QString("Open"));
        QCOMPARE(tray.syncAction()->text(), QString("Sync Now!"));
        QCOMPARE(tray.portalAction()->text(), QString("Launch User Portal"));
        QCOMPARE(tray.exitAction()->text(), QString("Exit"));
        QCOMPARE(tray.tip(), QString("Korvi Communicator"));
        QVERIFY(History().find("Communicator Started - Version: 1.1.17") != std::string::npos);
        QVERIFY(!p.window.autoSyncTimer().isActive());
    }

    void startUp_storedAutoSyncStartsTheTimer() {
        korvi::KorviSettings s = LoopbackSettings();
        s.autoSync = 1;
        StoreSettings(s);
        Program p;
        QVERIFY(p.window.autoSyncTimer().isActive());
        QCOMPARE(p.window.autoSyncTimer().interval(), 60000);
    }

    void busyState_captionAndTheControlsItTurnsOff() {
        Program p;
        p.window.EnterBusyState();
        QCOMPARE(p.window.windowTitle(), QString("Busy. Please wait...."));
        QVERIFY(!p.window.settingsTab()->isEnabled());
        QVERIFY(!p.window.importExportTab()->deleteButton()->isEnabled());
        p.window.LeaveBusyState();
        QCOMPARE(p.window.windowTitle(), QString("Korvi Communicator (Version: 1.1.17)"));
        QVERIFY(p.window.settingsTab()->isEnabled());
        QVERIFY(p.window.importExportTab()->deleteButton()->isEnabled());
    }

    void startUp_hiddenInTheTrayOnlyWhereThereIsATray_data() {
        QTest::addColumn<bool>("trayAvailable");
        QTest::addColumn<bool>("visible");
        QTest::newRow("tray -> hidden, icon shown") << true << false;
        QTest::newRow("no tray -> window shown") << false << true;
    }

    void startUp_hiddenInTheTrayOnlyWhereThereIsATray() {
        QFETCH(bool, trayAvailable);
        QFETCH(bool, visible);
        korvi::KorviSettings s = LoopbackSettings();
        s.runInTray = 1;
        StoreSettings(s);
        korvi::StartupFlags flags = korvi::GetStartupFlagsFromRegistry();
        QCOMPARE(flags.runInTray, 1);
        Program p(flags);
        p.window.SetTrayAvailable(trayAvailable);
        p.window.StartUp();
        QCOMPARE(p.window.isVisible(), visible);
        QVERIFY(p.window.tray().added());
        // A double click on the icon (the menu's Open does the same) brings the window.
        Q_EMIT p.window.tray().RestoreRequested();
        QVERIFY(p.window.isVisible());
    }

    void trayMenu_enableRules_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("pin");
        QTest::addColumn<int>("partner");
        QTest::addColumn<QString>("cloudAccount");
        QTest::addColumn<bool>("sync");
        QTest::addColumn<bool>("portal");
        QTest::newRow("own user -> both") << "anna"
                                          << "4711" << 0 << "" << true << true;
        QTest::newRow("installer -> none") << "install"
                                           << "4711" << 0 << "" << false << false;
        QTest::newRow("Installer any case -> none") << "InStAlL"
                                                    << "4711" << 0 << "" << false << false;
        QTest::newRow("empty PIN -> none") << "anna"
                                           << "" << 0 << "" << false << false;
        QTest::newRow("empty user -> none") << ""
                                            << "4711" << 0 << "" << false << false;
        QTest::newRow("cloud account invalid -> portal only")
            << "anna"
            << "4711" << 1 << "@gmail.com" << false << true;
        QTest::newRow("cloud account valid -> both")
            << "anna"
            << "4711" << 1 << "anna.berg@gmail.com" << true << true;
        QTest::newRow("partner not in this build -> portal only")
            << "anna"
            << "4711" << 7 << "" << false << true;
    }

    void trayMenu_enableRules() {
        QFETCH(QString, user);
        QFETCH(QString, pin);
        QFETCH(int, partner);
        QFETCH(QString, cloudAccount);
        QFETCH(bool, sync);
        QFETCH(bool, portal);
        Program p;
        // A cloud partner whose readiness is its account's form, as the cloud store has it.
        if (p.services.partners.Find(korvi::ePartner_Gmail) == nullptr) {
            korvi::Partner cloud;
            cloud.code = korvi::ePartner_Gmail;
            cloud.name = "Gmail";
            cloud.isSyncReady = [](const korvi::KorviSettings& s) {
                return korvi::ValidateGmailAccount(s.gmailAccName).ok() &&
                       korvi::ValidateGmailPassword(s.gmailAccPwd).ok();
            };
            p.services.partners.Register(std::move(cloud),
                                         std::make_unique<korvi::MemoryPartnerStore>());
        }
        p.window.settingsTab()->userNameBox()->setText(user);
        p.window.settingsTab()->pinBox()->setText(pin);
        p.window.settings().syncPartner = partner;
        p.window.settings().gmailAccName = cloudAccount.toStdString();
        p.window.settings().gmailAccPwd = "long enough";
        auto& tray = p.window.tray();
        Q_EMIT tray.menu()->aboutToShow();  // what the right click does before the menu shows
        QCOMPARE(tray.syncAction()->isEnabled(), sync);
        QCOMPARE(tray.portalAction()->isEnabled(), portal);
        QVERIFY(tray.restoreAction()->isEnabled());
        QVERIFY(tray.exitAction()->isEnabled());

        p.window.tabs()->setCurrentIndex(MainWindow::kServicesPage);
        QCOMPARE(p.window.servicesTab()->portalButton()->isEnabled(), portal);
    }

    void settings_keptOnExitCloseAndMinimise_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("inTray");
        QTest::addColumn<bool>("quits");
        QTest::addColumn<bool>("hides");
        QTest::newRow("Exit from the tray -> quits") << "exit" << true << true << false;
        QTest::newRow("close, no tray -> quits") << "close" << false << true << true;
        QTest::newRow("close in the tray -> hides, runs on") << "close" << true << false << true;
        QTest::newRow("minimise in the tray -> hides") << "minimise" << true << false << true;
        QTest::newRow("minimise, no tray -> stays") << "minimise" << false << false << false;
    }

    void settings_keptOnExitCloseAndMinimise() {
        QFETCH(QString, how);
        QFETCH(bool, inTray);
        QFETCH(bool, quits);
        QFETCH(bool, hides);
        Program p;
        p.window.SetTrayAvailable(true);
        p.window.StartUp();
        if (inTray) p.window.settingsTab()->runInTrayBox()->setChecked(true);
        QSignalSpy quit(&p.window, &MainWindow::QuitRequested);
        p.window.settingsTab()->urlBox()->setText("http://pbx.example.test");
        p.window.settingsTab()->userNameBox()->setText("anna");
        p.window.settingsTab()->pinBox()->setText("4711");

        if (how == "exit") {
            p.window.tray().exitAction()->trigger();
        } else if (how == "close") {
            p.window.close();
        } else {
            p.window.showMinimized();
        }
        QTest::qWait(20);  // a minimised window hides once the minimising has finished

        const auto stored = StoredSettings();
        if (how == "minimise" && !inTray) {
            // Minimising outside the tray is the window manager's business: nothing saved.
            QCOMPARE(stored.pbxUrl, std::string("http://127.0.0.1"));
        } else {
            QCOMPARE(stored.pbxUrl, std::string("http://pbx.example.test"));
            QCOMPARE(stored.userName, std::string("anna"));
            QCOMPARE(stored.pin, std::string("4711"));
            QCOMPARE(stored.runInTray, inTray ? 1 : 0);
        }
        QCOMPARE(quit.count(), quits ? 1 : 0);
        QCOMPARE(p.window.isHidden(), hides);
    }

    void autostart_entryMadeWithTheProgramsPathAndRemoved() {
        Program p;
        const auto file = korvi::ui::AutostartFilePath();
        QCOMPARE(file, m_home / "config" / "autostart" / "korvi-communicator.desktop");
        QVERIFY(!std::filesystem::exists(file));

        p.window.settingsTab()->autoStartBox()->setChecked(true);
        QVERIFY(std::filesystem::exists(file));
        const std::string text = korvi::test::ReadFile(file);
        const std::string program = QCoreApplication::applicationFilePath().toStdString();
        QVERIFY(program.front() == '/');
        QVERIFY2(text.find("\nExec=" + program + "\n") != std::string::npos, text.c_str());
        if (korvi::test::ToolAvailable("desktop-file-validate")) {
            QCOMPARE(korvi::test::RunTool({"desktop-file-validate", file.string()}), 0);
        }

        p.window.SaveSettings();
        QCOMPARE(StoredSettings().autoStart, 1);
        p.window.settingsTab()->autoStartBox()->setChecked(false);
        QVERIFY(!std::filesystem::exists(file));
    }

    void autostart_storedSwitchMakesTheEntryAtStartUp() {
        korvi::KorviSettings s = LoopbackSettings();
        s.autoStart = 1;
        StoreSettings(s);
        Program p;
        QVERIFY(p.window.settingsTab()->autoStartBox()->isChecked());
        QVERIFY(std::filesystem::exists(korvi::ui::AutostartFilePath()));
    }

    void autostart_execQuotesAPathWithBlanksAndDoublesPercent() {
        const std::string text =
            korvi::ui::AutostartEntryText("/opt/My Apps/100%/korvi-communicator");
        QVERIFY2(
            text.find("\nExec=\"/opt/My Apps/100%%/korvi-communicator\"\n") != std::string::npos,
            text.c_str());
        const auto dir = korvi::test::MakeTempDir("entry");
        korvi::test::WriteFile(dir / "entry.desktop", text);
        if (korvi::test::ToolAvailable("desktop-file-validate")) {
            QCOMPARE(
                korvi::test::RunTool({"desktop-file-validate", (dir / "entry.desktop").string()}),
                0);
        }
    }

    void shutdown_cancelsAndJoinsTheRunningActionWithoutWaitingForIt() {
        Program p;
        auto& ctrl = p.services.ctrl;
        ctrl.SetWorkerSleeps(0ms, 0ms);
        // An action that only ends when told to stop, like a long transfer.
        ctrl.SetActionBody(korvi::kActGetExtnInfo, [](korvi::Tctrl& c, const korvi::StopFlag&) {
            c.SetProgress(1, 0, 1);
            c.WaitForStop(60s);
        });
        QVERIFY(p.window.RunFlow([&ctrl] {
            ctrl.action = korvi::kActGetExtnInfo;
            ctrl.SetBusy(1);
            ctrl.StartAction();
            ctrl.WaitUntilIdle();
        }));
        QVERIFY(WaitFor([&] { return ctrl.busy() == 1; }));

        QElapsedTimer timer;
        timer.start();
        p.window.Shutdown();
        QVERIFY2(timer.elapsed() < 5000, "the end waited for the action");
        QCOMPARE(ctrl.busy(), 0);
        QCOMPARE(ctrl.resultCode(), int(korvi::kResultCancelled));
        const std::string history = History();
        QVERIFY(history.find("Fail: Action cancelled") != std::string::npos);
        QVERIFY(history.find("Communicator Shutdown") != std::string::npos);
        // Nothing starts any more.
        QVERIFY(!p.window.RunFlow([] {}));
    }

    void userName_editForgetsTheExtensions() {
        Program p;
        p.services.pbx.extnInfoList = {{"101", "Front Desk", "201"}};
        p.window.settingsTab()->userNameBox()->setText("bo");
        QVERIFY(p.services.pbx.extnInfoList.empty());
    }

    void logging_detailedSwitchIsKeptAtOnceAndShowsWhereTheLogsGo() {
        Program p;
        p.window.show();
        p.window.tabs()->setCurrentIndex(MainWindow::kLoggingPage);
        auto* tab = p.window.loggingTab();
        QCOMPARE(tab->detailedLoggingLabel()->text(), QString("Enable Detailed logging"));

        QTest::mouseClick(tab->detailedLoggingButton(), Qt::LeftButton);
        auto* box = WaitForModal<QMessageBox>();
        QVERIFY(box != nullptr);
        QCOMPARE(box->text().toStdString(),
                 "Logfiles will be saved in " + korvi::LogsFolder().string());
        QCOMPARE(box->icon(), QMessageBox::Information);
        box->button(QMessageBox::Ok)->click();
        QVERIFY(korvi::DetailedLogging());
        QCOMPARE(StoredSettings().logging, 1);
        QCOMPARE(tab->detailedLoggingLabel()->text(), QString("Disable Detailed logging"));

        QTest::mouseClick(tab->detailedLoggingButton(), Qt::LeftButton);
        QTest::qWait(20);
        QVERIFY(QApplication::activeModalWidget() == nullptr);  // switching off says nothing
        QVERIFY(!korvi::DetailedLogging());
        QCOMPARE(StoredSettings().logging, 0);
        QCOMPARE(tab->detailedLoggingLabel()->text(), QString("Enable Detailed logging"));
    }

    void logging_historyIsOpenedClearedAndMissedWithItsMessage() {
        Program p;
        p.window.show();
        p.window.tabs()->setCurrentIndex(MainWindow::kLoggingPage);
        auto* tab = p.window.loggingTab();
        const auto history = korvi::HistoryFilePath();
        QVERIFY(std::filesystem::exists(history));  // the start-up lines

        QTest::mouseClick(tab->viewHistoryButton(), Qt::LeftButton);
        QCOMPARE(p.opener.urls.size(), std::size_t(1));
        QCOMPARE(QUrl(QString::fromStdString(p.opener.urls[0])).toLocalFile().toStdString(),
                 history.string());

        QTest::mouseClick(tab->clearHistoryButton(), Qt::LeftButton);
        auto* confirm = WaitForModal<QMessageBox>();
        QVERIFY(confirm != nullptr);
        QCOMPARE(confirm->windowTitle(), QString("Confirm "));
        QCOMPARE(confirm->text(),
                 QString("This will delete the Sync History logfile.\n\nAre you sure?"));
        confirm->button(QMessageBox::Cancel)->click();
        QVERIFY(std::filesystem::exists(history));
        QTest::mouseClick(tab->clearHistoryButton(), Qt::LeftButton);
        confirm = WaitForModal<QMessageBox>();
        QVERIFY(confirm != nullptr);
        confirm->button(QMessageBox::Ok)->click();
        QVERIFY(!std::filesystem::exists(history));

        QTest::mouseClick(tab->viewHistoryButton(), Qt::LeftButton);
        auto* error = WaitForModal<QMessageBox>();
        QVERIFY(error != nullptr);
        QCOMPARE(error->text(), QString("Error - Could not open Sync History file!"));
        QCOMPARE(error->windowTitle(), QString("Korvi Communicator"));
        QCOMPARE(error->icon(), QMessageBox::Critical);
        error->button(QMessageBox::Ok)->click();
        QCOMPARE(p.opener.urls.size(), std::size_t(1));
        QVERIFY(!std::filesystem::exists(history));  // never made by these buttons

        QTest::mouseClick(tab->viewLogsFolderButton(), Qt::LeftButton);
        QCOMPARE(p.opener.urls.size(), std::size_t(2));
        QCOMPARE(QUrl(QString::fromStdString(p.opener.urls[1])).toLocalFile().toStdString(),
                 korvi::LogsFolder().string());
    }

    void logging_deleteDetailedLogfilesAfterOk() {
        Program p;
        p.window.show();
        const auto logs = korvi::LogsFolder();
        korvi::test::WriteFile(logs / "log@20240101.txt", "LOG: old\n");
        QTest::mouseClick(p.window.loggingTab()->deleteLogsButton(), Qt::LeftButton);
        auto* confirm = WaitForModal<QMessageBox>();
        QVERIFY(confirm != nullptr);
        QCOMPARE(confirm->text(),
                 QString("Warning: This will delete all detailed logfiles.\n\nAre you sure?"));
        confirm->button(QMessageBox::Ok)->click();
        QVERIFY(!std::filesystem::exists(logs / "log@20240101.txt"));
        QVERIFY(std::filesystem::exists(korvi::HistoryFilePath()));
    }

    void extensionChoice_itemToContactType_data() {
        QTest::addColumn<int>("extensions");
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("contactType");
        QTest::newRow("several, Central Store -> central") << 2 << 0 << "Central Store" << 65533;
        QTest::newRow("several, item 1 -> first device") << 2 << 1 << "Front Desk" << 101;
        QTest::newRow("several, item 2 -> second device") << 2 << 2 << "Back Office" << 205;
        QTest::newRow("one, item 0 -> its device") << 1 << 0 << "Front Desk" << 101;
        QTest::newRow("typed name of an item -> that device") << 2 << -1 << "Back Office" << 205;
        QTest::newRow("unknown typed text -> none") << 2 << -1 << "Kitchen" << 65535;
        QTest::newRow("unknown text, stale index -> none") << 2 << 2 << "Kitchen" << 65535;
        QTest::newRow("one, unknown text -> none") << 1 << 0 << "Front" << 65535;
    }

    void extensionChoice_itemToContactType() {
        QFETCH(int, extensions);
        QFETCH(int, item);
        QFETCH(QString, text);
        QFETCH(int, contactType);
        std::vector<korvi::TExtnInfo> list = {{"101", "Front Desk", "201"},
                                              {"205", "Back Office", "202"}};
        list.resize(static_cast<std::size_t>(extensions));
        const auto choice = korvi::ui::ChooseContactType(list, item, text.toStdString());
        QCOMPARE(choice.contactType, contactType);
        QCOMPARE(choice.name, text.toStdString());
    }

    void extensionChoice_importExportBoxListsCentralStoreFirst() {
        Program p;
        p.services.pbx.extnInfoList = {{"101", "Front Desk", "201"}, {"205", "Back Office", "202"}};
        p.window.show();
        p.window.tabs()->setCurrentIndex(MainWindow::kImportExportPage);
        QVERIFY(WaitFor([&] { return !p.window.FlowRunning(); }));
        auto* box = p.window.importExportTab()->extensionBox();
        QCOMPARE(box->count(), 3);
        QCOMPARE(box->itemText(0), QString("Central Store"));
        QCOMPARE(box->itemText(2), QString("Back Office"));
        QCOMPARE(box->currentIndex(), 0);
        QVERIFY(box->isEditable());
        box->setEditText("Nobody");
        const auto choice =
            p.window.importExportTab()->SelectedContactType(p.services.pbx.extnInfoList);
        QCOMPARE(choice.contactType, korvi::kContactTypeNone);

        p.services.pbx.extnInfoList.clear();
        p.window.tabs()->setCurrentIndex(MainWindow::kSettingsPage);
        p.window.tabs()->setCurrentIndex(MainWindow::kImportExportPage);
        // Reading them again fails (nothing answers on the closed port): the error box, then
        // the controls off.
        auto* error = WaitForModal<QMessageBox>();
        QVERIFY(error != nullptr);
        QVERIFY2(error->text().contains("(Error Code "), qPrintable(error->text()));
        error->button(QMessageBox::Ok)->click();
        QVERIFY(WaitFor([&] { return !p.window.FlowRunning(); }));
        QVERIFY(!box->isEnabled());
        QVERIFY(!p.window.importExportTab()->importButton()->isEnabled());
    }

private:
    std::filesystem::path m_home;
};

KORVI_UI_TEST_MAIN(WindowTest)
#include "WindowTest.moc"
