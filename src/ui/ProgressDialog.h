// The progress dialog shown while an action runs: it mirrors the controller's progress onto a
// label, a bar and a Cancel button by polling every 10 ms, and closes itself when the
// controller is no longer busy. Cancel closes it at once, without waiting for the worker.
// Made once and reused for every action.
#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;
class QProgressBar;
class QPushButton;

namespace korvi {
class Tctrl;
}

namespace korvi::ui {

class ProgressDialog final : public QDialog {
    Q_OBJECT

public:
    static constexpr int kPollMs = 10;

    ProgressDialog(const Tctrl& ctrl, QWidget* parent = nullptr);

    // Resets `cancelled`, sets the caption and shows the dialog (window-modal, via open());
    // finished() follows when the action ends or Cancel is pressed.
    void Begin();
    // 1 when Cancel closed the dialog.
    int cancelled() const { return m_cancelled; }

    QLabel* infoLabel() const { return m_info; }
    QProgressBar* bar() const { return m_bar; }
    QPushButton* cancelButton() const { return m_cancel; }

protected:
    // Escape and the window manager's close act as Cancel only while Cancel is offered.
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Poll();
    void CancelClicked();

    const Tctrl& m_ctrl;
    QLabel* m_info = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancel = nullptr;
    QTimer m_timer;
    int m_cancelled = 0;
};

}  // namespace korvi::ui
