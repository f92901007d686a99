// The CardDAV partner in the window, against the PBX simulator and Radicale (both on loopback),
// answered the way a user would: the Sync tab's account dialog finding the account's address
// books and saving the one chosen, its refusals and failures, and an export to an address book
// that opens the dialog first when no account is set.
#include <filesystem>
#include <memory>
#include <string>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "PbxSimulator.h"
#include "RadicaleServer.h"
#include "UiTestSupport.h"
#include "app/KorviSettings.h"
#include "app/Log.h"
#include "app/SettingsRegistry.h"
#include "common/TestEnv.h"
#include "services/Services.h"
#include "stores/carddav/TcardDav.h"
#include "sync/Tctrl.h"
#include "ui/CardDavAccountDialog.h"
#include "ui/ImportExportTab.h"
#include "ui/MainWindow.h"
#include "ui/SyncTab.h"

using namespace std::chrono_literals;
using korvi::test::RadicaleServer;
using korvi::test::WaitFor;
using korvi::test::WaitForModal;
using korvi::ui::CardDavAccountDialog;
using korvi::ui::MainWindow;

namespace {

constexpr int kDesk = 101;

RadicaleServer* g_server = nullptr;

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The program with CardDAV as its sync partner and no account yet, against the simulator.
class World {
public:
    World() {
        korvi::test::FreshHome("carddav-window");
        korvi::sim::SimOptions options;
        options.users = {{"demo", "4711"}};
        options.extensions = {{"demo", kDesk, "Front Desk", "201"}};
        options.portalPort = 0;
        sim = std::make_unique<korvi::sim::PbxSimulator>(options);
        std::string error;
        if (!sim->Start(error)) qFatal("simulator: %s", error.c_str());
        korvi::KorviSettings s;
        s.pbxUrl = "http://127.0.0.1";
        s.pbxPort = std::to_string(sim->Port());
        s.userName = "demo";
        s.pin = "4711";
        s.connTimeout = "10";
        s.syncPartner = korvi::ePartner_CardDav;
        if (!korvi::SaveSettingsToRegistry(s).ok()) qFatal("settings");
    }
    ~World() {
        window.reset();
        services.reset();
        sim->Stop();
    }

    void Start() {
        services = std::make_unique<korvi::Services>();
        services->RegisterActions();
        services->ctrl.SetWorkerSleeps(0ms, 0ms);
        window = std::make_unique<MainWindow>(*services, korvi::GetStartupFlagsFromRegistry());
        window->show();
    }
    bool Show(int page) {
        window->tabs()->setCurrentIndex(page);
        return Idle();
    }
    bool Idle() {
        return WaitFor([this] { return !window->FlowRunning(); });
    }

    std::unique_ptr<korvi::sim::PbxSimulator> sim;
    std::unique_ptr<korvi::Services> services;
    std::unique_ptr<MainWindow> window;
};

// Types the account into the dialog's boxes as a user would.
void TypeAccount(CardDavAccountDialog& dialog, const std::string& url,
                 const std::string& password) {
    dialog.urlBox()->clear();
    QTest::keyClicks(dialog.urlBox(), Q(url));
    dialog.userBox()->clear();
    QTest::keyClicks(dialog.userBox(), RadicaleServer::kUser);
    dialog.passwordBox()->clear();
    QTest::keyClicks(dialog.passwordBox(), Q(password));
}

// The dialog's search done: the find button is on again.
bool FindDone(CardDavAccountDialog& dialog) {
    return WaitFor([&] { return dialog.findButton()->isEnabled(); });
}

}  // namespace

class CardDavWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        korvi::test::QuietOffscreenWarnings();
        korvi::SetDetailedLogging(false);
        m_server = std::make_unique<RadicaleServer>(
            RadicaleServer::Options{.tls = false, .folder = korvi::test::MakeTempDir("radicale")});
        std::string error;
        if (!m_server->Start(error)) QSKIP(("Radicale does not start: " + error).c_str());
        QVERIFY2(m_server->MakeAddressBook("family", m_family, error), error.c_str());
        QVERIFY2(m_server->MakeAddressBook("work", m_work, error), error.c_str());
        g_server = m_server.get();
    }
    void cleanupTestCase() {
        g_server = nullptr;
        m_server.reset();
    }

    void syncTab_dialogFindsTheAddressBooksAndSavesTheChosenOne() {
        World w;
        w.Start();
        QVERIFY(w.Show(MainWindow::kSyncPage));
        auto* tab = w.window->syncTab();
        QCOMPARE(tab->partnerBox()->currentText(), QString("CardDAV"));
        QVERIFY(tab->accountBox()->text().isEmpty());
        QVERIFY(!tab->syncButton()->isEnabled());  // no address book yet
        QVERIFY(tab->changeAccountButton()->isEnabled());

        QTest::mouseClick(tab->changeAccountButton(), Qt::LeftButton);
        auto* dialog = WaitForModal<CardDavAccountDialog>();
        QVERIFY(dialog != nullptr);
        QCOMPARE(dialog->passwordBox()->echoMode(), QLineEdit::Password);
        QVERIFY(!dialog->bookList()->isEnabled());
        // The server's address leads to the account's two address books.
        TypeAccount(*dialog, g_server->Url() + "/", RadicaleServer::kPassword);
        QTest::mouseClick(dialog->findButton(), Qt::LeftButton);
        QVERIFY(FindDone(*dialog));
        QCOMPARE(dialog->bookList()->count(), 2);
        QVERIFY(dialog->statusLabel()->text().startsWith("2 address books found"));
        const int work = dialog->bookList()->findText("work", Qt::MatchStartsWith);
        QVERIFY(work >= 0);
        dialog->bookList()->setCurrentIndex(work);
        dialog->bookList()->activated(work);
        QCOMPARE(dialog->urlBox()->text(), Q(m_work));
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
        QVERIFY(WaitFor([&] { return QApplication::activeModalWidget() == nullptr; }));

        QCOMPARE(tab->accountBox()->text(), Q(m_work));
        QVERIFY(tab->syncButton()->isEnabled());
        korvi::KorviSettings stored;
        korvi::GetAllSettingsFromRegistry(stored);
        QCOMPARE(stored.cardDavUrl, m_work);
        QCOMPARE(stored.cardDavUser, std::string(RadicaleServer::kUser));
        QCOMPARE(stored.cardDavPwd, std::string(RadicaleServer::kPassword));
        // Enciphered in the file, as the PBX's PIN is.
        const std::string file = korvi::test::ReadFile(korvi::SettingsFilePath());
        QVERIFY(file.find(RadicaleServer::kPassword) == std::string::npos);

        // Opened again, it shows the saved account; Cancel changes nothing.
        QTest::mouseClick(tab->changeAccountButton(), Qt::LeftButton);
        dialog = WaitForModal<CardDavAccountDialog>();
        QVERIFY(dialog != nullptr);
        QCOMPARE(dialog->urlBox()->text(), Q(m_work));
        QCOMPARE(dialog->passwordBox()->text(), QString(RadicaleServer::kPassword));
        dialog->urlBox()->setText("https://elsewhere.example/");
        QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
        QVERIFY(WaitFor([&] { return QApplication::activeModalWidget() == nullptr; }));
        korvi::GetAllSettingsFromRegistry(stored);
        QCOMPARE(stored.cardDavUrl, m_work);
    }

    void dialog_saysWhyItFindsNothingAndRefusesWhatTheStoreWouldNotUse_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("found");    // the status after "Find address books"
        QTest::addColumn<QString>("refusal");  // the error box after OK; empty: accepted
        const QString server = Q(g_server->Url() + "/");
        QTest::newRow("wrong password") << server << "not-the-password"
                                        << "HTTP 401"
                                        << "";
        QTest::newRow("no address book there") << Q(g_server->PrincipalUrl() + "gone/") << "secret"
                                               << "There is no address book at"
                                               << "";
        QTest::newRow("plain http to another host") << "http://192.0.2.1/dav/"
                                                    << "secret"
                                                    << "is not encrypted"
                                                    << "is not encrypted";
        QTest::newRow("no address") << ""
                                    << "secret"
                                    << "Enter the address"
                                    << "Enter the address";
    }
    void dialog_saysWhyItFindsNothingAndRefusesWhatTheStoreWouldNotUse() {
        QFETCH(QString, url);
        QFETCH(QString, password);
        QFETCH(QString, found);
        QFETCH(QString, refusal);
        World w;
        w.Start();
        QVERIFY(w.Show(MainWindow::kSyncPage));
        QTest::mouseClick(w.window->syncTab()->changeAccountButton(), Qt::LeftButton);
        auto* dialog = WaitForModal<CardDavAccountDialog>();
        QVERIFY(dialog != nullptr);
        TypeAccount(*dialog, url.toStdString(), password.toStdString());
        QTest::mouseClick(dialog->findButton(), Qt::LeftButton);
        QVERIFY(FindDone(*dialog));
        const QString status = dialog->statusLabel()->text();
        QVERIFY2(status.contains(found), qPrintable(status));
        QVERIFY(!status.contains(password));
        QVERIFY(!dialog->bookList()->isEnabled());

        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
        if (refusal.isEmpty()) {
            QVERIFY(WaitFor([&] { return QApplication::activeModalWidget() == nullptr; }));
            return;
        }
        auto* box = WaitForModal<QMessageBox>();
        QVERIFY(box != nullptr);
        QVERIFY2(box->text().contains(refusal), qPrintable(box->text()));
        box->button(QMessageBox::Ok)->click();
        // Still open with the boxes as typed, for the user to mend; nothing saved.
        QVERIFY(WaitFor([&] { return QApplication::activeModalWidget() == dialog; }));
        QCOMPARE(dialog->urlBox()->text(), url);
        QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
        korvi::KorviSettings stored;
        korvi::GetAllSettingsFromRegistry(stored);
        QVERIFY(stored.cardDavUrl.empty());
    }

    void export_withoutAnAccountAsksForItFirst() {
        World w;
        QCOMPARE(w.sim->SeedContacts(3, kDesk), 3);
        w.Start();
        QVERIFY(w.Show(MainWindow::kImportExportPage));
        auto* tab = w.window->importExportTab();
        tab->extensionBox()->setCurrentIndex(tab->extensionBox()->findText("Front Desk"));
        QCOMPARE(tab->exportDestinationBox()->itemText(korvi::ui::kExportCardDav),
                 QString("CardDAV"));
        tab->exportDestinationBox()->setCurrentIndex(korvi::ui::kExportCardDav);
        QTest::mouseClick(tab->exportButton(), Qt::LeftButton);
        auto* dialog = WaitForModal<CardDavAccountDialog>();
        QVERIFY(dialog != nullptr);
        TypeAccount(*dialog, m_family, RadicaleServer::kPassword);
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);

        auto* box = WaitForModal<QMessageBox>();
        QVERIFY(box != nullptr);
        QCOMPARE(box->text(),
                 QString("Saved 3 contacts to the CardDAV address book for Front Desk"));
        box->button(QMessageBox::Ok)->click();
        QVERIFY(w.Idle());

        // Another client of the address book sees them.
        korvi::NullProgress progress;
        korvi::TcardDav reader(progress, korvi::test::MakeTempDir("reader"));
        reader.settings.url = m_family;
        reader.settings.user = RadicaleServer::kUser;
        reader.settings.password = RadicaleServer::kPassword;
        korvi::TContactList list;
        korvi::StopFlag stop{false};
        QVERIFY(reader.LoadContacts(list, stop).ok());
        QCOMPARE(static_cast<int>(list.size()), 3);
    }

private:
    std::unique_ptr<RadicaleServer> m_server;
    std::string m_family;
    std::string m_work;
};

KORVI_UI_TEST_MAIN(CardDavWindowTest)
#include "CardDavWindowTest.moc"
