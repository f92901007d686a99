// The composition root shared by the command line tool and the window: the long-lived modules
// of one process, created in a fixed order, and the registration of every action body on the
// controller. A module adds its member below and one registration call in RegisterActions().
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "files/ContactFile.h"
#include "pbx/Tpbx.h"
#include "stores/outlook/Toutlook.h"
#include "sync/OutlookActions.h"
#include "sync/Tctrl.h"

namespace korvi {

class Services {
    // Declared before the modules: they are constructed with these folders at hand.
    std::filesystem::path m_dataFolder;
    std::filesystem::path m_logsFolder;
    std::string m_setupWarning;

public:
    // Uses the user's folders (src/app/AppPaths.h), creates them where missing and points the
    // logs there. Never fails: see setupWarning().
    Services();
    Services(const Services&) = delete;
    Services& operator=(const Services&) = delete;
    ~Services();

    // Sync lists, backups and the address book default live here.
    const std::filesystem::path& dataFolder() const { return m_dataFolder; }
    const std::filesystem::path& logsFolder() const { return m_logsFolder; }
    // Empty, or text 6 / text 7 with the folder and the reason when a folder could not be
    // made. The program goes on; only what writes there fails.
    const std::string& setupWarning() const { return m_setupWarning; }

    // Calls each module's RegisterXxxActions(*this) once; later calls do nothing.
    void RegisterActions();

    // A check that runs before the worker starts (the connection values of the actions that
    // reach the PBX, for instance). Success to go on, or the failure with its text.
    using PreStartCheck = std::function<Result(int action)>;
    void AddPreStartCheck(PreStartCheck check);
    // Runs the checks in the order added; the first failure ends the run.
    Result RunPreStartChecks(int action) const;

    // The start-up and shutdown lines of both logs, for the front end to write.
    static void WriteStartupLines();
    static void WriteShutdownLines();

    // ---- Modules, in the order of creation (a member may take the ones above it). ----
    Tctrl ctrl;
    TcontactFile contactFile{ctrl, m_dataFolder};
    Tpbx pbx{ctrl};
    // The local address book: its folder is the "AddressBookDir" setting, which the front end
    // copies here; read at each connection.
    std::filesystem::path addressBookDir = m_dataFolder / "addressbook";
    Toutlook outlook{ctrl, AddressBookConnector(*this)};
    // Add a module here, e.g. `TcontactFile contactFile{ctrl, m_dataFolder};`.

private:
    std::vector<PreStartCheck> m_preStartChecks;
    bool m_registered = false;
};

}  // namespace korvi
