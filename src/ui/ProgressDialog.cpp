#include "ui/ProgressDialog.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Texts.h"
#include "sync/Tctrl.h"
#include "ui/UiText.h"

namespace korvi::ui {

ProgressDialog::ProgressDialog(const Tctrl& ctrl, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_ctrl(ctrl) {
    setObjectName("TstatusForm");
    m_info = new QLabel(this);
    m_info->setObjectName("lblInfo");
    m_info->setAlignment(Qt::AlignCenter);
    m_info->setWordWrap(true);
    QFont bold = m_info->font();
    bold.setBold(true);
    m_info->setFont(bold);

    m_bar = new QProgressBar(this);
    m_bar->setObjectName("pb1");
    m_bar->setRange(0, 100);
    m_bar->setTextVisible(false);

    m_cancel = new QPushButton(Q(Text(kTextCancelButton)), this);
    m_cancel->setObjectName("btnCancel");
    m_cancel->setAutoDefault(false);
    connect(m_cancel, &QPushButton::clicked, this, &ProgressDialog::CancelClicked);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_info);
    layout->addWidget(m_bar);
    layout->addLayout(buttons);

    // The width of the original dialog in average characters; the height follows the font.
    m_info->setMinimumWidth(fontMetrics().averageCharWidth() * 64);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_timer.setSingleShot(true);
    m_timer.setInterval(kPollMs);
    connect(&m_timer, &QTimer::timeout, this, &ProgressDialog::Poll);
}

void ProgressDialog::Begin() {
    m_cancelled = 0;
    setWindowTitle(Q(std::string(kAppName) + " " + Text(kTextProgress)));
    m_info->clear();
    m_bar->setValue(0);
    m_timer.start();
    open();
}

void ProgressDialog::Poll() {
    const ProgressState state = m_ctrl.ReadProgress();  // one consistent copy, under the lock
    m_info->setText(Q(state.progressText));
    m_bar->setEnabled(state.progressBarEnabled != 0);
    m_bar->setVisible(state.progressBarVisible != 0);
    m_bar->setValue(state.progressPosition);
    m_cancel->setEnabled(state.cancelEnabled != 0);
    m_cancel->setVisible(state.cancelVisible != 0);
    if (m_ctrl.busy() != 0) {
        m_timer.start();
        return;
    }
    accept();
}

void ProgressDialog::CancelClicked() {
    m_timer.stop();
    m_cancelled = 1;
    QDialog::reject();
}

void ProgressDialog::reject() {
    if (!m_cancel->isHidden() && m_cancel->isEnabled()) CancelClicked();
}

void ProgressDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}

}  // namespace korvi::ui
