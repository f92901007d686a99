// Chooses one of several PBXs that answered on the local network. Accepted: the chosen URL is
// chosenUrl(); Rejected: nothing chosen.
#pragma once

#include <string>
#include <vector>

#include <QDialog>

class QComboBox;
class QPushButton;

namespace korvi::ui {

class SelectServerDialog final : public QDialog {
    Q_OBJECT

public:
    // Lists the first count entries of urls (all of them when there are fewer) and selects the
    // first.
    SelectServerDialog(const std::vector<std::string>& urls, int count, QWidget* parent = nullptr);

    std::string chosenUrl() const;
    QComboBox* list() const { return m_list; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    QComboBox* m_list = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace korvi::ui
