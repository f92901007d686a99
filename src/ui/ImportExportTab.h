// The Import / Export Contacts tab: the PBX phonebook to work on, delete, import from a source
// and export to a destination. The operations are the window's, started by the signals.
#pragma once

#include <string>
#include <vector>

#include <QWidget>

#include "pbx/Tpbx.h"
#include "ui/ExtensionChoice.h"

class QComboBox;
class QLabel;
class QToolButton;

namespace korvi::ui {

// Items of the source and destination boxes (not localised). The address book server comes
// after the files, so that the other items keep their rows.
enum ImportSource : int {
    kImportOutlook = 0,
    kImportGmail = 1,
    kImportXml = 2,
    kImportCardDav = 3
};
enum ExportDestination : int {
    kExportOutlook = 0,
    kExportGmail = 1,
    kExportXml = 2,
    kExportCsv = 3,
    kExportCardDav = 4
};

class ImportExportTab final : public QWidget {
    Q_OBJECT

public:
    explicit ImportExportTab(QWidget* parent = nullptr);

    void ShowTexts();
    // The extension box and the three buttons off (the extensions could not be read, or
    // there are none).
    void DisableControls();
    // The box filled ("Central Store" first when there is more than one extension), item 0
    // chosen, the controls on.
    void ShowExtensions(const std::vector<TExtnInfo>& extensions);
    // What the extension box shows, as a contact type.
    ContactTypeChoice SelectedContactType(const std::vector<TExtnInfo>& extensions) const;
    std::string extensionText() const;
    // A partner that this build cannot reach is listed but cannot be chosen.
    void SetPartnerAvailable(int partner, bool available);

    QComboBox* extensionBox() const { return m_extensions; }
    QComboBox* importSourceBox() const { return m_importSource; }
    QComboBox* exportDestinationBox() const { return m_exportDestination; }
    QToolButton* deleteButton() const { return m_delete; }
    QToolButton* importButton() const { return m_import; }
    QToolButton* exportButton() const { return m_export; }

Q_SIGNALS:
    void DeleteClicked();
    void ImportClicked(int source);
    void ExportClicked(int destination);

private:
    QLabel* m_extensionsLabel = nullptr;
    QLabel* m_deleteLabel = nullptr;
    QLabel* m_importLabel = nullptr;
    QLabel* m_exportLabel = nullptr;
    QComboBox* m_extensions = nullptr;
    QComboBox* m_importSource = nullptr;
    QComboBox* m_exportDestination = nullptr;
    QToolButton* m_delete = nullptr;
    QToolButton* m_import = nullptr;
    QToolButton* m_export = nullptr;
};

}  // namespace korvi::ui
