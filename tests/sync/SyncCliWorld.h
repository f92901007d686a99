// `korvi sync` as a user runs it: in process, against the PBX simulator on 127.0.0.1 and the
// address book folder in the test's data folder, with the user's own edits made on both sides
// between runs through a second PBX client and a second address book store, as other programs
// would make them.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PbxSimulator.h"
#include "app/Progress.h"
#include "cli/CommandRegistry.h"
#include "model/Contact.h"
#include "pbx/Tpbx.h"

namespace korvi::test {

struct CliRun;

class SyncCliWorld {
public:
    static constexpr int32_t kDesk = 101;
    static constexpr char kPin[] = "1234";

    SyncCliWorld();
    ~SyncCliWorld();

    // Starts the simulator; false (with a test failure) when it cannot.
    bool Start();

    // `korvi sync` with the connection options of the simulator before args; the exit code.
    int Sync(std::vector<std::string> args, std::string* out = nullptr, std::string* err = nullptr);
    // Any command ("sync", "import", "settings") the same way (the settings command without
    // the connection options), with a hand on the run before it starts (a cancel check, for
    // instance).
    int Run(const std::string& command, std::vector<std::string> args,
            const std::function<void(CliRun&)>& before, std::string* out, std::string* err);
    // The connection options that Run puts after the command, for a run of the real program.
    std::vector<std::string> ConnectionArgs() const;

    // The user's edits; contacts are found by "First Last". Folder "" is the default folder.
    void PbxAdd(const std::string& spec);
    void PbxAmend(const std::string& who, const std::string& spec);
    void PbxDelete(const std::string& who);
    void BookAdd(const std::string& spec, const std::string& folder = {});
    void BookAmend(const std::string& who, const std::string& spec, const std::string& folder = {});
    void BookDelete(const std::string& who, const std::string& folder = {});

    // Canonical contents (see Canon): the PBX phonebook of the desk, the folder's cards.
    std::vector<std::string> Pbx();
    std::vector<std::string> Book(const std::string& folder = {});
    // Makes a second contacts folder beside the default one; its --folder value.
    std::string MakeFolder(const std::string& name);

    std::vector<std::string> SyncLists();
    std::vector<std::string> History();

    sim::PbxSimulator& sim() { return m_sim; }
    const std::filesystem::path& book() const { return m_book; }

private:
    int BookUpdate(int kind, TContact& contact, const std::string& folder);
    std::vector<TContact> BookContacts(const std::string& folder);

    sim::PbxSimulator m_sim;
    cli::CommandRegistry m_registry;
    std::filesystem::path m_book;
    NullProgress m_progress;
    Tpbx m_userPbx;
};

}  // namespace korvi::test
