// The Services tab: the button that opens the PBX user portal, logged in.
#pragma once

#include <string>

#include <QWidget>

class QLabel;
class QToolButton;

namespace korvi::ui {

class ServicesTab final : public QWidget {
    Q_OBJECT

public:
    explicit ServicesTab(QWidget* parent = nullptr);

    // Texts, and the button enabled by PortalAllowed (each time the tab is shown).
    void OnShow(const std::string& userName, const std::string& pin);

    QToolButton* portalButton() const { return m_portal; }

Q_SIGNALS:
    void LaunchUserPortalClicked();

private:
    QLabel* m_label = nullptr;
    QToolButton* m_portal = nullptr;
};

}  // namespace korvi::ui
