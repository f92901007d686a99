// The similar-contact dialog of a first-time sync: the PBX contact and the partner contact side
// by side, and the four answers. Closing it any other way than by a button answers Cancel.
#pragma once

#include <QDialog>

#include "app/Prompt.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace korvi::ui {

class SimilarContactDialog final : public QDialog {
    Q_OBJECT

public:
    // question: a Question::Kind::SimilarContact as the sync builds it.
    SimilarContactDialog(const Question& question, QWidget* parent = nullptr);

    // kCancel, kUsePbx, kUsePartner or kRetainBoth; kCancel until a button was pressed.
    int choice() const { return m_choice; }

    QPushButton* button(int choice) const;
    QPlainTextEdit* pbxBox() const { return m_pbxBox; }
    QPlainTextEdit* partnerBox() const { return m_partnerBox; }

private:
    void Choose(int choice);

    QPlainTextEdit* m_pbxBox = nullptr;
    QPlainTextEdit* m_partnerBox = nullptr;
    QPushButton* m_buttons[4] = {};  // in the order of the choices 1, 2, 3, 0
    int m_choice = kCancel;
};

}  // namespace korvi::ui
