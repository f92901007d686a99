// The Sync Contacts tab: which PBX phonebook, which partner store and folder, direction,
// conflict rule, auto sync and its interval, and "Sync Now!". This class shows the settings
// and keeps the controls' enable rules; the operations (SyncNow, the auto-sync switch, the
// change of folder) are the window's, started by the signals below.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <QWidget>

#include "pbx/Tpbx.h"
#include "ui/UserRules.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace korvi {
struct KorviSettings;
}

namespace korvi::ui {

class SyncTab final : public QWidget {
    Q_OBJECT

public:
    explicit SyncTab(QWidget* parent = nullptr);

    // The fixed texts and items (first step of showing the tab).
    void ShowTexts();
    // The nine controls off: the extensions could not be read, or there are none.
    void DisableControls();
    // The extension box filled and chosen, the partner, folder, direction, conflict, auto
    // sync and interval shown with their enable rules (the rest of showing the tab).
    void ShowSettings(const std::vector<TExtnInfo>& extensions, const KorviSettings& settings,
                      int outlookVersionCode, bool partnerReady);
    // The partner's label, folder box and button, the direction and conflict boxes, and the
    // Sync button.
    void UpdateFormForSyncPartner(const KorviSettings& settings, int outlookVersionCode,
                                  bool partnerReady);
    // The controls that auto sync freezes, off or back on.
    void ShowAutoSyncEnabled();
    void ShowAutoSyncDisabled(const KorviSettings& settings, int outlookVersionCode);
    // The extension chosen in the box (text and contact type) into the settings.
    void TakeSyncSelection(const std::vector<TExtnInfo>& extensions, KorviSettings& settings) const;
    // The partner box's items, row = partner code; a partner that this build cannot sync
    // with is shown but cannot be chosen.
    void SetPartners(const std::vector<PartnerItem>& partners);

    QComboBox* extensionBox() const { return m_extensions; }
    QComboBox* partnerBox() const { return m_partner; }
    QLineEdit* accountBox() const { return m_account; }
    QToolButton* changeAccountButton() const { return m_changeAccount; }
    QComboBox* directionBox() const { return m_direction; }
    QComboBox* conflictBox() const { return m_conflict; }
    QComboBox* autoSyncBox() const { return m_autoSync; }
    QComboBox* intervalBox() const { return m_interval; }
    QPushButton* syncButton() const { return m_sync; }
    QLabel* partnerLabel() const { return m_partnerLabel; }

Q_SIGNALS:
    // The user's choices (not the window's own settings of the boxes).
    void PartnerChosen(int index);
    void DirectionChosen(int index);
    void ConflictChosen(int index);
    void IntervalChosen(int index);
    void AutoSyncChosen(int index);
    void ChangeAccountClicked();
    void SyncClicked();

private:
    QLabel* m_heading = nullptr;
    QLabel* m_extensionsLabel = nullptr;
    QLabel* m_partnerCaption = nullptr;
    QLabel* m_partnerLabel = nullptr;
    QLabel* m_directionLabel = nullptr;
    QLabel* m_conflictLabel = nullptr;
    QLabel* m_autoSyncLabel = nullptr;
    QLabel* m_intervalLabel = nullptr;
    QComboBox* m_extensions = nullptr;
    QComboBox* m_partner = nullptr;
    QLineEdit* m_account = nullptr;
    QToolButton* m_changeAccount = nullptr;
    QComboBox* m_direction = nullptr;
    QComboBox* m_conflict = nullptr;
    QComboBox* m_autoSync = nullptr;
    QComboBox* m_interval = nullptr;
    QPushButton* m_sync = nullptr;
};

}  // namespace korvi::ui
