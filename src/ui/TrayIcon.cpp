#include "ui/TrayIcon.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

#include "app/Texts.h"
#include "ui/AppIcon.h"
#include "ui/UiText.h"

namespace korvi::ui {

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent), m_icon(new QSystemTrayIcon(AppIcon(), this)), m_menu(new QMenu) {
    m_menu->setObjectName("PopupMenu1");
    m_restore = m_menu->addAction(Q(Text(kTextOpen)));
    m_restore->setObjectName("Restore1");
    m_sync = m_menu->addAction(Q(Text(kTextSyncNow)));
    m_sync->setObjectName("Synchronize1");
    m_portal = m_menu->addAction(Q(Text(kTextLaunchUserPortal)));
    m_portal->setObjectName("LaunchUSerPortal1");
    m_exit = m_menu->addAction(Q(Text(kTextExit)));
    m_exit->setObjectName("Close1");
    m_icon->setContextMenu(m_menu);
    m_icon->setToolTip(Q(kAppName));

    connect(m_menu, &QMenu::aboutToShow, this, &TrayIcon::ApplyRules);
    connect(m_restore, &QAction::triggered, this, &TrayIcon::RestoreRequested);
    connect(m_sync, &QAction::triggered, this, &TrayIcon::SyncRequested);
    connect(m_portal, &QAction::triggered, this, &TrayIcon::PortalRequested);
    connect(m_exit, &QAction::triggered, this, &TrayIcon::ExitRequested);
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick) Q_EMIT RestoreRequested();
            });
}

// The menu has no parent widget (a tray menu must not close with the window).
TrayIcon::~TrayIcon() { delete m_menu; }

void TrayIcon::Add() {
    if (m_added) return;
    m_icon->show();
    m_added = true;
}

void TrayIcon::Remove() {
    if (!m_added) return;
    m_icon->hide();
    m_added = false;
}

bool TrayIcon::Available() { return QSystemTrayIcon::isSystemTrayAvailable(); }

void TrayIcon::ApplyRules() {
    const TrayMenuState state = m_rules ? m_rules() : TrayMenuState{};
    m_sync->setEnabled(state.syncEnabled);
    m_portal->setEnabled(state.portalEnabled);
}

void TrayIcon::SetTip(const QString& tip) { m_icon->setToolTip(tip); }

QString TrayIcon::tip() const { return m_icon->toolTip(); }

void TrayIcon::ShowWarning(const QString& title, const QString& text) {
    if (m_added) m_icon->showMessage(title, text, QSystemTrayIcon::Warning);
}

}  // namespace korvi::ui
