// What the Sync Contacts tab does: showing it (the extensions and the address book version
// read), the choices saved as they are made, the change of sync folder, the auto-sync switch,
// Sync Now, and the auto-sync timer's tick. The tab's controls are SyncTab's.
#pragma once

#include <string>

#include <QObject>

class QTimer;

namespace korvi {
class Clock;
}

namespace korvi::ui {

class SyncTab;
class WindowHost;

class SyncTabController final : public QObject {
    Q_OBJECT

public:
    SyncTabController(WindowHost& host, SyncTab& tab, QTimer& autoSyncTimer, const Clock& clock,
                      QObject* parent = nullptr);

    // SyncShow: texts, then (on the flow thread) the extensions and the address book version.
    void OnShow();
    // "Sync Now!": the extension chosen in the tab becomes the one to sync. From the tray:
    // the stored one.
    void SyncNowClicked();
    void SyncNowFromTray();
    // The timer's tick (public for tests): a sync when one is due, unless an operation runs
    // or a dialog is open.
    void AutoSyncTick();
    // Whether a sync may be offered with the current settings (IsSyncPartnerReady).
    bool PartnerReady() const;

Q_SIGNALS:
    // After an automatic sync: the failure text ("" when it went well) and whether the timer
    // has stopped.
    void AutoSyncFinished(const QString& failure, bool timerStopped);

private:
    void PartnerChosen(int index);
    void DirectionChosen(int index);
    void ConflictChosen(int index);
    void IntervalChosen(int index);
    void AutoSyncChosen(int index);
    void ChangeAccountClicked();
    void ChangeGmailGroup();
    void ShowSettings();
    void StartSync(bool takeSelection);
    int AddressBookVersion() const;

    WindowHost& m_host;
    SyncTab& m_tab;
    QTimer& m_timer;
    const Clock& m_clock;
};

}  // namespace korvi::ui
