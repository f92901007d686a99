// What the Import / Export Contacts tab does: showing it (the extensions read), delete, and
// every import and export, each run as a flow with the tab's extension box as its choice.
#pragma once

#include <QObject>

#include "app/Result.h"

namespace korvi::flows {
struct FlowContext;
}

namespace korvi::ui {

class ImportExportTab;
class WindowHost;

class ImportExportTabController final : public QObject {
    Q_OBJECT

public:
    ImportExportTabController(WindowHost& host, ImportExportTab& tab, QObject* parent = nullptr);

    // ImportExportShow.
    void OnShow();

private:
    void Delete();
    void Import(int source);
    void Export(int destination);
    void ShowExtensions();
    // An export to or import from the CardDAV address book (the account dialog first when no
    // account is set).
    void RunCardDavTransfer(Result (*flow)(flows::FlowContext&));

    WindowHost& m_host;
    ImportExportTab& m_tab;
};

}  // namespace korvi::ui
