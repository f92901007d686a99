// The operations on the PBX connection itself: Check Service and Find PBX on LAN (Settings
// tab), and the user portal (Services tab and the tray menu).
#pragma once

#include <QObject>

namespace korvi::ui {

class SettingsTab;
class WindowHost;

class ConnectionOperations final : public QObject {
    Q_OBJECT

public:
    ConnectionOperations(WindowHost& host, SettingsTab& settingsTab, QObject* parent = nullptr);

    void CheckService();
    // The URL found (or chosen) goes into the URL box; the port box stays as it is.
    void FindServer();
    void LaunchUserPortal();

private:
    WindowHost& m_host;
    SettingsTab& m_settingsTab;
};

}  // namespace korvi::ui
