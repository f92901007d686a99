// The window's operations through the real flows, against the PBX simulator (in process, on
// loopback), an address book folder and the cloud contacts emulator (over HTTPS on loopback),
// answered the way a user would: the Sync tab with its first-time warning, similar contact and
// deletion warning, the auto-sync timer on a clock of the test, Cancel in the progress dialog,
// Check Service, Find PBX, the portal, the file and address book imports and exports, and the
// cloud's account dialog, group chooser, transfers and sync.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "GdataTestSupport.h"
#include "PbxSimulator.h"
#include "UiTestSupport.h"
#include "app/Clock.h"
#include "app/KorviSettings.h"
#include "app/Log.h"
#include "app/SettingsRegistry.h"
#include "app/SyncTime.h"
#include "common/TestEnv.h"
#include "pbx/UrlOpener.h"
#include "pbx/discovery/UpnpClient.h"
#include "services/Services.h"
#include "sync/Tctrl.h"
#include "ui/FolderChooserDialog.h"
#include "ui/GmailAccountDialog.h"
#include "ui/GmailGroupChooserDialog.h"
#include "ui/ImportExportTab.h"
#include "ui/MainWindow.h"
#include "ui/ProgressDialog.h"
#include "ui/SelectServerDialog.h"
#include "ui/ServicesTab.h"
#include "ui/SettingsTab.h"
#include "ui/SimilarContactDialog.h"
#include "ui/SyncTab.h"
#include "ui/SyncTabController.h"
#include "ui/TrayIcon.h"

using namespace std::chrono_literals;
using korvi::test::WaitFor;
using korvi::test::WaitForModal;
using korvi::ui::MainWindow;
namespace fs = std::filesystem;

namespace {

constexpr int kDesk = 101;
constexpr int kOffice = 205;
constexpr char kCloudEmail[] = "anna.test@gmail.com";
constexpr char kCloudPassword[] = "anna-secret";

class FakeClock final : public korvi::Clock {
public:
    std::time_t Now() const override { return now; }
    std::time_t now = 1'800'000'000;
};

class RecordingOpener final : public korvi::UrlOpener {
public:
    korvi::Result OpenUrl(const std::string& url) override {
        urls.push_back(url);
        return {};
    }
    std::vector<std::string> urls;
};

// A discovery library of the test: the PBXs it "finds" are given, and nothing is sent.
class ScriptedDevices final : public korvi::UpnpDeviceList {
public:
    explicit ScriptedDevices(std::vector<std::string> hosts) : m_hosts(std::move(hosts)) {}
    int GetValidPbxList(std::string& entries) override {
        for (const auto& h : m_hosts) entries += h + "*";
        return static_cast<int>(m_hosts.size());
    }

private:
    std::vector<std::string> m_hosts;
};

class ScriptedDiscovery final : public korvi::UpnpClient {
public:
    explicit ScriptedDiscovery(std::vector<std::string> hosts) : m_hosts(std::move(hosts)) {}
    std::unique_ptr<korvi::UpnpDeviceList> Discover(std::chrono::milliseconds) override {
        if (m_hosts.empty()) return nullptr;
        return std::make_unique<ScriptedDevices>(m_hosts);
    }

private:
    std::vector<std::string> m_hosts;
};

korvi::soap::TContactStruct PbxContact(int type, const std::string& first, const std::string& last,
                                       const std::string& number, int numberType) {
    korvi::soap::TContactStruct c;
    c.contactType = type;
    c.firstName = first;
    c.lastName = last;
    c.displayName = first + " " + last;
    korvi::soap::TContactNumberStruct n;
    n.number = number;
    n.numberType = numberType;
    c.contactNumbers.push_back(n);
    return c;
}

// One program against a simulated PBX and an address book folder of its own.
class World {
public:
    World() : m_home(korvi::test::FreshHome("ops")) {
        korvi::sim::SimOptions options;
        options.users = {{"demo", "4711"}};
        options.extensions = {{"demo", kDesk, "Front Desk", "201"},
                              {"demo", kOffice, "Back Office", "202"}};
        options.portalPort = 0;
        options.platform = "KorviSim";
        options.swVersion = "2.4.1";
        sim = std::make_unique<korvi::sim::PbxSimulator>(options);
        std::string error;
        if (!sim->Start(error)) qFatal("simulator: %s", error.c_str());
        book = m_home / "book";
        fs::create_directories(Contacts());

        korvi::KorviSettings s;
        s.pbxUrl = "http://127.0.0.1";
        s.pbxPort = std::to_string(sim->Port());
        s.userName = "demo";
        s.pin = "4711";
        s.connTimeout = "10";
        s.addressBookDir = book.string();
        Store(s);
    }
    ~World() {
        window.reset();
        services.reset();
        if (sim) sim->Stop();
        cloud.reset();
    }

    // The cloud account (groups "Family" with three contacts and "Team", empty) as the service
    // the settings name; the account itself is not in the settings yet.
    void StartCloud() {
        korvi::gdatasim::GdataSimOptions options;
        options.accounts = {{kCloudEmail, kCloudPassword}};
        options.seeds = {{3, "Family"}, {0, "Team"}};
        cloud = std::make_unique<korvi::test::TlsGdataSim>(options);
        if (!cloud->started()) qFatal("cloud emulator did not start");
        korvi::KorviSettings s;
        korvi::GetAllSettingsFromRegistry(s);
        s.gmailServiceUrl = cloud->url();
        s.gmailCaFile = cloud->caFile().string();
        Store(s);
    }

