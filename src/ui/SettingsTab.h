// The Settings tab: the PBX connection values, Check Service, Find PBX on LAN, and the two
// start-up switches.
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace korvi {
struct KorviSettings;
}

namespace korvi::ui {

class WindowHost;

class SettingsTab final : public QWidget {
    Q_OBJECT

public:
    explicit SettingsTab(WindowHost& host, QWidget* parent = nullptr);

    // Texts of the tab (each time it is shown).
    void OnShow();
    // The connection boxes from the settings, and back.
    void LoadBoxes(const KorviSettings& settings);
    void StoreBoxes(KorviSettings& settings) const;

    QLineEdit* urlBox() const { return m_url; }
    QLineEdit* portBox() const { return m_port; }
    QLineEdit* timeoutBox() const { return m_timeout; }
    QLineEdit* userNameBox() const { return m_userName; }
    QLineEdit* pinBox() const { return m_pin; }
    QToolButton* findServerButton() const { return m_findServer; }
    QPushButton* checkServiceButton() const { return m_checkService; }
    QCheckBox* autoStartBox() const { return m_autoStart; }
    QCheckBox* runInTrayBox() const { return m_runInTray; }

Q_SIGNALS:
    void FindServerClicked();
    void CheckServiceClicked();
    // Also when the settings set the box: storing a switch runs what a click would.
    void AutoStartToggled(bool on);
    void RunInTrayToggled(bool on);
    // Any edit of the user name or the PIN (the tray menu and the portal button follow them).
    void CredentialsEdited();

private:
    void UserNameEdited();

    WindowHost& m_host;
    QLabel* m_hostSettings = nullptr;
    QLabel* m_urlLabel = nullptr;
    QLabel* m_portLabel = nullptr;
    QLabel* m_timeoutLabel = nullptr;
    QLabel* m_userNameLabel = nullptr;
    QLabel* m_pinLabel = nullptr;
    QLabel* m_startup = nullptr;
    QLineEdit* m_url = nullptr;
    QLineEdit* m_port = nullptr;
    QLineEdit* m_timeout = nullptr;
    QLineEdit* m_userName = nullptr;
    QLineEdit* m_pin = nullptr;
    QToolButton* m_findServer = nullptr;
    QPushButton* m_checkService = nullptr;
    QCheckBox* m_autoStart = nullptr;
    QCheckBox* m_runInTray = nullptr;
};

}  // namespace korvi::ui
