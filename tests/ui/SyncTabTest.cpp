// The Sync Contacts tab's controls against the settings: what each box shows and which
// controls auto sync, the partner and the address book version leave usable.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QToolButton>

#include "UiTestSupport.h"
#include "app/KorviSettings.h"
#include "services/PartnerRegistry.h"
#include "sync/MemoryPartnerStore.h"
#include "sync/Tctrl.h"
#include "ui/SyncTab.h"

namespace {

const std::vector<korvi::TExtnInfo> kTwo = {{"101", "Front Desk", "201"},
                                            {"205", "Back Office", "202"}};
const std::vector<korvi::TExtnInfo> kOne = {{"101", "Front Desk", "201"}};

// The address book's version from which folders can be chosen.
constexpr int kWithFolders = 8;

QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items;
}

}  // namespace

class SyncTabTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { korvi::test::QuietOffscreenWarnings(); }

    void show_autoSyncOffLeavesEverythingUsable() {
        korvi::ui::SyncTab tab;
        tab.ShowTexts();
        korvi::KorviSettings s;
        s.syncOutlookFolder = "\\\\Personal Folders\\Contacts\\Team";
        s.syncDir = korvi::eSyncDir_Both;
        s.autoSyncInterval = 2;
        tab.ShowSettings(kTwo, s, kWithFolders, true);

        QCOMPARE(Items(tab.extensionBox()),
                 QStringList({"Central Store", "Front Desk", "Back Office"}));
        QCOMPARE(tab.extensionBox()->currentIndex(), 0);
        QCOMPARE(tab.partnerBox()->currentIndex(), 0);
        QCOMPARE(tab.partnerLabel()->text(), QString("Outlook Folder:"));
        QCOMPARE(tab.accountBox()->text(), QString("\\\\Personal Folders\\Contacts\\Team"));
        QCOMPARE(tab.changeAccountButton()->toolTip(),
                 QString("Click to Browse for Outlook folder to Sync with."));
        QCOMPARE(
            Items(tab.directionBox()),
            QStringList({"Update in both directions", "Apply PBX changes to Outlook only",
                         "Apply Outlook changes to PBX only", "Replace Outlook with PBX contacts",
                         "Replace PBX with Outlook contacts"}));
        QCOMPARE(Items(tab.conflictBox()), QStringList({"Use PBX details", "Use Outlook details"}));
        QCOMPARE(Items(tab.autoSyncBox()), QStringList({"Disabled", "Enabled"}));
        QCOMPARE(Items(tab.intervalBox()), QStringList({"Every Hour", "Every Day", "Every Week"}));
        QCOMPARE(tab.intervalBox()->currentIndex(), 2);
        QCOMPARE(tab.syncButton()->text(), QString("Sync Now!"));
        for (QWidget* w : std::initializer_list<QWidget*>{
                 tab.extensionBox(), tab.partnerBox(), tab.accountBox(), tab.changeAccountButton(),
                 tab.directionBox(), tab.conflictBox(), tab.autoSyncBox(), tab.intervalBox(),
                 tab.syncButton()}) {
            QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
        }
    }

    void show_conflictRuleOnlyForTheTwoWayDirection_data() {
        QTest::addColumn<int>("direction");
        QTest::addColumn<bool>("conflict");
        QTest::newRow("both -> on") << 0 << true;
        QTest::newRow("PBX to partner -> off") << 1 << false;
        QTest::newRow("replace PBX -> off") << 4 << false;
    }

    void show_conflictRuleOnlyForTheTwoWayDirection() {
        QFETCH(int, direction);
        QFETCH(bool, conflict);
        korvi::ui::SyncTab tab;
        korvi::KorviSettings s;
        s.syncDir = direction;
        tab.ShowSettings(kTwo, s, kWithFolders, true);
        QCOMPARE(tab.directionBox()->currentIndex(), direction);
        QCOMPARE(tab.conflictBox()->isEnabled(), conflict);
    }

    void show_autoSyncOnFreezesTheChoiceOnTheStoredExtension_data() {
        QTest::addColumn<int>("extensions");
        QTest::addColumn<int>("contactType");
        QTest::addColumn<int>("item");
        QTest::newRow("second extension -> its item") << 2 << 205 << 2;
        QTest::newRow("central store -> item 0") << 2 << 65533 << 0;
        QTest::newRow("one extension -> item 0") << 1 << 101 << 0;
        // A device id that is not in the list shows no extension rather than another one.
        QTest::newRow("unknown device -> none") << 2 << 999 << -1;
    }

    void show_autoSyncOnFreezesTheChoiceOnTheStoredExtension() {
        QFETCH(int, extensions);
        QFETCH(int, contactType);
        QFETCH(int, item);
        korvi::ui::SyncTab tab;
        korvi::KorviSettings s;
        s.autoSync = 1;
        s.syncContactType = contactType;
        tab.ShowSettings(extensions == 2 ? kTwo : kOne, s, kWithFolders, true);
        QCOMPARE(tab.extensionBox()->currentIndex(), item);
        QCOMPARE(tab.autoSyncBox()->currentIndex(), 1);
        QVERIFY(tab.autoSyncBox()->isEnabled());
        QVERIFY(tab.syncButton()->isEnabled());
        for (QWidget* w : std::initializer_list<QWidget*>{
                 tab.extensionBox(), tab.partnerBox(), tab.accountBox(), tab.changeAccountButton(),
                 tab.directionBox(), tab.conflictBox(), tab.intervalBox()}) {
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        }

        tab.ShowAutoSyncDisabled(s, kWithFolders);
        for (QWidget* w : std::initializer_list<QWidget*>{
                 tab.extensionBox(), tab.partnerBox(), tab.accountBox(), tab.changeAccountButton(),
                 tab.directionBox(), tab.conflictBox(), tab.intervalBox()}) {
            QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
        }
    }

    void show_anOldAddressBookOffersOnlyTheDefaultFolder() {
        korvi::ui::SyncTab tab;
        korvi::KorviSettings s;
        s.syncOutlookFolder = "\\\\Personal Folders\\Contacts\\Team";
        tab.ShowSettings(kOne, s, 3, true);
        QCOMPARE(tab.accountBox()->text(), QString("\\\\Personal Folders\\Contacts"));
        QVERIFY(!tab.accountBox()->isEnabled());
        QVERIFY(!tab.changeAccountButton()->isEnabled());
        tab.ShowAutoSyncDisabled(s, 3);
        QVERIFY(!tab.changeAccountButton()->isEnabled());
    }

    void show_cloudPartnerShowsItsGroupAndFollowsReadiness() {
        korvi::ui::SyncTab tab;
        korvi::KorviSettings s;
        s.syncPartner = korvi::ePartner_Gmail;
        s.syncGmailFolderTitle = "Friends";
        tab.ShowSettings(kOne, s, 0, false);
        QCOMPARE(tab.partnerLabel()->text(), QString("Gmail Folder:"));
        QCOMPARE(tab.accountBox()->text(), QString("Friends"));
        QVERIFY(tab.changeAccountButton()->isEnabled());
        QCOMPARE(tab.changeAccountButton()->toolTip(),
                 QString("Click to select Gmail Account / Folder to Sync with."));
        QCOMPARE(tab.directionBox()->itemText(1), QString("Apply PBX changes to Gmail only"));
        QVERIFY(!tab.syncButton()->isEnabled());
    }

    void choices_onlyTheUsersOwnAreSignalled() {
        korvi::ui::SyncTab tab;
        QSignalSpy partner(&tab, &korvi::ui::SyncTab::PartnerChosen);
        QSignalSpy direction(&tab, &korvi::ui::SyncTab::DirectionChosen);
        korvi::KorviSettings s;
        s.syncDir = 2;
        tab.ShowSettings(kTwo, s, kWithFolders, true);
        QCOMPARE(direction.count(), 0);  // filling the boxes is no choice
        tab.show();
        tab.directionBox()->activated(3);
        QCOMPARE(direction.count(), 1);
        QCOMPARE(direction.at(0).at(0).toInt(), 3);
        QCOMPARE(partner.count(), 0);
    }

    void partners_eachAtItsCodeOnlyRegisteredOnesChoosable() {
        // The address book and a third partner registered; the cloud's store is not.
        korvi::PartnerRegistry registry;
        for (const auto& [code, name] : {std::pair{0, "Outlook"}, std::pair{2, "CardDAV"}}) {
            korvi::Partner partner;
            partner.code = code;
            partner.name = name;
            registry.Register(std::move(partner), std::make_unique<korvi::MemoryPartnerStore>());
        }
        korvi::ui::SyncTab tab;
        tab.SetPartners(korvi::ui::PartnerItems(registry));
        QCOMPARE(Items(tab.partnerBox()), QStringList({"Outlook", "Gmail", "CardDAV"}));
        auto* model = qobject_cast<QStandardItemModel*>(tab.partnerBox()->model());
        QVERIFY(model != nullptr);
        QVERIFY(model->item(0)->isEnabled());
        QVERIFY(!model->item(1)->isEnabled());
        QVERIFY(model->item(2)->isEnabled());

        // A stored choice of the third partner shows it.
        korvi::KorviSettings s;
        s.syncPartner = 2;
        tab.ShowSettings(kTwo, s, kWithFolders, true);
        QCOMPARE(tab.partnerBox()->currentText(), QString("CardDAV"));
        QCOMPARE(tab.partnerLabel()->text(), QString("CardDAV Folder:"));
    }

    void selection_takesTheShownExtensionsDeviceId() {
        korvi::ui::SyncTab tab;
        korvi::KorviSettings s;
        tab.ShowSettings(kTwo, s, kWithFolders, true);
        tab.extensionBox()->setCurrentIndex(2);
        tab.TakeSyncSelection(kTwo, s);
        QCOMPARE(s.syncContactType, 205);
        QCOMPARE(s.syncContactTypeName, std::string("Back Office"));
        tab.extensionBox()->setCurrentIndex(0);
        tab.TakeSyncSelection(kTwo, s);
        QCOMPARE(s.syncContactType, 65533);
        QCOMPARE(s.syncContactTypeName, std::string("Central Store"));
    }
};

KORVI_UI_TEST_MAIN(SyncTabTest)
#include "SyncTabTest.moc"
