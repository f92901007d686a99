// korvi-ui-shots OUTDIR: the window on an in-process simulated PBX and a small address book,
// each tab and each dialog saved as OUTDIR/NN-name.png. Meant for review by eye: clipped
// texts, empty lists and wrong enable states show there. The configuration and data live in
// the XDG folders of the environment (scripts/screenshots gives throw-away ones).
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QTabWidget>
#include <QTreeWidget>

#include "PbxSimulator.h"
#include "app/AppPaths.h"
#include "app/KorviSettings.h"
#include "app/SettingsRegistry.h"
#include "app/Texts.h"
#include "services/GmailPartner.h"
#include "services/OutlookPartner.h"
#include "services/Services.h"
#include "stores/gmail/Tgmail.h"
#include "stores/outlook/Toutlook.h"
#include "sync/Tctrl.h"
#include "ui/CardDavAccountDialog.h"
#include "ui/FolderChooserDialog.h"
#include "ui/GmailAccountDialog.h"
#include "ui/GmailGroupChooserDialog.h"
#include "ui/MainWindow.h"
#include "ui/ProgressDialog.h"
#include "ui/SelectServerDialog.h"
#include "ui/SimilarContactDialog.h"
#include "ui/SyncTab.h"
#include "ui/TrayIcon.h"
#include "ui/UiText.h"

namespace {

using korvi::Text;
using korvi::ui::Q;

namespace fs = std::filesystem;

class Shots {
public:
    explicit Shots(fs::path folder) : m_folder(std::move(folder)) {}

    void Save(QWidget* widget, const std::string& name) {
        Settle();
        const auto file = m_folder / (Number() + "-" + name + ".png");
        if (!widget->grab().save(Q(file.string()))) {
            std::fprintf(stderr, "korvi-ui-shots: could not write %s\n", file.c_str());
            m_failed = true;
            return;
        }
        std::printf("%s\n", file.c_str());
    }

    void SaveScreen(const std::string& name) {
        Settle();
        QScreen* screen = QGuiApplication::primaryScreen();
        const auto file = m_folder / (Number() + "-" + name + ".png");
        if (screen == nullptr || !screen->grabWindow(0).save(Q(file.string()))) {
            std::fprintf(stderr, "korvi-ui-shots: could not grab the screen\n");
            m_failed = true;
            return;
        }
        std::printf("%s\n", file.c_str());
    }

    // Lets the window system lay out and paint what was just shown.
    static void Settle(int ms = 150) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }

