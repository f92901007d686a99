// The cloud's two dialogs on their own, answered the way a user would: the account dialog with
// its checks, and the group chooser over the groups that the emulator (over HTTPS) gave the
// store, with its create button.
#include <memory>
#include <string>

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "GdataTestSupport.h"
#include "UiTestSupport.h"
#include "app/Progress.h"
#include "app/Texts.h"
#include "stores/gmail/Tgmail.h"
#include "ui/GmailAccountDialog.h"
#include "ui/GmailGroupChooserDialog.h"

using korvi::test::WaitFor;
using korvi::test::WaitForModal;

namespace {

constexpr char kEmail[] = "anna.test@gmail.com";
constexpr char kPassword[] = "anna-secret";

// An account with two groups (three contacts in "Family", none in "Team"), listed into the
// store's tree the way action 14 lists them.
struct Cloud {
    Cloud()
        : sim([] {
              korvi::gdatasim::GdataSimOptions o;
              o.accounts = {{kEmail, kPassword}};
              o.seeds = {{3, "Family"}, {0, "Team"}};
              return o;
          }()),
          store(progress, sim.MakeTransport()) {
        store.serviceUrl = sim.url();
        store.accountName = kEmail;
        store.accountPassword = kPassword;
    }
    bool List() {
        return sim.started() && store.LoginToGmail().ok() && store.GetGmailFolderInfo().ok();
    }
    korvi::test::TlsGdataSim sim;
    korvi::NullProgress progress;
    korvi::Tgmail store;
};

}  // namespace

class GmailDialogsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { korvi::test::QuietOffscreenWarnings(); }
    void init() { korvi::test::FreshHome("gmail-dialogs"); }

    // ---- Account dialog ----

    void account_okChecksTheAccountThenThePassword_data() {
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("refusal");  // empty: accepted
        const QString badAccount = QString::fromStdString(korvi::Text(181));
        const QString badPassword = QString::fromStdString(korvi::Text(182));
        QTest::newRow("not a cloud address") << "anna@example.org" << kPassword << badAccount;
        QTest::newRow("nothing before the domain") << "@gmail.com" << kPassword << badAccount;
        QTest::newRow("empty") << ""
                               << "" << badAccount;
        QTest::newRow("short password") << kEmail << "1234567" << badPassword;
        QTest::newRow("both right") << kEmail << kPassword << "";
        QTest::newRow("upper case domain") << "Anna.Test@GMAIL.com" << kPassword << "";
    }
    void account_okChecksTheAccountThenThePassword() {
        QFETCH(QString, account);
        QFETCH(QString, password);
        QFETCH(QString, refusal);
        korvi::ui::GmailAccountDialog dialog("", "");
        dialog.open();
        QCOMPARE(dialog.windowTitle(), QString("Enter Gmail login details"));
        QCOMPARE(dialog.passwordBox()->echoMode(), QLineEdit::Password);
        QTest::keyClicks(dialog.accountBox(), account);
        QTest::keyClicks(dialog.passwordBox(), password);
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        if (refusal.isEmpty()) {
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.account(), account.toStdString());
            QCOMPARE(dialog.password(), password.toStdString());
            return;
        }
        auto* box = WaitForModal<QMessageBox>();
        QVERIFY(box != nullptr);
        QCOMPARE(box->text(), refusal);
        QCOMPARE(box->icon(), QMessageBox::Critical);
        QCOMPARE(box->windowTitle(), QString("Korvi Communicator"));
        box->button(QMessageBox::Ok)->click();
        // Still open, the boxes as they were, for the user to mend.
        QVERIFY(WaitFor([&] { return QApplication::activeModalWidget() == &dialog; }));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.accountBox()->text(), account);
        QCOMPARE(dialog.passwordBox()->text(), password);
        dialog.reject();
    }

    void account_showsTheGivenAccountAndCancelLeavesIt() {
        korvi::ui::GmailAccountDialog dialog(kEmail, kPassword);
        dialog.open();
        QCOMPARE(dialog.accountBox()->text(), QString(kEmail));
        QCOMPARE(dialog.passwordBox()->text(), QString(kPassword));
        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    // ---- Group chooser ----

    void chooser_okOnlyOnAGroup() {
        Cloud cloud;
        QVERIFY(cloud.List());
        cloud.store.showCreateButton = 0;
        cloud.store.newFolderRequested = 1;  // left from an earlier chooser
        korvi::ui::GmailGroupChooserDialog dialog(cloud.store);
        dialog.open();
        QCOMPARE(dialog.windowTitle(), QString("Select Folder"));
        QVERIFY(dialog.createButton()->isHidden());
        QVERIFY(!dialog.okButton()->isEnabled());
        QCOMPARE(dialog.okButton()->toolTip(), QString("Use selected folder"));
        QCOMPARE(dialog.cancelButton()->toolTip(), QString("Cancel"));
        QCOMPARE(cloud.store.newFolderRequested, 0);

        auto* root = dialog.tree()->topLevelItem(0);
        QVERIFY(root != nullptr);
        QCOMPARE(root->text(0), QString("Gmail Contact Groups"));
        QVERIFY(root->isExpanded());
        dialog.tree()->setCurrentItem(root);
        QVERIFY(!dialog.okButton()->isEnabled());

        auto* family = dialog.ItemStartingWith("Family");
        QVERIFY(family != nullptr);
        QCOMPARE(family->text(0), QString("Family (3)"));
        QTest::mouseClick(dialog.tree()->viewport(), Qt::LeftButton, {},
                          dialog.tree()->visualItemRect(family).center());
        QVERIFY(dialog.okButton()->isEnabled());
        QCOMPARE(cloud.store.folderTitle, std::string("Family"));
        QCOMPARE(cloud.store.folderID, cloud.sim.sim().GroupId("Family"));
        QCOMPARE(cloud.store.folderContactCount, 3);
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void chooser_cancelIsRejected() {
        Cloud cloud;
        QVERIFY(cloud.List());
        korvi::ui::GmailGroupChooserDialog dialog(cloud.store);
        dialog.open();
        dialog.tree()->setCurrentItem(dialog.ItemStartingWith("Team"));
        QCOMPARE(cloud.store.folderTitle, std::string("Team"));
        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    // The create button: whatever the name brings, the chooser closes with OK.
    void chooser_createAsksTheNameAndClosesWithOk_data() {
        QTest::addColumn<bool>("loggedIn");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("inputAccepted");
        QTest::addColumn<QString>("message");  // empty: no box
        QTest::addColumn<int>("newFolderRequested");
        QTest::addColumn<int>("createCancelled");
        QTest::newRow("a name") << true << "Clients" << true << "" << 1 << 0;
        QTest::newRow("empty name") << true << "" << true << "Folder name is invalid!" << 0 << 1;
        QTest::newRow("input dismissed")
            << true << "Clients" << false << "Folder name is invalid!" << 0 << 1;
        QTest::newRow("not logged in")
            << false << "Clients" << true << "Not logged in to Gmail account!" << 0 << 0;
    }
    void chooser_createAsksTheNameAndClosesWithOk() {
        QFETCH(bool, loggedIn);
        QFETCH(QString, name);
        QFETCH(bool, inputAccepted);
        QFETCH(QString, message);
        QFETCH(int, newFolderRequested);
        QFETCH(int, createCancelled);
        Cloud cloud;
        QVERIFY(cloud.List());
        if (!loggedIn) cloud.store.loggedIn = 0;
        cloud.store.showCreateButton = 1;
        korvi::ui::GmailGroupChooserDialog dialog(cloud.store);
        dialog.open();
        QVERIFY(!dialog.createButton()->isHidden());
        QVERIFY(dialog.createButton()->isEnabled());
        QCOMPARE(dialog.createButton()->toolTip(), QString("Create new folder folder"));
        QTest::mouseClick(dialog.createButton(), Qt::LeftButton);

        auto* input = WaitForModal<QInputDialog>();
        QVERIFY(input != nullptr);
        QCOMPARE(input->windowTitle(), QString("Enter Name:"));
        QCOMPARE(input->labelText(), QString("Enter New Folder Name"));
        QCOMPARE(input->textValue(), QString());
        input->setTextValue(name);
        if (inputAccepted) {
            input->accept();
        } else {
            input->reject();
        }
        if (!message.isEmpty()) {
            auto* box = WaitForModal<QMessageBox>();
            QVERIFY(box != nullptr);
            QCOMPARE(box->text(), message);
            QCOMPARE(box->icon(), QMessageBox::Critical);
            box->button(QMessageBox::Ok)->click();
        }
        QVERIFY(WaitFor([&] { return !dialog.isVisible(); }));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(cloud.store.newFolderRequested, newFolderRequested);
        QCOMPARE(cloud.store.createCancelled, createCancelled);
        if (newFolderRequested == 1) QCOMPARE(cloud.store.folderTitle, name.toStdString());
    }
};

KORVI_UI_TEST_MAIN(GmailDialogsTest)
#include "GmailDialogsTest.moc"
