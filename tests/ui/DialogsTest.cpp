// The dialogs on their own: the progress dialog against a real controller and worker, the
// questions of a worker answered through the GUI thread, and the three choosers, each driven
// the way a user would.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include <QComboBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "UiTestSupport.h"
#include "app/Log.h"
#include "app/Prompt.h"
#include "app/Texts.h"
#include "common/TestEnv.h"
#include "stores/outlook/Toutlook.h"
#include "stores/outlook/VcfAddressBook.h"
#include "sync/Tctrl.h"
#include "ui/FolderChooserDialog.h"
#include "ui/GuiActionWaiter.h"
#include "ui/GuiBridge.h"
#include "ui/GuiChoices.h"
#include "ui/GuiPrompt.h"
#include "ui/ProgressDialog.h"
#include "ui/SelectServerDialog.h"
#include "ui/SimilarContactDialog.h"

using namespace std::chrono_literals;
using korvi::test::WaitFor;
using korvi::test::WaitForModal;

namespace {

// A one-shot signal from the test to a worker.
class Latch {
public:
    void Open() {
        {
            std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_changed.notify_all();
    }
    void Wait() {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, 20s, [this] { return m_open; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};

// A thread that asks through the bridge; released and joined however the test ends.
class Asker {
public:
    Asker(korvi::ui::GuiBridge& bridge, std::function<int()> ask)
        : m_bridge(bridge), m_thread([this, ask = std::move(ask)] { m_answer = ask(); }) {}
    ~Asker() {
        m_bridge.Shutdown();
        if (m_thread.joinable()) m_thread.join();
    }
    // The answer once the thread has it, or -100.
    int Answer() {
        if (!WaitFor([this] { return m_answer.load() != kUnanswered; })) return kUnanswered;
        m_thread.join();
        return m_answer;
    }

private:
    static constexpr int kUnanswered = -100;
    korvi::ui::GuiBridge& m_bridge;
    std::atomic<int> m_answer{kUnanswered};
    std::thread m_thread;
};

korvi::Question SimilarQuestion() {
    korvi::Question q;
    q.kind = korvi::Question::Kind::SimilarContact;
    q.id = "similar-contact";
    q.caption = korvi::Text(86);
    q.heading = korvi::Text(87, "Outlook");
    q.pbxCaption = korvi::Text(88);
    q.partnerCaption = korvi::Text(89, "Outlook");
    q.pbxLines = {"Display Name: Anna Berg", "Number: 0171 234 [Mob]"};
    q.partnerLines = {"First Name: Anna", "Last Name: Berg", "Number: 0171 235 [Mob]"};
    q.buttons = {korvi::Text(90), korvi::Text(91, "Outlook"), korvi::Text(92), korvi::Text(52)};
    return q;
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { korvi::test::QuietOffscreenWarnings(); }

    void init() {
        const auto home = korvi::test::FreshHome("dialogs");
        korvi::SetLogsFolder(home / "logs");
        korvi::SetDetailedLogging(true);
    }

    // ---- Progress dialog ----

    void progress_mirrorsTheControllerAndClosesWhenTheActionEnds() {
        korvi::Tctrl ctrl;
        ctrl.SetWorkerSleeps(0ms, 0ms);
        Latch release;
        ctrl.SetActionBody(korvi::kActCheckService, [&](korvi::Tctrl& c, const korvi::StopFlag&) {
            c.SetProgress(1, 0, 1);
            c.SetProgressText("Contacting PBX. Please wait....", 40);
            release.Wait();
        });
        korvi::ui::ProgressDialog dialog(ctrl);
        QSignalSpy finished(&dialog, &QDialog::finished);
        ctrl.action = korvi::kActCheckService;
        ctrl.SetBusy(1);
        ctrl.StartAction();
        dialog.Begin();
        QCOMPARE(dialog.windowTitle(), QString("Korvi Communicator Progress..."));
        QVERIFY(WaitFor(
            [&] { return dialog.infoLabel()->text() == "Contacting PBX. Please wait...."; }));
        QCOMPARE(dialog.bar()->value(), 40);
        QVERIFY(!dialog.bar()->isHidden());
        QVERIFY(!dialog.cancelButton()->isHidden());
        QVERIFY(dialog.cancelButton()->isEnabled());
        QCOMPARE(finished.count(), 0);

        release.Open();
        QVERIFY(WaitFor([&] { return finished.count() == 1; }));
        QCOMPARE(dialog.cancelled(), 0);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
    }

    void progress_anActionDoneBeforeTheFirstPollClosesAtTheFirstTick() {
        korvi::Tctrl ctrl;
        ctrl.SetWorkerSleeps(0ms, 0ms);
        ctrl.SetActionBody(korvi::kActCheckService, [](korvi::Tctrl&, const korvi::StopFlag&) {});
        ctrl.action = korvi::kActCheckService;
        ctrl.SetBusy(1);
        ctrl.StartAction();
        QVERIFY(ctrl.WaitUntilIdle(10s));
        korvi::ui::ProgressDialog dialog(ctrl);
        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.Begin();
        QVERIFY(WaitFor([&] { return finished.count() == 1; }));
        QCOMPARE(dialog.cancelled(), 0);
    }

    void progress_cancelClosesAtOnceWithoutWaitingForTheWorker() {
        korvi::Tctrl ctrl;
        ctrl.SetWorkerSleeps(0ms, 0ms);
        Latch release;
        ctrl.SetActionBody(korvi::kActCheckService, [&](korvi::Tctrl& c, const korvi::StopFlag&) {
            c.SetProgress(1, 0, 1);
            // A worker stuck in a slow call: it reacts to nothing until released.
            release.Wait();
        });
        korvi::ui::ProgressDialog dialog(ctrl);
        QSignalSpy finished(&dialog, &QDialog::finished);
        ctrl.action = korvi::kActCheckService;
        ctrl.SetBusy(1);
        ctrl.StartAction();
        dialog.Begin();
        QVERIFY(WaitFor([&] { return !dialog.cancelButton()->isHidden(); }));

        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        QCOMPARE(finished.count(), 1);  // closed in the click itself
        QCOMPARE(dialog.cancelled(), 1);
        QCOMPARE(ctrl.busy(), 1);  // the worker has not ended
        ctrl.CancelAction();
        QCOMPARE(ctrl.resultCode(), int(korvi::kResultCancelled));
        QCOMPARE(ctrl.resultText(), std::string("Action Cancelled!"));

        release.Open();
        QVERIFY(ctrl.WaitUntilIdle(10s));
    }

    void progress_withoutCancelTheDialogCannotBeClosed() {
        korvi::Tctrl ctrl;
        ctrl.SetWorkerSleeps(0ms, 0ms);
        Latch release;
        ctrl.SetActionBody(korvi::kActCheckService, [&](korvi::Tctrl& c, const korvi::StopFlag&) {
            c.SetProgress(1, 0, 0);
            c.SetProgressText("Working", 10);
            release.Wait();
        });
        korvi::ui::ProgressDialog dialog(ctrl);
        QSignalSpy finished(&dialog, &QDialog::finished);
        ctrl.action = korvi::kActCheckService;
        ctrl.SetBusy(1);
        ctrl.StartAction();
        dialog.Begin();
        QVERIFY(WaitFor([&] { return dialog.infoLabel()->text() == "Working"; }));
        QVERIFY(dialog.cancelButton()->isHidden());

        QTest::keyClick(&dialog, Qt::Key_Escape);
        dialog.close();
        QTest::qWait(30);
        QCOMPARE(finished.count(), 0);
        QVERIFY(dialog.isVisible());

        release.Open();
        QVERIFY(WaitFor([&] { return finished.count() == 1; }));
        QCOMPARE(dialog.cancelled(), 0);
    }

    void waiter_cancelEndsTheWaitWhileTheWorkerStillRuns() {
        korvi::Tctrl ctrl;
        ctrl.SetWorkerSleeps(0ms, 0ms);
        Latch release;
        ctrl.SetActionBody(korvi::kActGetExtnInfo, [&](korvi::Tctrl& c, const korvi::StopFlag&) {
            c.SetProgress(1, 0, 1);
            release.Wait();
        });
        QWidget parent;
        parent.show();
        korvi::ui::GuiBridge bridge;
        korvi::ui::ProgressDialog dialog(ctrl, &parent);
        korvi::ui::GuiActionWaiter waiter(bridge, dialog);
        std::atomic<int> busyAfterWait{-1};
        Asker flow(bridge, [&] {
            ctrl.action = korvi::kActGetExtnInfo;
            ctrl.SetBusy(1);
            ctrl.StartAction();
            const bool cancelled = waiter.Wait(ctrl, 0);
            busyAfterWait = ctrl.busy();
            if (cancelled) ctrl.CancelAction();
            return cancelled ? 1 : 0;
        });
        auto* shown = WaitForModal<korvi::ui::ProgressDialog>();
        QVERIFY(shown == &dialog);
        QVERIFY(WaitFor([&] { return !dialog.cancelButton()->isHidden(); }));
        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        QCOMPARE(flow.Answer(), 1);
        QCOMPARE(busyAfterWait.load(), 1);  // the flow went on while the worker was stuck
        QCOMPARE(ctrl.resultCode(), int(korvi::kResultCancelled));
        release.Open();
        QVERIFY(ctrl.WaitUntilIdle(10s));
    }

    void waiter_aSilentActionIsWaitedForWithoutADialog() {
        korvi::Tctrl ctrl;
        ctrl.SetWorkerSleeps(0ms, 0ms);
        ctrl.SetActionBody(korvi::kActGetExtnInfo,
                           [](korvi::Tctrl& c, const korvi::StopFlag&) { c.SetResult(0, "done"); });
        korvi::ui::GuiBridge bridge;
        korvi::ui::ProgressDialog dialog(ctrl);
        korvi::ui::GuiActionWaiter waiter(bridge, dialog);
        Asker flow(bridge, [&] {
            ctrl.action = korvi::kActGetExtnInfo;
            ctrl.SetBusy(1);
            ctrl.StartAction();
            return waiter.Wait(ctrl, 1) ? 1 : 0;
        });
        QCOMPARE(flow.Answer(), 0);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(ctrl.resultText(), std::string("done"));
    }

    void choices_fileChosenOrDismissed() {
        QWidget parent;
        parent.show();
        korvi::ui::GuiBridge bridge;
        korvi::ui::GuiChoices choices(bridge, &parent);
        const auto folder = korvi::test::MakeTempDir("files");
        std::string chosen = "unset";
        Asker save(bridge, [&] {
            const auto file = choices.ChooseSaveFile(korvi::ui::FileKind::kCsv);
            chosen = file.value_or("none");
            return 1;
        });
        auto* dialog = WaitForModal<QFileDialog>();
        QVERIFY(dialog != nullptr);
        QCOMPARE(dialog->objectName(), QString("FileSaveSelect"));
        QCOMPARE(dialog->nameFilters().front(), QString("CSV files (*.csv)"));
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
        // As a user does it: the folder, then the name typed and Enter.
        dialog->setDirectory(QString::fromStdString(folder.string()));
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        QVERIFY(name != nullptr);
        name->setText("front.csv");
        QTest::keyClick(name, Qt::Key_Return);
        QCOMPARE(save.Answer(), 1);
        QCOMPARE(chosen, (folder / "front.csv").string());

        Asker open(bridge, [&] {
            chosen = choices.ChooseOpenFile(korvi::ui::FileKind::kXml).value_or("none");
            return 1;
        });
        dialog = WaitForModal<QFileDialog>();
        QVERIFY(dialog != nullptr);
        QCOMPARE(dialog->objectName(), QString("FileOpenSelect"));
        QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
        dialog->reject();
        QCOMPARE(open.Answer(), 1);
        QCOMPARE(chosen, std::string("none"));
    }

    void choices_serverChosenFromTheFoundOnes() {
        QWidget parent;
        parent.show();
        korvi::ui::GuiBridge bridge;
        korvi::ui::GuiChoices choices(bridge, &parent);
        std::string chosen;
        Asker asker(bridge, [&] {
            chosen =
                choices.ChooseServer({"http://10.1.1.1", "http://10.1.1.2"}, 2).value_or("none");
            return 1;
        });
        auto* dialog = WaitForModal<korvi::ui::SelectServerDialog>();
        QVERIFY(dialog != nullptr);
        dialog->list()->setCurrentIndex(1);
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
        QCOMPARE(asker.Answer(), 1);
        QCOMPARE(chosen, std::string("http://10.1.1.2"));
    }

    // ---- Questions of another thread ----

    void prompt_confirmationIsAnsweredByTheBoxTheUserClicks_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("answer");
        QTest::newRow("Ok -> kOk") << int(QMessageBox::Ok) << int(korvi::kOk);
        QTest::newRow("Cancel -> kCancel") << int(QMessageBox::Cancel) << int(korvi::kCancel);
    }

    void prompt_confirmationIsAnsweredByTheBoxTheUserClicks() {
        QFETCH(int, button);
        QFETCH(int, answer);
        QWidget parent;
        parent.show();
        korvi::ui::GuiBridge bridge;
        korvi::ui::GuiPrompt prompt(bridge, &parent);
        korvi::Question q;
        q.kind = korvi::Question::Kind::Confirm;
        q.id = "pbx-deletes";
        q.caption = korvi::Text(170);
        q.text = korvi::Text(171, "Outlook", "Korvi Communicator", "3");
        Asker asker(bridge, [&] { return prompt.Ask(q); });

        auto* box = WaitForModal<QMessageBox>();
        QVERIFY(box != nullptr);
        QCOMPARE(box->windowTitle(), QString("Confirm"));
        QCOMPARE(box->text().toStdString(), q.text);
        QCOMPARE(box->icon(), QMessageBox::Warning);
        box->button(static_cast<QMessageBox::StandardButton>(button))->click();
        QCOMPARE(asker.Answer(), answer);
    }

    void prompt_similarContactShowsBothContactsAndReturnsTheChoice_data() {
        QTest::addColumn<int>("choice");
        QTest::newRow("Use PBX Contact") << int(korvi::kUsePbx);
        QTest::newRow("Use Outlook Contact") << int(korvi::kUsePartner);
        QTest::newRow("Retain Both") << int(korvi::kRetainBoth);
        QTest::newRow("Cancel") << int(korvi::kCancel);
    }

    void prompt_similarContactShowsBothContactsAndReturnsTheChoice() {
        QFETCH(int, choice);
        QWidget parent;
        parent.show();
        korvi::ui::GuiBridge bridge;
        korvi::ui::GuiPrompt prompt(bridge, &parent);
        Asker asker(bridge, [&] { return prompt.Ask(SimilarQuestion()); });

        auto* dialog = WaitForModal<korvi::ui::SimilarContactDialog>();
        QVERIFY(dialog != nullptr);
        QCOMPARE(dialog->windowTitle(), QString("Similar Contacts detected"));
        QCOMPARE(dialog->findChild<QLabel*>("Label11")->text(),
                 QString("Similar Contacts have been detected in PBX and Outlook. Choose Action!"));
        QCOMPARE(dialog->findChild<QLabel*>("Label2")->text(), QString("Outlook Contact:"));
        QCOMPARE(dialog->pbxBox()->toPlainText(),
                 QString("Display Name: Anna Berg\nNumber: 0171 234 [Mob]"));
        QCOMPARE(dialog->partnerBox()->toPlainText(),
                 QString("First Name: Anna\nLast Name: Berg\nNumber: 0171 235 [Mob]"));
        QCOMPARE(dialog->button(korvi::kUsePartner)->text(), QString("Use Outlook Contact"));
        QTest::mouseClick(dialog->button(choice), Qt::LeftButton);
        QCOMPARE(asker.Answer(), choice);
    }

    void prompt_similarContactClosedWithoutAButtonIsCancel() {
        QWidget parent;
        parent.show();
        korvi::ui::GuiBridge bridge;
        korvi::ui::GuiPrompt prompt(bridge, &parent);
        Asker asker(bridge, [&] { return prompt.Ask(SimilarQuestion()); });
        auto* dialog = WaitForModal<korvi::ui::SimilarContactDialog>();
        QVERIFY(dialog != nullptr);
        QTest::keyClick(dialog, Qt::Key_Escape);
        QCOMPARE(asker.Answer(), int(korvi::kCancel));
    }

    void bridge_shutdownReleasesAWaitingThreadWithItsFallback() {
        QWidget parent;
        parent.show();
        korvi::ui::GuiBridge bridge;
        korvi::ui::GuiPrompt prompt(bridge, &parent);
        korvi::Question q;
        q.caption = "Confirm";
        q.text = "Go on?";
        Asker asker(bridge, [&] { return prompt.Ask(q); });
        auto* box = WaitForModal<QMessageBox>();
        QVERIFY(box != nullptr);
        QCOMPARE(bridge.PendingCount(), 1);
        bridge.Shutdown();
        QCOMPARE(asker.Answer(), int(korvi::kCancel));
        // Asked after the end: answered at once, nothing shown.
        QCOMPARE(prompt.Ask(q), int(korvi::kCancel));
        box->button(QMessageBox::Ok)->click();
        QCOMPARE(bridge.PendingCount(), 0);
    }

    void bridge_aCallOnTheGuiThreadItselfNeverWaits() {
        korvi::ui::GuiBridge bridge;
        bool opened = false;
        const auto answer = bridge.Call([&](korvi::ui::GuiBridge::Answer) { opened = true; },
                                        korvi::ui::GuiAnswer{7, "fallback"});
        QCOMPARE(answer.code, 7);
        QVERIFY(!opened);
    }

    // ---- Select server ----

    void selectServer_listsTheFirstCountUrlsWithTheFirstChosen() {
        const std::vector<std::string> urls = {"http://10.0.0.5", "http://10.0.0.9",
                                               "http://10.0.0.12"};
        korvi::ui::SelectServerDialog dialog(urls, 2);
        QCOMPARE(dialog.windowTitle(), QString("Select PBX To Connect to"));
        QCOMPARE(dialog.list()->count(), 2);
        QCOMPARE(dialog.list()->currentIndex(), 0);
        QCOMPARE(dialog.chosenUrl(), std::string("http://10.0.0.5"));
        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.open();
        dialog.list()->setCurrentIndex(1);
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenUrl(), std::string("http://10.0.0.9"));

        korvi::ui::SelectServerDialog cancelled(urls, 3);
        cancelled.open();
        QTest::mouseClick(cancelled.cancelButton(), Qt::LeftButton);
        QCOMPARE(cancelled.result(), int(QDialog::Rejected));
        QCOMPARE(cancelled.cancelButton()->toolTip(), QString("Cancel"));
    }

    // ---- Address book folder chooser ----

    void folderChooser_okOnlyOnAContactsFolder() {
        Book book;
        korvi::Toutlook& store = book.store;
        store.showCreateButton = 0;
        korvi::ui::FolderChooserDialog dialog(store);
        dialog.open();
        QCOMPARE(dialog.windowTitle(), QString("Select Folder"));
        QVERIFY(dialog.createButton()->isHidden());
        QVERIFY(!dialog.okButton()->isEnabled());
        QCOMPARE(dialog.okButton()->toolTip(), QString("Use selected folder"));

        auto* storeItem = dialog.tree()->topLevelItem(0);
        QVERIFY(storeItem != nullptr);
        QCOMPARE(storeItem->text(0), QString("Personal Folders"));
        dialog.tree()->setCurrentItem(storeItem);
        QVERIFY(!dialog.okButton()->isEnabled());
        QCOMPARE(store.folderPath, std::string());

        auto* contacts = dialog.ItemForPath("\\\\Personal Folders\\Contacts");
        QVERIFY(contacts != nullptr);
        QCOMPARE(contacts->text(0), QString("Contacts (2)"));
        dialog.tree()->setCurrentItem(contacts);
        QVERIFY(dialog.okButton()->isEnabled());
        QCOMPARE(store.folderPath, std::string("\\\\Personal Folders\\Contacts"));
        QCOMPARE(store.folderContactCount, 2);
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(store.newFolderCreated, 0);
    }

    void folderChooser_createsANamedFolderBelowTheSelectedOne() {
        Book book;
        korvi::Toutlook& store = book.store;
        store.showCreateButton = 1;
        korvi::ui::FolderChooserDialog dialog(store);
        dialog.open();
        QVERIFY(!dialog.createButton()->isHidden());
        QCOMPARE(dialog.createButton()->toolTip(), QString("Create new folder folder"));
        dialog.tree()->setCurrentItem(dialog.ItemForPath("\\\\Personal Folders\\Contacts"));
        QTest::mouseClick(dialog.createButton(), Qt::LeftButton);

        auto* input = WaitForModal<QInputDialog>();
        QVERIFY(input != nullptr);
        QCOMPARE(input->windowTitle(), QString("Enter Name:"));
        QCOMPARE(input->labelText(), QString("Enter New Folder Name"));
        input->setTextValue("Team");
        input->accept();

        QVERIFY(WaitFor([&] { return !dialog.isVisible(); }));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(store.newFolderCreated, 1);
        QCOMPARE(store.createCancelled, 0);
        QCOMPARE(store.folderContactCount, 0);
        QCOMPARE(store.folderPath, std::string("\\\\Personal Folders\\Contacts\\Team"));
        QVERIFY(
            std::filesystem::is_directory(book.root / "Personal Folders" / "Contacts" / "Team"));
    }

    void folderChooser_anEmptyNameCancelsTheCreationAndStillClosesWithOk() {
        Book book;
        book.store.showCreateButton = 1;
        korvi::ui::FolderChooserDialog dialog(book.store);
        dialog.open();
        dialog.tree()->setCurrentItem(dialog.ItemForPath("\\\\Personal Folders\\Contacts"));
        QTest::mouseClick(dialog.createButton(), Qt::LeftButton);
        auto* input = WaitForModal<QInputDialog>();
        QVERIFY(input != nullptr);
        input->setTextValue("");
        input->accept();
        auto* box = WaitForModal<QMessageBox>();
        QVERIFY(box != nullptr);
        QCOMPARE(box->text(), QString("Folder name is invalid!"));
        QCOMPARE(box->icon(), QMessageBox::Critical);
        box->button(QMessageBox::Ok)->click();
        QVERIFY(WaitFor([&] { return !dialog.isVisible(); }));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(book.store.createCancelled, 1);
        QCOMPARE(book.store.folderPath, std::string());
    }

    void folderChooser_createWithoutASelectionNamesTheMissingChoice() {
        Book book;
        book.store.showCreateButton = 1;
        korvi::ui::FolderChooserDialog dialog(book.store);
        dialog.open();
        QTest::mouseClick(dialog.createButton(), Qt::LeftButton);
        auto* box = WaitForModal<QMessageBox>();
        QVERIFY(box != nullptr);
        QCOMPARE(box->text(),
                 QString("You must select a folder under which the new folder will be created!"));
        box->button(QMessageBox::Ok)->click();
        QVERIFY(WaitFor([&] { return !dialog.isVisible(); }));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(book.store.folderPath, std::string());
        QCOMPARE(book.store.newFolderCreated, 0);
    }

private:
    // An address book with the default contacts folder holding two cards, read into the
    // chooser's tree the way action 16 reads it.
    struct Book {
        Book()
            : root(korvi::test::MakeTempDir("book")), store(progress, [this] {
                  korvi::outlook::VcfAddressBookOptions options;
                  options.root = root;
                  options.backupsRoot = root.parent_path() / "backups";
                  return korvi::outlook::ConnectVcfAddressBook(options);
              }) {
            const auto contacts = root / "Personal Folders" / "Contacts";
            std::filesystem::create_directories(contacts);
            korvi::test::WriteFile(contacts / "a.vcf",
                                   "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:a\r\nFN:Anna Berg\r\n"
                                   "N:Berg;Anna;;;\r\nTEL;TYPE=CELL:0171 234\r\nEND:VCARD\r\n");
            korvi::test::WriteFile(contacts / "b.vcf",
                                   "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:b\r\nFN:Bo Lind\r\n"
                                   "N:Lind;Bo;;;\r\nTEL;TYPE=WORK:040 11\r\nEND:VCARD\r\n");
            const korvi::Result folders = store.GetOutlookFolderInfo();
            if (!folders.ok()) qWarning("GetOutlookFolderInfo: %s", folders.text.c_str());
        }
        std::filesystem::path root;
        korvi::NullProgress progress;
        korvi::Toutlook store;
    };
};

KORVI_UI_TEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
