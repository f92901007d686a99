// The CardDAV account: the address (an address book, or a server that leads to the account's
// address books), the user name, the password, an optional file of certificate authorities,
// and a chooser of the account's address books. "Find address books" hands the boxes to the
// finder, which answers later on the GUI thread; choosing a book puts its address in the box.
// OK takes only an address and a file the store would use, and stays open otherwise.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QDialog>

#include "app/Result.h"
#include "flows/FrontEnd.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace korvi::ui {

struct CardDavAccount {
    std::string url;
    std::string user;
    std::string password;
    std::string caFile;
};

class CardDavAccountDialog final : public QDialog {
    Q_OBJECT

public:
    using Found = std::function<void(const Result&, const std::vector<flows::AddressBookEntry>&)>;
    // Starts looking for the address books of an account and calls found on the GUI thread
    // when done; false when nothing could be started now (another operation runs).
    using Finder = std::function<bool(const CardDavAccount&, Found found)>;

    CardDavAccountDialog(const CardDavAccount& current, Finder finder, QWidget* parent = nullptr);

    CardDavAccount account() const;
    // What a search found: the books in the chooser (the one in the address box chosen), or
    // the failure's text.
    void ShowAddressBooks(const Result& result, const std::vector<flows::AddressBookEntry>& books);

    QLineEdit* urlBox() const { return m_url; }
    QLineEdit* userBox() const { return m_user; }
    QLineEdit* passwordBox() const { return m_password; }
    QLineEdit* caFileBox() const { return m_caFile; }
    QToolButton* caFileButton() const { return m_chooseCaFile; }
    QPushButton* findButton() const { return m_find; }
    QComboBox* bookList() const { return m_books; }
    QLabel* statusLabel() const { return m_status; }
    QToolButton* okButton() const { return m_ok; }
    QToolButton* cancelButton() const { return m_cancel; }

private:
    void FindClicked();
    void BookChosen(int index);
    void ChooseCaFile();
    void OkClicked();

    Finder m_finder;
    std::vector<flows::AddressBookEntry> m_found;
    QLineEdit* m_url = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_caFile = nullptr;
    QToolButton* m_chooseCaFile = nullptr;
    QPushButton* m_find = nullptr;
    QComboBox* m_books = nullptr;
    QLabel* m_status = nullptr;
    QToolButton* m_ok = nullptr;
    QToolButton* m_cancel = nullptr;
};

}  // namespace korvi::ui
