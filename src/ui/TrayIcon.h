// The notification-area icon with its menu (Open, Sync Now!, Launch User Portal, Exit). The
// menu's enable rules are applied each time it pops up; a double click asks for the window.
#pragma once

#include <functional>

#include <QObject>

#include "ui/UserRules.h"

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace korvi::ui {

class TrayIcon final : public QObject {
    Q_OBJECT

public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    // Shows the icon (an icon already shown is not added twice) and removes it.
    void Add();
    void Remove();
    bool added() const { return m_added; }
    // Whether the desktop has a notification area at all.
    static bool Available();

    // Asked for the rules each time the menu pops up.
    void SetRules(std::function<TrayMenuState()> rules) { m_rules = std::move(rules); }
    // What the menu shows now, as it would pop up (tests, and the popup itself).
    void ApplyRules();

    // The tip, and a balloon message (an automatic sync that failed, for instance).
    void SetTip(const QString& tip);
    QString tip() const;
    void ShowWarning(const QString& title, const QString& text);

    QMenu* menu() const { return m_menu; }
    QAction* restoreAction() const { return m_restore; }
    QAction* syncAction() const { return m_sync; }
    QAction* portalAction() const { return m_portal; }
    QAction* exitAction() const { return m_exit; }
    QSystemTrayIcon* icon() const { return m_icon; }

Q_SIGNALS:
    void RestoreRequested();
    void SyncRequested();
    void PortalRequested();
    void ExitRequested();

private:
    QSystemTrayIcon* m_icon = nullptr;
    QMenu* m_menu = nullptr;
    QAction* m_restore = nullptr;
    QAction* m_sync = nullptr;
    QAction* m_portal = nullptr;
    QAction* m_exit = nullptr;
    std::function<TrayMenuState()> m_rules;
    bool m_added = false;
};

}  // namespace korvi::ui