    static bool WaitFor(const std::function<bool()>& pred, int ms = 20000) {
        QElapsedTimer timer;
        timer.start();
        while (!pred()) {
            if (timer.elapsed() > ms) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return true;
    }

    bool failed() const { return m_failed; }

private:
    std::string Number() {
        const std::string number = std::to_string(++m_count);
        return number.size() < 2 ? "0" + number : number;
    }

    fs::path m_folder;
    int m_count = 0;
    bool m_failed = false;
};

void WriteCard(const fs::path& file, const std::string& uid, const std::string& given,
               const std::string& family, const std::string& tel) {
    fs::create_directories(file.parent_path());
    FILE* f = std::fopen(file.c_str(), "w");
    if (f == nullptr) return;
    std::fprintf(f,
                 "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:%s\r\nFN:%s %s\r\nN:%s;%s;;;\r\n%s\r\n"
                 "END:VCARD\r\n",
                 uid.c_str(), given.c_str(), family.c_str(), family.c_str(), given.c_str(),
                 tel.c_str());
    std::fclose(f);
}

void MakeAddressBook() {
    const auto contacts = korvi::AddressBookFolderDefault() / "Personal Folders" / "Contacts";
    WriteCard(contacts / "greta.vcf", "shot-greta", "Greta", "Lind", "TEL;TYPE=CELL:+46 70 123");
    WriteCard(contacts / "jonas.vcf", "shot-jonas", "Jonas", "Berg", "TEL;TYPE=WORK:+46 8 555");
    WriteCard(contacts / "Team" / "ola.vcf", "shot-ola", "Ola", "Hansen", "TEL;TYPE=WORK:+47 22");
}

// Runs one action to its end on the calling thread: the tool has no user to keep waiting.
int RunAction(korvi::Services& services, int action) {
    auto& ctrl = services.ctrl;
    if (const korvi::Result check = services.RunPreStartChecks(action); !check.ok()) {
        std::fprintf(stderr, "korvi-ui-shots: action %d: %s\n", action, check.text.c_str());
        return check.code;
    }
    ctrl.action = action;
    ctrl.SetBusy(1);
    ctrl.StartAction();
    ctrl.WaitUntilIdle();
    return ctrl.resultCode();
}

korvi::Question SimilarQuestion() {
    korvi::Question q;
    q.kind = korvi::Question::Kind::SimilarContact;
    q.caption = Text(86);
    q.heading = Text(87, "Outlook");
    q.pbxCaption = Text(88);
    q.partnerCaption = Text(89, "Outlook");
    q.pbxLines = {"First Name: Greta", "Last Name: Lind", "Display Name: Greta Lind",
                  "Number: +46 70 123 45 67 [Mob]", "Number: 0221 4711 [Bus1]"};
    q.partnerLines = {"First Name: Greta", "Last Name: Lind", "Display Name: Greta Lind",
                      "Number: +46 70 123 45 68 [Mob]"};
    q.buttons = {Text(90), Text(91, "Outlook"), Text(92), Text(52)};
    return q;
}

void ShowTabs(Shots& shots, korvi::ui::MainWindow& window) {
    const char* names[] = {"tab-settings", "tab-sync", "tab-import-export", "tab-services",
                           "tab-logging"};
    for (int page = 0; page < window.tabs()->count(); ++page) {
        window.tabs()->setCurrentIndex(page);
        Shots::WaitFor([&] { return !window.FlowRunning(); });
        shots.Save(&window, names[page]);
    }
    window.tabs()->setCurrentIndex(korvi::ui::MainWindow::kSettingsPage);
}

void ShowProgress(Shots& shots) {
    korvi::Tctrl ctrl;
    ctrl.SetWorkerSleeps(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
    ctrl.SetActionBody(korvi::kActSyncContacts, [](korvi::Tctrl& c, const korvi::StopFlag&) {
        c.SetProgress(1, 0, 1);
        c.SetProgressText(Text(129, {}, {}, "5", "12"), 42);
        c.WaitForStop(std::chrono::seconds(30));
    });
    korvi::ui::ProgressDialog dialog(ctrl);
    ctrl.action = korvi::kActSyncContacts;
    ctrl.SetBusy(1);
    ctrl.StartAction();
    dialog.Begin();
    Shots::WaitFor([&] { return !dialog.infoLabel()->text().isEmpty(); });
    shots.Save(&dialog, "dialog-progress");
    ctrl.CancelAction();
    dialog.done(QDialog::Rejected);
    ctrl.WaitUntilIdle();
}

void ShowDialogs(Shots& shots, korvi::ui::MainWindow& window, korvi::Services& services) {
    ShowProgress(shots);

    korvi::ui::SimilarContactDialog similar(SimilarQuestion(), &window);
    similar.show();
    shots.Save(&similar, "dialog-similar-contact");
    similar.close();

    korvi::ui::SelectServerDialog servers(
        {"http://192.0.2.10", "http://192.0.2.11", "http://192.0.2.12"}, 3, &window);
    servers.show();
    shots.Save(&servers, "dialog-select-server");
    servers.close();

    korvi::OutlookStore(services).showCreateButton = 1;
    if (const korvi::Result folders = korvi::OutlookStore(services).GetOutlookFolderInfo();
        !folders.ok()) {
        std::fprintf(stderr, "korvi-ui-shots: folders: %s\n", folders.text.c_str());
    }
    korvi::ui::FolderChooserDialog chooser(korvi::OutlookStore(services), &window);
    chooser.show();
    if (auto* item = chooser.ItemForPath(korvi::kDefaultContactsPath)) {
        item->setExpanded(true);
        chooser.tree()->setCurrentItem(item);
    }
    shots.Save(&chooser, "dialog-folder-chooser");
    chooser.close();

    QInputDialog name(&window);
    name.setWindowTitle(Q(Text(144)));
    name.setLabelText(Q(Text(143)));
    name.show();
    shots.Save(&name, "dialog-new-folder-name");
    name.close();

    struct Box {
        QMessageBox::Icon icon;
        std::string title;
        std::string text;
        QMessageBox::StandardButtons buttons;
        const char* name;
    };
    const Box boxes[] = {
        {QMessageBox::Warning, Text(170),
         Text(53, "\\\\Personal Folders\\Contacts", "Front Desk") + "\n\n" + Text(55) + "\n\n" +
             Text(56, "Outlook") + "\n" + Text(169) + "\n",
         QMessageBox::Ok | QMessageBox::Cancel, "box-first-time-sync"},
        {QMessageBox::Information, korvi::kAppName, Text(58, "Outlook", {}, "3", "2"),
         QMessageBox::Ok, "box-sync-result"},
        {QMessageBox::Critical, korvi::kAppName, Text(127) + " (Error Code -1)", QMessageBox::Ok,
         "box-error"},
    };
    for (const auto& b : boxes) {
        QMessageBox box(b.icon, Q(b.title), Q(b.text), b.buttons, &window);
        box.show();
        shots.Save(&box, b.name);
        box.close();
    }
}

// The cloud's dialogs, the chooser over groups as action 14 would list them (nothing is sent).
void ShowCloudDialogs(Shots& shots, korvi::ui::MainWindow& window, korvi::Services& services) {
    korvi::ui::GmailAccountDialog account("anna.berg@gmail.com", "secret-password", &window);
    account.show();
    shots.Save(&account, "dialog-cloud-account");
    account.close();

    korvi::Tgmail& store = korvi::GmailStore(services);
    store.folderTree = {Text(141), 0, std::nullopt, {}};
    const std::pair<const char*, int> groups[] = {
        {"System Group: My Contacts", 12}, {"Family", 3}, {"Team", 0}};
    for (const auto& [title, count] : groups) {
        korvi::Ty_gmailFolderInfo record{count, title, std::string("shot-") + title};
        store.folderTree.children.push_back(
            {std::string(title) + " (" + std::to_string(count) + ")", 1, record, {}});
    }
    store.loggedIn = 1;
    store.showCreateButton = 1;
    korvi::ui::GmailGroupChooserDialog chooser(store, &window);
    chooser.show();
    chooser.tree()->setCurrentItem(chooser.ItemStartingWith("Family"));
    shots.Save(&chooser, "dialog-cloud-group-chooser");
    chooser.close();
}

void ShowTray(Shots& shots, korvi::ui::MainWindow& window) {
    auto& tray = window.tray();
    tray.ApplyRules();
    tray.menu()->popup(QPoint(40, 40));
    shots.Save(tray.menu(), "tray-menu");
    tray.menu()->hide();
    if (korvi::ui::TrayIcon::Available()) {
        tray.Add();
        shots.SaveScreen("screen-with-tray-icon");
    }
}

// The CardDAV partner: the Sync tab with its address book, and the account dialog after
// "Find address books" (addresses of the documentation range; nothing is asked of them).
void ShowCardDav(Shots& shots, korvi::ui::MainWindow& window) {
    const std::string contacts = "https://dav.example.org/addressbooks/greta/contacts/";
    const std::string family = "https://dav.example.org/addressbooks/greta/family/";
    korvi::KorviSettings& settings = window.settings();
    settings.cardDavUrl = contacts;
    settings.cardDavUser = "greta";
    settings.cardDavPwd = "example";
    window.tabs()->setCurrentIndex(korvi::ui::MainWindow::kSyncPage);
    Shots::WaitFor([&] { return !window.FlowRunning(); });
    QComboBox* partners = window.syncTab()->partnerBox();
    const int before = partners->currentIndex();
    const int row = partners->findText("CardDAV");
    partners->setCurrentIndex(row);
    Q_EMIT partners->activated(row);
    shots.Save(&window, "tab-sync-carddav");
    partners->setCurrentIndex(before);
    Q_EMIT partners->activated(before);

    korvi::ui::CardDavAccountDialog dialog({contacts, "greta", "example", ""}, nullptr, &window);
    dialog.show();
    dialog.ShowAddressBooks({}, {{contacts, "Contacts"}, {family, "Family"}});
    shots.Save(&dialog, "dialog-carddav-account");
    dialog.close();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvi-ui-shots OUTDIR\n");
        return 2;
    }
    const fs::path out = argv[1];
    fs::create_directories(out);

    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    korvi::sim::SimOptions options;
    options.users = {{"demo", "4711"}};
    options.extensions = {{"demo", 101, "Front Desk", "201"}, {"demo", 102, "Back Office", "202"}};
    options.seeds = {{12, 101}, {6, 102}, {5, 65533}};
    options.portalPort = 0;
    korvi::sim::PbxSimulator simulator(options);
    std::string error;
    if (!simulator.Start(error)) {
        std::fprintf(stderr, "korvi-ui-shots: simulator: %s\n", error.c_str());
        return 1;
    }

    korvi::KorviSettings settings;
    settings.pbxUrl = "http://127.0.0.1";
    settings.pbxPort = std::to_string(simulator.Port());
    settings.userName = "demo";
    settings.pin = "4711";
    settings.connTimeout = "10";
    if (const korvi::Result saved = korvi::SaveSettingsToRegistry(settings); !saved.ok()) {
        std::fprintf(stderr, "korvi-ui-shots: settings: %s\n", saved.text.c_str());
        return 1;
    }
    MakeAddressBook();

    int rc = 0;
    {
        korvi::Services services;
        services.RegisterActions();
        korvi::ui::MainWindow window(services, korvi::GetStartupFlagsFromRegistry());
        window.StartUp();
        window.move(0, 0);
        auto& pbx = services.pbx;
        pbx.SetConnectionParams(settings.pbxUrl + ":" + settings.pbxPort, settings.userName,
                                settings.connTimeout, settings.pin);
        if (RunAction(services, korvi::kActGetExtnInfo) != 0) {
            std::fprintf(stderr, "korvi-ui-shots: extensions: %s\n",
                         services.ctrl.resultText().c_str());
        }
        Shots shots(out);
        ShowTabs(shots, window);
        ShowDialogs(shots, window, services);
        ShowCloudDialogs(shots, window, services);
        ShowTray(shots, window);
        ShowCardDav(shots, window);
        window.Shutdown();
        rc = shots.failed() ? 1 : 0;
    }
    simulator.Stop();
    return rc;
}
