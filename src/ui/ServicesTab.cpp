#include "ui/ServicesTab.h"

#include <QGridLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/Texts.h"
#include "ui/ControlFactory.h"
#include "ui/UiText.h"
#include "ui/UserRules.h"

namespace korvi::ui {

ServicesTab::ServicesTab(QWidget* parent) : QWidget(parent) {
    setObjectName("Services");
    m_label = MakeBoldLabel("Launch User Portal:", "Label24", this);
    m_portal = MakeArrowButton("btnLaunchUserPortal", this);
    auto* grid = new QGridLayout;
    grid->setColumnStretch(2, 1);
    grid->addWidget(m_label, 0, 0);
    grid->addWidget(m_portal, 0, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch();
    connect(m_portal, &QToolButton::clicked, this, &ServicesTab::LaunchUserPortalClicked);
}

void ServicesTab::OnShow(const std::string& userName, const std::string& pin) {
    m_label->setText(Q(Text(kTextLaunchUserPortal)));
    m_portal->setEnabled(PortalAllowed(userName, pin));
}

}  // namespace korvi::ui
