// The composition root shared by the command line tool and the window: the long-lived modules
// of one process, created in a fixed order, the partner stores in their registry, and the
// registration of every action body on the controller. A partner store is added with one
// registration call in Partners.cpp; a module that is no partner adds its member below and one
// registration call in RegisterActions().
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/KorviSettings.h"
#include "app/Result.h"
#include "files/ContactFile.h"
#include "pbx/Tpbx.h"
#include "services/PartnerRegistry.h"
#include "sync/SyncActions.h"
#include "sync/Tctrl.h"

namespace korvi {

class Services {
    // Declared before the modules: they are constructed with these folders at hand.
    std::filesystem::path m_dataFolder;
    std::filesystem::path m_logsFolder;
    std::string m_setupWarning;

public:
    // Uses the user's folders (src/app/AppPaths.h), creates them where missing and points the
    // logs there, and registers the partner stores. Never fails: see setupWarning().
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

    // Registers every action body once (the PBX's, each partner's own and its export and
    // import, the sync); later calls do nothing.
    void RegisterActions();
    // The sync (action 18) again with other options (korvi sync --dry-run).
    void RegisterSyncActions(SyncActionOptions options);

    // Hands the settings that concern the partner stores (folders, accounts) to them; the
    // front end calls it before it starts an operation.
    void Configure(const KorviSettings& settings) { partners.Configure(settings); }

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
    // The partner stores by partner code (RegisterPartners in Partners.cpp fills it).
    PartnerRegistry partners;

private:
    std::vector<PreStartCheck> m_preStartChecks;
    bool m_registered = false;
};

}  // namespace korvi