    // The account dialog, when it comes, answered with the account of the emulator.
    bool EnterCloudAccount() {
        auto* dialog = WaitForModal<korvi::ui::GmailAccountDialog>();
        if (dialog == nullptr) return false;
        dialog->accountBox()->setText(kCloudEmail);
        dialog->passwordBox()->setText(kCloudPassword);
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
        return true;
    }

    std::set<std::string> CloudNames(const std::string& group) const {
        std::set<std::string> names;
        for (const auto& c : cloud->sim().Contacts(group)) names.insert(c.fullName);
        return names;
    }

    void Store(const korvi::KorviSettings& s) {
        const korvi::Result saved = korvi::SaveSettingsToRegistry(s);
        if (!saved.ok()) qFatal("settings: %s", saved.text.c_str());
    }

    // The program as main() makes it, shown.
    void Start() {
        services = std::make_unique<korvi::Services>();
        services->RegisterActions();
        services->ctrl.SetWorkerSleeps(0ms, 0ms);
        window =
            std::make_unique<MainWindow>(*services, korvi::GetStartupFlagsFromRegistry(), &clock);
        window->SetUrlOpener(&opener);
        window->show();
    }

    fs::path Contacts() const { return book / "Personal Folders" / "Contacts"; }

    void Card(const std::string& file, const std::string& given, const std::string& family,
              const std::string& tel) {
        korvi::test::WriteFile(Contacts() / file, "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + file +
                                                      "\r\nFN:" + given + " " + family +
                                                      "\r\nN:" + family + ";" + given + ";;;\r\n" +
                                                      tel + "\r\nEND:VCARD\r\n");
    }

    std::set<std::string> PbxNames(int type) const {
        std::set<std::string> names;
        for (const auto& c : sim->PbxState(type)) names.insert(c.displayName);
        return names;
    }

    int CardCount() const {
        int cards = 0;
        for (const auto& e : fs::directory_iterator(Contacts()))
            cards += e.path().extension() == ".vcf";
        return cards;
    }

    // The names of a phonebook as an import brings them back.
    std::set<std::string> PbxNamesAsImported(int type) const {
        std::set<std::string> names;
        for (std::string name : PbxNames(type)) {
            std::replace(name.begin(), name.end(), '\'', '`');
            names.insert(name);
        }
        return names;
    }

    std::string CardText(const std::string& file) const {
        return korvi::test::ReadFile(Contacts() / file);
    }

    // The tab shown and what it reads on showing done (the progress dialog closes itself).
    bool Show(int page) {
        window->tabs()->setCurrentIndex(page);
        return Idle();
    }

    bool Idle() {
        return WaitFor([this] { return !window->FlowRunning(); });
    }

    // The next message box, answered with button; its text.
    QString Answer(QMessageBox::StandardButton button) {
        auto* box = WaitForModal<QMessageBox>();
        if (box == nullptr) return "<no box>";
        const QString text = box->text();
        box->button(button)->click();
        return text;
    }

    void ChooseExtension(QComboBox* box, const QString& name) {
        box->setCurrentIndex(box->findText(name));
    }

    FakeClock clock;
    RecordingOpener opener;
    std::unique_ptr<korvi::sim::PbxSimulator> sim;
    std::unique_ptr<korvi::test::TlsGdataSim> cloud;
    std::unique_ptr<korvi::Services> services;
    std::unique_ptr<MainWindow> window;
    fs::path book;

private:
    fs::path m_home;
};

std::string History() { return korvi::test::ReadFile(korvi::HistoryFilePath()); }

bool HistoryHas(const std::string& line) { return History().find(line) != std::string::npos; }

}  // namespace

class OperationsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { korvi::test::QuietOffscreenWarnings(); }

    void init() { korvi::SetDetailedLogging(false); }

    void syncTab_showsTheUsersExtensions() {
        World w;
        w.Start();
        QVERIFY(w.Show(MainWindow::kSyncPage));
        auto* tab = w.window->syncTab();
        QCOMPARE(tab->extensionBox()->count(), 3);
        QCOMPARE(tab->extensionBox()->itemText(0), QString("Central Store"));
        QCOMPARE(tab->extensionBox()->itemText(2), QString("Back Office"));
        QVERIFY(tab->syncButton()->isEnabled());
        QVERIFY(tab->changeAccountButton()->isEnabled());
        QCOMPARE(tab->accountBox()->text(), QString("\\\\Personal Folders\\Contacts"));
    }

    void syncNow_firstTimeQuestionSimilarContactAndResult() {
        World w;
        QVERIFY(w.sim->SeedContact(PbxContact(kDesk, "Greta", "Lind", "+46 70 123 45 67", 4)));
        QVERIFY(w.sim->SeedContact(PbxContact(kDesk, "Jonas", "Berg", "+46 8 555 120 00", 2)));
        w.Card("greta.vcf", "Greta", "Lind", "TEL;TYPE=CELL:+46 70 765 43 21");
        w.Card("ines.vcf", "Ines", "Moreau", "TEL;TYPE=HOME:+33 1 44 55 66 77");
        w.Start();
        QVERIFY(w.Show(MainWindow::kSyncPage));
        w.ChooseExtension(w.window->syncTab()->extensionBox(), "Front Desk");

        QTest::mouseClick(w.window->syncTab()->syncButton(), Qt::LeftButton);
        const QString warning = w.Answer(QMessageBox::Ok);
        QVERIFY2(warning.startsWith("Warning: This is the first time syncing Outlook folder "
                                    "[\\\\Personal Folders\\Contacts] with PBX contacts for "
                                    "Front Desk"),
                 qPrintable(warning));
        QVERIFY(warning.contains("Do you want to continue?"));

        auto* similar = WaitForModal<korvi::ui::SimilarContactDialog>();
        QVERIFY(similar != nullptr);
        QVERIFY(similar->pbxBox()->toPlainText().contains("Number: +46 70 123 45 67 [Mob]"));
        QVERIFY(similar->partnerBox()->toPlainText().contains("Number: +46 70 765 43 21 [Mob]"));
        QTest::mouseClick(similar->button(korvi::kUsePbx), Qt::LeftButton);

        const QString result = w.Answer(QMessageBox::Ok);
        QVERIFY2(result.startsWith("Successfully Sync'd - "), qPrintable(result));
        QVERIFY(w.Idle());
        QCOMPARE(w.PbxNames(kDesk),
                 (std::set<std::string>{"Greta Lind", "Ines Moreau", "Jonas Berg"}));
        QVERIFY(w.CardText("greta.vcf").find("+46 70 123 45 67") != std::string::npos);
        QVERIFY(
            HistoryHas("Sync started [Manually] - Direction [PBX <-> Outlook] - Outlook "
                       "Folder [\\\\Personal Folders\\Contacts] - Device [Front Desk]"));
        QVERIFY(HistoryHas("Successful Sync - [PBX: 1 added"));
        // The choice of extension is the one to sync from now on (saved with the settings).
        QCOMPARE(w.window->settings().syncContactType, kDesk);
        QCOMPARE(w.window->windowTitle(), QString("Korvi Communicator (Version: 1.1.17)"));
    }

    void syncNow_declinedFirstTimeWarningStartsNothing() {
        World w;
        QVERIFY(w.sim->SeedContact(PbxContact(kDesk, "Jonas", "Berg", "+46 8 555 120 00", 2)));
        w.Start();
        QVERIFY(w.Show(MainWindow::kSyncPage));
        w.ChooseExtension(w.window->syncTab()->extensionBox(), "Front Desk");
        QTest::mouseClick(w.window->syncTab()->syncButton(), Qt::LeftButton);
        w.Answer(QMessageBox::Cancel);
        QVERIFY(w.Idle());
        QTest::qWait(20);
        QVERIFY(QApplication::activeModalWidget() == nullptr);  // no result box
        // No card was written.
        for (const auto& entry : fs::recursive_directory_iterator(w.Contacts())) {
            QVERIFY2(entry.path().extension() != ".vcf", entry.path().c_str());
        }
    }

    void syncNow_deletionWarningDeclinedKeepsThePbxThenAccepted() {
        World w;
        for (const auto* name : {"Anna", "Bo", "Cleo"}) {
            QVERIFY(w.sim->SeedContact(PbxContact(kDesk, name, "Test", "0221 100", 2)));
        }
        w.Start();
        QVERIFY(w.Show(MainWindow::kSyncPage));
        w.ChooseExtension(w.window->syncTab()->extensionBox(), "Front Desk");
        QTest::mouseClick(w.window->syncTab()->syncButton(), Qt::LeftButton);
        w.Answer(QMessageBox::Ok);  // first time
        w.Answer(QMessageBox::Ok);  // result
        QVERIFY(w.Idle());
        QCOMPARE(static_cast<int>(fs::directory_iterator(w.Contacts()) != fs::directory_iterator()),
                 1);

        // Two of the three cards deleted in the address book.
        int removed = 0;
        for (const auto& entry : fs::directory_iterator(w.Contacts())) {
            const std::string text = korvi::test::ReadFile(entry.path());
            if (removed < 2 && entry.path().extension() == ".vcf" &&
                (text.find("Anna") != std::string::npos || text.find("Bo ") != std::string::npos)) {
                fs::remove(entry.path());
                ++removed;
            }
        }
        QCOMPARE(removed, 2);

        QTest::mouseClick(w.window->syncTab()->syncButton(), Qt::LeftButton);
        const QString warning = w.Answer(QMessageBox::Cancel);
        QVERIFY2(warning.startsWith("Warning: Korvi Communicator has detected that 2 contacts "
                                    "have\nbeen deleted from Outlook since the last Sync."),
                 qPrintable(warning));
        QVERIFY(w.Idle());
        QCOMPARE(w.PbxNames(kDesk).size(), std::size_t(3));
        QVERIFY(HistoryHas("Fail: Action cancelled"));

        QTest::mouseClick(w.window->syncTab()->syncButton(), Qt::LeftButton);
        w.Answer(QMessageBox::Ok);
        const QString result = w.Answer(QMessageBox::Ok);
        QVERIFY2(result.startsWith("Successfully Sync'd - "), qPrintable(result));
        QVERIFY(w.Idle());
        QCOMPARE(w.PbxNames(kDesk), (std::set<std::string>{"Cleo Test"}));
    }

    void autoSync_dueRuleOnTheClockAndNoTickWhileBusy() {
        World w;
        QVERIFY(w.sim->SeedContact(PbxContact(kDesk, "Jonas", "Berg", "+46 8 555 120 00", 2)));
        korvi::KorviSettings s;
        korvi::GetAllSettingsFromRegistry(s);
        s.autoSync = 1;
        s.autoSyncInterval = 0;  // "Every Hour": 300 seconds
        s.syncDir = korvi::eSyncDir_PbxToPartner;
        s.syncContactType = kDesk;
        s.syncContactTypeName = "Front Desk";
        w.Store(s);
        // The last automatic start, 300 seconds ago by the test's clock: not due yet.
        QVERIFY(korvi::SaveSyncTimeToRegistry(
                    korvi::FormatSyncTime(korvi::ToLocalTime(w.clock.now - 300)))
                    .ok());
        w.Start();
        QVERIFY(w.window->autoSyncTimer().isActive());
        auto& sync = w.window->syncController();

        sync.AutoSyncTick();
        QVERIFY(w.Idle());
        QVERIFY(!HistoryHas("Sync started [Automatically]"));

        // One second more: due. No box, the history tells, "SyncTime" is the start.
        w.clock.now += 1;
        sync.AutoSyncTick();
        QVERIFY(w.Idle());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QVERIFY(HistoryHas("Sync started [Automatically] - Direction [PBX -> Outlook]"));
        QVERIFY(HistoryHas("Successful Sync - [PBX: 0 added 0 deleted 0 amended]"));
        QVERIFY(w.CardCount() == 1);
        QCOMPARE(korvi::GetSyncTimeFromRegistry(), korvi::FormatSyncTime(w.clock.Local()));
        QVERIFY(w.window->autoSyncTimer().isActive());
        QCOMPARE(w.window->tray().tip(), QString("Korvi Communicator"));

        // Due again, but an operation runs: the tick starts nothing.
        w.clock.now += 400;
        const auto before = History();
        QVERIFY(w.Show(MainWindow::kSettingsPage));
        QTest::mouseClick(w.window->settingsTab()->checkServiceButton(), Qt::LeftButton);
        QVERIFY(w.window->FlowRunning() || QApplication::activeModalWidget() != nullptr);
        sync.AutoSyncTick();
        w.Answer(QMessageBox::Ok);  // the service check's box, open during the tick
        QVERIFY(w.Idle());
        sync.AutoSyncTick();  // a dialog is open: nothing either
        QCOMPARE(History().substr(0, before.size()), before);
        QVERIFY(History().find("Sync started [Automatically]", before.size()) == std::string::npos);
    }

    void autoSync_aRunThatStopsEarlyTurnsTheTimerOffAndSaysSoInTheTray() {
        World w;
        korvi::KorviSettings s;
        korvi::GetAllSettingsFromRegistry(s);
        s.autoSync = 1;
        s.syncDir = korvi::eSyncDir_PbxToPartner;
        s.syncContactType = kDesk;
        s.syncContactTypeName = "Front Desk";
        s.syncOutlookFolder = "\\\\Personal Folders\\Nowhere";
        w.Store(s);
        w.Start();
        w.window->syncController().AutoSyncTick();
        QVERIFY(w.Idle());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QVERIFY(
            HistoryHas("Sync Fail - Could not open Outlook folder \\\\Personal "
                       "Folders\\Nowhere (Error Code -1)"));
        QVERIFY(!w.window->autoSyncTimer().isActive());
        QVERIFY2(w.window->tray().tip().contains("Automatic sync has stopped: Could not open "
                                                 "Outlook folder"),
                 qPrintable(w.window->tray().tip()));
    }

    void progress_cancelReturnsAtOnceAndTheNextOperationWorks() {
        World w;
        w.Start();
        w.sim->SetDelayMs(3000);
        QTest::mouseClick(w.window->settingsTab()->checkServiceButton(), Qt::LeftButton);
        auto* progress = WaitForModal<korvi::ui::ProgressDialog>();
        QVERIFY(progress != nullptr);
        QVERIFY(WaitFor([&] { return !progress->cancelButton()->isHidden(); }));
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(progress->cancelButton(), Qt::LeftButton);
        // A cancel shows nothing more, and at once: the worker still waits for the slow PBX
        // meanwhile.
        QVERIFY(w.Idle());
        QVERIFY2(timer.elapsed() < 1500, "the window waited for the cancelled worker");
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QVERIFY(HistoryHas("Fail: Action cancelled"));

        w.sim->SetDelayMs(0);
        QTest::mouseClick(w.window->settingsTab()->checkServiceButton(), Qt::LeftButton);
        const QString ok = w.Answer(QMessageBox::Ok);
        QCOMPARE(ok, QString("Connection to IPPBX Services is OK.\nPlatform: KorviSim- SW "
                             "Version: 2.4.1"));
    }

    void checkService_badUrlContactsNothingAndShowsItsCode() {
        World w;
        w.Start();
        w.window->settingsTab()->urlBox()->setText("ftp://127.0.0.1");
        QTest::mouseClick(w.window->settingsTab()->checkServiceButton(), Qt::LeftButton);
        QCOMPARE(w.Answer(QMessageBox::Ok),
                 QString("Url must begin with http:// or https:// (Error Code -3)"));
        QCOMPARE(w.sim->RequestCount(), std::uint64_t(0));
    }

    void findPbx_oneGoesIntoTheUrlBoxOfSeveralTheUserChooses() {
        World w;
        w.Start();
        auto* url = w.window->settingsTab()->urlBox();
        w.services->pbx.SetUpnpClientFactory([] {
            return std::make_unique<ScriptedDiscovery>(std::vector<std::string>{"127.0.9.7"});
        });
        QTest::mouseClick(w.window->settingsTab()->findServerButton(), Qt::LeftButton);
        QVERIFY(w.Idle());
        QCOMPARE(url->text(), QString("http://127.0.9.7"));

        w.services->pbx.SetUpnpClientFactory([] {
            return std::make_unique<ScriptedDiscovery>(
                std::vector<std::string>{"127.0.9.8", "127.0.9.9"});
        });
        QTest::mouseClick(w.window->settingsTab()->findServerButton(), Qt::LeftButton);
        auto* choose = WaitForModal<korvi::ui::SelectServerDialog>();
        QVERIFY(choose != nullptr);
        QCOMPARE(choose->list()->currentText(), QString("http://127.0.9.8"));
        QTest::mouseClick(choose->cancelButton(), Qt::LeftButton);
        QVERIFY(w.Idle());
        QCOMPARE(url->text(), QString("http://127.0.9.7"));
        QTest::mouseClick(w.window->settingsTab()->findServerButton(), Qt::LeftButton);
        choose = WaitForModal<korvi::ui::SelectServerDialog>();
        QVERIFY(choose != nullptr);
        choose->list()->setCurrentIndex(1);
        QTest::mouseClick(choose->okButton(), Qt::LeftButton);
        QVERIFY(w.Idle());
        QCOMPARE(url->text(), QString("http://127.0.9.9"));

        w.services->pbx.SetUpnpClientFactory(
            [] { return std::make_unique<ScriptedDiscovery>(std::vector<std::string>{}); });
        QTest::mouseClick(w.window->settingsTab()->findServerButton(), Qt::LeftButton);
        auto* box = WaitForModal<QMessageBox>();
        QVERIFY(box != nullptr);
        QCOMPARE(box->icon(), QMessageBox::Warning);
        QCOMPARE(box->text(), QString("No PBX could be found on the Local Network. Please enter "
                                      "URL manually!"));
        box->button(QMessageBox::Ok)->click();
        QVERIFY(w.Idle());
        QCOMPARE(url->text(), QString("http://127.0.9.9"));
        QCOMPARE(w.window->settingsTab()->portBox()->text(), QString::number(w.sim->Port()));
    }

    void portal_opensTheLoginUrlFromTheServicesTabAndTheTray() {
        World w;
        w.Start();
        QVERIFY(w.Show(MainWindow::kServicesPage));
        QTest::mouseClick(w.window->servicesTab()->portalButton(), Qt::LeftButton);
        QVERIFY(w.Idle());
        QCOMPARE(w.opener.urls.size(), std::size_t(1));
        const std::string portal = "http://127.0.0.1:" + std::to_string(w.sim->PortalPort());
        QVERIFY2(w.opener.urls[0].rfind(portal, 0) == 0, w.opener.urls[0].c_str());
        QVERIFY(w.opener.urls[0].find("username=demo") != std::string::npos);

        w.window->tray().portalAction()->trigger();
        QVERIFY(w.Idle());
        QCOMPARE(w.opener.urls.size(), std::size_t(2));
    }

    void files_exportCsvImportXmlAndDelete() {
        World w;
        QVERIFY(w.sim->SeedContacts(4, kOffice) == 4);
        const fs::path folder = korvi::test::MakeTempDir("exports");
        w.Start();
        QVERIFY(w.Show(MainWindow::kImportExportPage));
        auto* tab = w.window->importExportTab();
        w.ChooseExtension(tab->extensionBox(), "Back Office");

        auto saveAs = [&](const std::string& name) {
            auto* dialog = WaitForModal<QFileDialog>();
            QVERIFY(dialog != nullptr);
            dialog->setDirectory(QString::fromStdString(folder.string()));
            auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
            QVERIFY(edit != nullptr);
            edit->setText(QString::fromStdString(name));
            QTest::keyClick(edit, Qt::Key_Return);
        };

        tab->exportDestinationBox()->setCurrentIndex(korvi::ui::kExportCsv);
        QTest::mouseClick(tab->exportButton(), Qt::LeftButton);
        saveAs("office.csv");
        QCOMPARE(w.Answer(QMessageBox::Ok), QString("Saved 4 contacts to file for  Back Office"));
        QVERIFY(fs::file_size(folder / "office.csv") > 0);
        QVERIFY(w.Idle());

        tab->exportDestinationBox()->setCurrentIndex(korvi::ui::kExportXml);
        QTest::mouseClick(tab->exportButton(), Qt::LeftButton);
        saveAs("office.xml");
        w.Answer(QMessageBox::Ok);
        QVERIFY(w.Idle());

        // The XML file into the other phonebook.
        w.ChooseExtension(tab->extensionBox(), "Front Desk");
        tab->importSourceBox()->setCurrentIndex(korvi::ui::kImportXml);
        QTest::mouseClick(tab->importButton(), Qt::LeftButton);
        QCOMPARE(w.Answer(QMessageBox::Ok),
                 QString("Warning: This will overwrite existing contacts in the PBX for Front "
                         "Desk.\n\nAre You Sure?"));
        auto* open = WaitForModal<QFileDialog>();
        QVERIFY(open != nullptr);
        open->setDirectory(QString::fromStdString(folder.string()));
        auto* edit = open->findChild<QLineEdit*>("fileNameEdit");
        QVERIFY(edit != nullptr);
        edit->setText("office.xml");
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(w.Answer(QMessageBox::Ok),
                 QString("Successfully imported 4 contacts to PBX for  Front Desk"));
        QVERIFY(w.Idle());
        // Names travel through the file with an apostrophe turned into a backquote.
        QCOMPARE(w.PbxNames(kDesk), w.PbxNamesAsImported(kOffice));

        // A dismissed save dialog: the cancel lines, nothing else.
        tab->exportDestinationBox()->setCurrentIndex(korvi::ui::kExportXml);
        QTest::mouseClick(tab->exportButton(), Qt::LeftButton);
        auto* dismissed = WaitForModal<QFileDialog>();
        QVERIFY(dismissed != nullptr);
        dismissed->reject();
        QVERIFY(w.Idle());
        QVERIFY(HistoryHas("Fail: Action cancelled"));

        w.ChooseExtension(tab->extensionBox(), "Back Office");
        QTest::mouseClick(tab->deleteButton(), Qt::LeftButton);
        QCOMPARE(w.Answer(QMessageBox::Ok),
                 QString("Warning: This will delete all existing contacts in the PBX for Back "
                         "Office.\n\nAre You Sure?"));
        QCOMPARE(w.Answer(QMessageBox::Ok),
                 QString("Contacts deleted successfully in PBX for  Back Office"));
        QVERIFY(w.Idle());
        QVERIFY(w.PbxNames(kOffice).empty());
        QCOMPARE(w.PbxNames(kDesk).size(), std::size_t(4));
    }

    void files_anUnknownExtensionTextStartsNothing() {
        World w;
        QVERIFY(w.sim->SeedContacts(2, kDesk) == 2);
        w.Start();
        QVERIFY(w.Show(MainWindow::kImportExportPage));
        auto* tab = w.window->importExportTab();
        tab->extensionBox()->setEditText("Kitchen");
        w.sim->ResetCounters();
        QTest::mouseClick(tab->deleteButton(), Qt::LeftButton);
        w.Answer(QMessageBox::Ok);
        const QString error = w.Answer(QMessageBox::Ok);
        QVERIFY2(error.startsWith("Invalid ContactType"), qPrintable(error));
        QVERIFY(w.Idle());
        QCOMPARE(w.sim->RequestCount(), std::uint64_t(0));
        QCOMPARE(w.PbxNames(kDesk).size(), std::size_t(2));
    }

    void addressBook_exportIntoANewFolderAndImportBack() {
        World w;
        QVERIFY(w.sim->SeedContacts(3, kDesk) == 3);
        fs::create_directories(w.Contacts() / "Team");
        w.Start();
        QVERIFY(w.Show(MainWindow::kImportExportPage));
        auto* tab = w.window->importExportTab();
        w.ChooseExtension(tab->extensionBox(), "Front Desk");

        tab->exportDestinationBox()->setCurrentIndex(korvi::ui::kExportOutlook);
        QTest::mouseClick(tab->exportButton(), Qt::LeftButton);
        auto* chooser = WaitForModal<korvi::ui::FolderChooserDialog>();
        QVERIFY(chooser != nullptr);
        QVERIFY(!chooser->createButton()->isHidden());
        chooser->tree()->setCurrentItem(chooser->ItemForPath("\\\\Personal Folders\\Contacts"));
        QTest::mouseClick(chooser->createButton(), Qt::LeftButton);
        auto* name = WaitForModal<QInputDialog>();
        QVERIFY(name != nullptr);
        name->setTextValue("From PBX");
        name->accept();
        QCOMPARE(w.Answer(QMessageBox::Ok),
                 QString("Saved 3 contacts to Outlook folder for Front Desk"));
        QVERIFY(w.Idle());
        const fs::path made = w.Contacts() / "From PBX";
        int cards = 0;
        for (const auto& e : fs::directory_iterator(made)) cards += e.path().extension() == ".vcf";
        QCOMPARE(cards, 3);

        // Back into the other phonebook: there are several folders, so the chooser asks.
        w.ChooseExtension(tab->extensionBox(), "Back Office");
        tab->importSourceBox()->setCurrentIndex(korvi::ui::kImportOutlook);
        QTest::mouseClick(tab->importButton(), Qt::LeftButton);
        chooser = WaitForModal<korvi::ui::FolderChooserDialog>();
        QVERIFY(chooser != nullptr);
        QVERIFY(chooser->createButton()->isHidden());
        chooser->tree()->setCurrentItem(
            chooser->ItemForPath("\\\\Personal Folders\\Contacts\\From PBX"));
        QTest::mouseClick(chooser->okButton(), Qt::LeftButton);
        QCOMPARE(w.Answer(QMessageBox::Ok),
                 QString("Warning: This will overwrite existing contacts in the PBX for Back "
                         "Office.\n\nAre You Sure?"));
        QCOMPARE(w.Answer(QMessageBox::Ok),
                 QString("Successfully imported 3 contacts to PBX for  Back Office"));
        QVERIFY(w.Idle());
        QCOMPARE(w.PbxNames(kOffice), w.PbxNamesAsImported(kDesk));
    }

    void syncFolder_changedThroughTheChooserAndSaved() {
        World w;
        fs::create_directories(w.Contacts() / "Team");
        w.Start();
        QVERIFY(w.Show(MainWindow::kSyncPage));
        QTest::mouseClick(w.window->syncTab()->changeAccountButton(), Qt::LeftButton);
        auto* chooser = WaitForModal<korvi::ui::FolderChooserDialog>();
        QVERIFY(chooser != nullptr);
        QVERIFY(chooser->createButton()->isHidden());
        chooser->tree()->setCurrentItem(
            chooser->ItemForPath("\\\\Personal Folders\\Contacts\\Team"));
        QTest::mouseClick(chooser->okButton(), Qt::LeftButton);
        QVERIFY(w.Idle());
        QCOMPARE(w.window->syncTab()->accountBox()->text(),
                 QString("\\\\Personal Folders\\Contacts\\Team"));
        korvi::KorviSettings stored;
        korvi::GetAllSettingsFromRegistry(stored);
        QCOMPARE(stored.syncOutlookFolder, std::string("\\\\Personal Folders\\Contacts\\Team"));
    }

    void cloud_exportIntoANewGroupAndImportBack() {
        World w;
        QVERIFY(w.sim->SeedContacts(3, kDesk) == 3);
        w.StartCloud();
        w.Start();
        QVERIFY(w.Show(MainWindow::kImportExportPage));
        auto* tab = w.window->importExportTab();
        w.ChooseExtension(tab->extensionBox(), "Front Desk");

        tab->exportDestinationBox()->setCurrentIndex(korvi::ui::kExportGmail);
        QCOMPARE(tab->exportDestinationBox()->currentIndex(), int(korvi::ui::kExportGmail));
        QTest::mouseClick(tab->exportButton(), Qt::LeftButton);
        QVERIFY(w.EnterCloudAccount());
        auto* chooser = WaitForModal<korvi::ui::GmailGroupChooserDialog>();
        QVERIFY(chooser != nullptr);
        QVERIFY(!chooser->createButton()->isHidden());
        QVERIFY(chooser->ItemStartingWith("Family (3)") != nullptr);
        QTest::mouseClick(chooser->createButton(), Qt::LeftButton);
        auto* name = WaitForModal<QInputDialog>();
        QVERIFY(name != nullptr);
        name->setTextValue("From PBX");
        name->accept();
        QCOMPARE(w.Answer(QMessageBox::Ok),
                 QString("Saved 3 contacts to Gmail account for Front Desk"));
        QVERIFY(w.Idle());
        // The cloud holds names as the PBX gives them to an export, apostrophe as backquote.
        QCOMPARE(w.CloudNames("From PBX"), w.PbxNamesAsImported(kDesk));
        QVERIFY(HistoryHas("to Gmail account [anna.test@gmail.com] folder [From PBX]"));
        // The account confirmed in the dialog is kept.
        korvi::KorviSettings stored;
        korvi::GetAllSettingsFromRegistry(stored);
        QCOMPARE(stored.gmailAccName, std::string(kCloudEmail));
        QCOMPARE(stored.gmailAccPwd, std::string(kCloudPassword));

        // Back into the other phonebook: logged in already, so no account dialog; the chooser
        // without its create button.
        w.ChooseExtension(tab->extensionBox(), "Back Office");
        tab->importSourceBox()->setCurrentIndex(korvi::ui::kImportGmail);
        QTest::mouseClick(tab->importButton(), Qt::LeftButton);
        chooser = WaitForModal<korvi::ui::GmailGroupChooserDialog>();
        QVERIFY(chooser != nullptr);
        QVERIFY(chooser->createButton()->isHidden());
        chooser->tree()->setCurrentItem(chooser->ItemStartingWith("From PBX"));
        QTest::mouseClick(chooser->okButton(), Qt::LeftButton);
        QCOMPARE(w.Answer(QMessageBox::Ok),
                 QString("Warning: This will overwrite existing contacts in the PBX for Back "
                         "Office.\n\nAre You Sure?"));
        QCOMPARE(w.Answer(QMessageBox::Ok),
                 QString("Successfully imported 3 contacts to PBX for  Back Office"));
        QVERIFY(w.Idle());
        QCOMPARE(w.PbxNames(kOffice), w.CloudNames("From PBX"));
    }

    void cloud_accountDialogCancelledEndsTheExportQuietly() {
        World w;
        QVERIFY(w.sim->SeedContacts(2, kDesk) == 2);
        w.StartCloud();
        w.Start();
        QVERIFY(w.Show(MainWindow::kImportExportPage));
        auto* tab = w.window->importExportTab();
        tab->exportDestinationBox()->setCurrentIndex(korvi::ui::kExportGmail);
        QTest::mouseClick(tab->exportButton(), Qt::LeftButton);
        auto* dialog = WaitForModal<korvi::ui::GmailAccountDialog>();
        QVERIFY(dialog != nullptr);
        QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
        QVERIFY(w.Idle());
        QTest::qWait(20);
        QVERIFY(QApplication::activeModalWidget() == nullptr);  // no box follows
        // The export's cancel line (the import's has a full stop).
        QVERIFY(HistoryHas("Export PBX Contacts to Gmail\n"));
        QVERIFY(HistoryHas(" - Fail: Action Cancelled\n"));
        QVERIFY(w.cloud->sim().Contacts("Family").size() == 3);
    }

    void cloud_syncGroupChosenOnTheSyncTabThenSynced() {
        World w;
        QVERIFY(w.sim->SeedContact(PbxContact(kDesk, "Jonas", "Berg", "+46 8 555 120 00", 2)));
        w.StartCloud();
        w.Start();
        QVERIFY(w.Show(MainWindow::kSyncPage));
        auto* tab = w.window->syncTab();
        tab->partnerBox()->setCurrentIndex(korvi::ePartner_Gmail);
        tab->partnerBox()->activated(korvi::ePartner_Gmail);
        // No valid account yet: nothing to sync with.
        QVERIFY(!tab->syncButton()->isEnabled());

        QTest::mouseClick(tab->changeAccountButton(), Qt::LeftButton);
        QVERIFY(w.EnterCloudAccount());
        auto* chooser = WaitForModal<korvi::ui::GmailGroupChooserDialog>();
        QVERIFY(chooser != nullptr);
        QVERIFY(chooser->createButton()->isHidden());
        chooser->tree()->setCurrentItem(chooser->ItemStartingWith("Family"));
        QTest::mouseClick(chooser->okButton(), Qt::LeftButton);
        QVERIFY(w.Idle());
        QCOMPARE(tab->accountBox()->text(), QString("Family"));
        QVERIFY(tab->syncButton()->isEnabled());
        korvi::KorviSettings stored;
        korvi::GetAllSettingsFromRegistry(stored);
        QCOMPARE(stored.syncPartner, int(korvi::ePartner_Gmail));
        QCOMPARE(stored.syncGmailFolderTitle, std::string("Family"));
        QCOMPARE(stored.syncGmailFolderID, w.cloud->sim().GroupId("Family"));

        w.ChooseExtension(tab->extensionBox(), "Front Desk");
        QTest::mouseClick(tab->syncButton(), Qt::LeftButton);
        const QString warning = w.Answer(QMessageBox::Ok);
        QVERIFY2(warning.contains("Do you want to continue?"), qPrintable(warning));
        // The emulator's seeded contacts carry numbers the PBX has no room for: the sync
        // succeeds and says so.
        const QString result = w.Answer(QMessageBox::Ok);
        QVERIFY2(result.startsWith("Sync was successful. However some numbers for Gmail"),
                 qPrintable(result));
        QVERIFY(w.Idle());
        // Both ways: the group's three on the PBX, the PBX's one in the group.
        QCOMPARE(w.PbxNames(kDesk).size(), std::size_t(4));
        QCOMPARE(w.CloudNames("Family"), w.PbxNames(kDesk));
        QVERIFY(w.PbxNames(kDesk).count("Jonas Berg") == 1);
        QVERIFY(HistoryHas("Gmail Account / Folder [anna.test@gmail.com / Family]"));
    }

    void autoSyncSwitch_twoWayBeforeAnySyncIsRefused() {
        World w;
        w.Start();
        QVERIFY(w.Show(MainWindow::kSyncPage));
        auto* tab = w.window->syncTab();
        w.ChooseExtension(tab->extensionBox(), "Front Desk");
        tab->autoSyncBox()->setCurrentIndex(1);
        tab->autoSyncBox()->activated(1);
        auto* box = WaitForModal<QMessageBox>();
        QVERIFY(box != nullptr);
        QCOMPARE(box->icon(), QMessageBox::Warning);
        QVERIFY(box->text().startsWith("Cannot run First time Sync automatically"));
        box->button(QMessageBox::Ok)->click();
        QVERIFY(w.Idle());
        QCOMPARE(tab->autoSyncBox()->currentIndex(), 0);
        QVERIFY(!w.window->autoSyncTimer().isActive());
        QVERIFY(tab->extensionBox()->isEnabled());

        // One way is accepted: the choices freeze, the timer runs, the choice is kept.
        tab->directionBox()->setCurrentIndex(1);
        tab->directionBox()->activated(1);
        tab->autoSyncBox()->setCurrentIndex(1);
        tab->autoSyncBox()->activated(1);
        QVERIFY(w.Idle());
        QVERIFY(w.window->autoSyncTimer().isActive());
        QVERIFY(!tab->extensionBox()->isEnabled());
        korvi::KorviSettings stored;
        korvi::GetAllSettingsFromRegistry(stored);
        QCOMPARE(stored.autoSync, 1);
        QCOMPARE(stored.syncContactType, kDesk);
        QCOMPARE(stored.syncContactTypeName, std::string("Front Desk"));

        tab->autoSyncBox()->setCurrentIndex(0);
        tab->autoSyncBox()->activated(0);
        QVERIFY(!w.window->autoSyncTimer().isActive());
        QVERIFY(tab->extensionBox()->isEnabled());
    }
};

KORVI_UI_TEST_MAIN(OperationsTest)
#include "OperationsTest.moc"
