#include "ui/CardDavAccountDialog.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/TextIds.h"
#include "app/Texts.h"
#include "net/UrlText.h"
#include "stores/carddav/CardDavClient.h"
#include "ui/GlyphButton.h"
#include "ui/MessageBoxes.h"
#include "ui/UiText.h"

namespace korvi::ui {

namespace {

QLineEdit* Box(const std::string& text, const char* name, QWidget* parent) {
    auto* box = new QLineEdit(Q(text), parent);
    box->setObjectName(name);
    return box;
}

// What the store would refuse of these before sending anything; empty when nothing.
std::string RefusalOf(const CardDavAccount& account) {
    if (account.url.empty()) return "Enter the address of the address book or of the server";
    if (std::string refusal = carddav::CardDavClient::RefusalOf(account.url); !refusal.empty())
        return refusal;
    if (!account.caFile.empty() && account.caFile.front() != '/')
        return "The file of certificate authorities must be given with its full path";
    return {};
}

}  // namespace

CardDavAccountDialog::CardDavAccountDialog(const CardDavAccount& current, Finder finder,
                                           QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_finder(std::move(finder)) {
    setObjectName("TcardDavAccountForm");
    setWindowTitle(Q("CardDAV Account"));

    m_url = Box(current.url, "ebCardDavUrl", this);
    m_url->setPlaceholderText(Q("https://dav.example.org/"));
    // Room for an address book's address of the usual length, whatever the font.
    m_url->setMinimumWidth(fontMetrics().averageCharWidth() * 48);
    m_user = Box(current.user, "ebCardDavUser", this);
    m_password = Box(current.password, "ebCardDavPassword", this);
    m_password->setEchoMode(QLineEdit::Password);
    m_caFile = Box(current.caFile, "ebCardDavCaFile", this);
    m_caFile->setPlaceholderText(Q("the system's"));
    m_chooseCaFile = GlyphButton(QStyle::SP_DirOpenIcon, "Choose a file of certificate authorities",
                                 "btnCardDavCaFile", this);
    m_find = new QPushButton(Q("Find address books"), this);
    m_find->setObjectName("btnFindAddressBooks");
    m_books = new QComboBox(this);
    m_books->setObjectName("cbAddressBooks");
    m_books->setEnabled(false);
    m_status = new QLabel(this);
    m_status->setObjectName("lblCardDavStatus");
    m_status->setWordWrap(true);
    m_ok = GlyphButton(QStyle::SP_DialogOkButton, "OK", "btnOK", this);
    m_cancel =
        GlyphButton(QStyle::SP_DialogCancelButton, Text(kTextCancelButton), "btnCancel", this);

    connect(m_find, &QPushButton::clicked, this, &CardDavAccountDialog::FindClicked);
    connect(m_books, &QComboBox::activated, this, &CardDavAccountDialog::BookChosen);
    connect(m_chooseCaFile, &QToolButton::clicked, this, &CardDavAccountDialog::ChooseCaFile);
    connect(m_ok, &QToolButton::clicked, this, &CardDavAccountDialog::OkClicked);
    connect(m_cancel, &QToolButton::clicked, this, &QDialog::reject);

    auto* caFile = new QHBoxLayout;
    caFile->addWidget(m_caFile);
    caFile->addWidget(m_chooseCaFile);
    auto* fields = new QFormLayout;
    fields->addRow(Q("Address:"), m_url);
    fields->addRow(Q("User name:"), m_user);
    fields->addRow(Q("Password:"), m_password);
    fields->addRow(Q("Certificate authorities:"), caFile);
    auto* find = new QHBoxLayout;
    find->addWidget(m_find);
    find->addWidget(m_books, 1);
    fields->addRow(Q("Address book:"), find);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(m_status);
    layout->addSpacing(fontMetrics().height() / 2);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

CardDavAccount CardDavAccountDialog::account() const {
    return {S(m_url->text().trimmed()), S(m_user->text()), S(m_password->text()),
            S(m_caFile->text().trimmed())};
}

void CardDavAccountDialog::FindClicked() {
    const CardDavAccount asked = account();
    if (std::string refusal = RefusalOf(asked); !refusal.empty()) {
        m_status->setText(Q(refusal));
        return;
    }
    QPointer<CardDavAccountDialog> self(this);
    const bool started =
        m_finder && m_finder(asked, [self](const Result& result, const auto& books) {
            // The dialog may have been closed while the server was asked.
            if (self) self->ShowAddressBooks(result, books);
        });
    if (!started) {
        m_status->setText(Q("Another operation is running; try again when it has ended"));
        return;
    }
    m_find->setEnabled(false);
    m_status->setText(Q("Looking for address books at " + net::UrlForMessages(asked.url) + " ..."));
}

void CardDavAccountDialog::ShowAddressBooks(const Result& result,
                                            const std::vector<flows::AddressBookEntry>& books) {
    m_find->setEnabled(true);
    m_books->clear();
    m_found.clear();
    if (!result.ok()) {
        m_books->setEnabled(false);
        m_status->setText(Q(result.text));
        return;
    }
    if (books.empty()) {
        m_books->setEnabled(false);
        m_status->setText(Q("The account offers no address book"));
        return;
    }
    m_found = books;
    const std::string current = S(m_url->text().trimmed());
    int chosen = 0;
    for (std::size_t i = 0; i < books.size(); ++i) {
        const auto& book = books[i];
        const std::string name = book.displayName.empty() ? book.url : book.displayName;
        m_books->addItem(Q(name + "  (" + net::UrlForMessages(book.url) + ")"));
        m_books->setItemData(static_cast<int>(i), Q(book.url), Qt::ToolTipRole);
        if (book.url == current) chosen = static_cast<int>(i);
    }
    m_books->setEnabled(true);
    m_books->setCurrentIndex(chosen);
    BookChosen(chosen);
    m_status->setText(Q(books.size() == 1 ? std::string("1 address book found")
                                          : std::to_string(books.size()) +
                                                " address books found: choose the one to use"));
}

void CardDavAccountDialog::BookChosen(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_found.size()) return;
    m_url->setText(Q(m_found[static_cast<std::size_t>(index)].url));
}

void CardDavAccountDialog::ChooseCaFile() {
    auto* dialog = new QFileDialog(this);
    dialog->setObjectName("FileOpenSelect");
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setNameFilters({Q("Certificates (*.pem *.crt)"), Q("All Files (*)")});
    dialog->setFileMode(QFileDialog::ExistingFile);
    QPointer<QLineEdit> box = m_caFile;
    connect(dialog, &QDialog::finished, dialog, [dialog, box](int result) {
        const QStringList files = dialog->selectedFiles();
        if (result == QDialog::Accepted && !files.isEmpty() && box) box->setText(files.front());
    });
    dialog->open();
}

void CardDavAccountDialog::OkClicked() {
    // The boxes stay as they are, so the user can mend what was refused.
    if (std::string refusal = RefusalOf(account()); !refusal.empty()) {
        ShowMessage(this, MessageKind::kError, Q(refusal));
        return;
    }
    accept();
}

}  // namespace korvi::ui
