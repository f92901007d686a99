// The cloud account dialog: the account's e-mail and password (masked), filled by the caller.
// OK checks both and stays open with an error box while one fails; finished() is Accepted only
// once both pass.
#pragma once

#include <string>

#include <QDialog>

class QLineEdit;
class QToolButton;

namespace korvi::ui {

class GmailAccountDialog final : public QDialog {
    Q_OBJECT

public:
    GmailAccountDialog(const std::string& account, const std::string& password,
                       QWidget* parent = nullptr);

    std::string account() const;
    std::string password() const;

    QLineEdit* accountBox() const { return m_account; }
    QLineEdit* passwordBox() const { return m_password; }
    QToolButton* okButton() const { return m_ok; }
    QToolButton* cancelButton() const { return m_cancel; }

private:
    void OkClicked();

    QLineEdit* m_account = nullptr;
    QLineEdit* m_password = nullptr;
    QToolButton* m_ok = nullptr;
    QToolButton* m_cancel = nullptr;
};

}  // namespace korvi::ui
