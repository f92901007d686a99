#include "ui/GmailAccountDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/TextIds.h"
#include "app/Texts.h"
#include "app/Validation.h"
#include "ui/GlyphButton.h"
#include "ui/MessageBoxes.h"
#include "ui/UiText.h"

namespace korvi::ui {

GmailAccountDialog::GmailAccountDialog(const std::string& account, const std::string& password,
                                       QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("TgmailDetailsForm");
    setWindowTitle(Q(Text(kTextGmailLoginCaption)));

    m_account = new QLineEdit(Q(account), this);
    m_account->setObjectName("ebGmailEmail");
    m_password = new QLineEdit(Q(password), this);
    m_password->setObjectName("ebGmailPassword");
    m_password->setEchoMode(QLineEdit::Password);
    // Room for an address of the usual length, whatever the font.
    m_account->setMinimumWidth(fontMetrics().averageCharWidth() * 30);

    auto* accountLabel = new QLabel(Q(Text(kTextEmailLabel)), this);
    accountLabel->setObjectName("Label1");
    accountLabel->setBuddy(m_account);
    auto* passwordLabel = new QLabel(Q(Text(kTextPasswordLabel)), this);
    passwordLabel->setObjectName("Label2");
    passwordLabel->setBuddy(m_password);

    m_ok = GlyphButton(QStyle::SP_DialogOkButton, "OK", "btnOK", this);
    m_cancel =
        GlyphButton(QStyle::SP_DialogCancelButton, Text(kTextCancelButton), "btnCancel", this);
    connect(m_ok, &QToolButton::clicked, this, &GmailAccountDialog::OkClicked);
    connect(m_cancel, &QToolButton::clicked, this, &QDialog::reject);

    auto* fields = new QFormLayout;
    fields->addRow(accountLabel, m_account);
    fields->addRow(passwordLabel, m_password);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(fontMetrics().height());
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

std::string GmailAccountDialog::account() const { return S(m_account->text()); }

std::string GmailAccountDialog::password() const { return S(m_password->text()); }

void GmailAccountDialog::OkClicked() {
    // The checks leave the boxes as they are, so the user can mend what was refused.
    for (const Result& check :
         {ValidateGmailAccount(account()), ValidateGmailPassword(password())}) {
        if (!check.ok()) {
            ShowMessage(this, MessageKind::kError, Q(check.text));
            return;
        }
    }
    accept();
}

}  // namespace korvi::ui
