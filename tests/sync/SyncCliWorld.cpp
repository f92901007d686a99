#include "sync/SyncCliWorld.h"

#include <chrono>
#include <system_error>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/AppPaths.h"
#include "app/Log.h"
#include "cli/CliTestSupport.h"
#include "cli/ImportCommand.h"
#include "cli/SettingsCommand.h"
#include "cli/SyncCommand.h"
#include "common/ResultTesting.h"
#include "pbx/PbxContactMapping.h"
#include "services/Services.h"
#include "stores/outlook/Toutlook.h"
#include "stores/outlook/VcfAddressBook.h"
#include "sync/SyncTestSupport.h"

namespace korvi::test {

namespace {

using namespace std::chrono_literals;

bool Named(const TContact& c, const std::string& who) {
    return c.firstName + " " + c.lastName == who;
}

std::string FolderOrDefault(const std::string& folder) {
    return folder.empty() ? std::string(kDefaultContactsPath) : folder;
}

}  // namespace

SyncCliWorld::SyncCliWorld() : m_book(DataFolder() / "addressbook"), m_userPbx(m_progress) {
    m_registry.Add<cli::SyncCommand>();
    m_registry.Add<cli::ImportCommand>();
    m_registry.Add<cli::SettingsCommand>();
    // Every test starts from an empty data folder, also when one process runs several.
    std::error_code ec;
    std::filesystem::remove_all(DataFolder(), ec);
}

SyncCliWorld::~SyncCliWorld() { m_sim.Stop(); }

bool SyncCliWorld::Start() {
    std::string error;
    if (!m_sim.Start(error)) {
        ADD_FAILURE() << "simulator: " << error;
        return false;
    }
    m_userPbx.SetConnectionParams(m_sim.Url(), "user", "10", kPin);
    m_userPbx.contactType = kDesk;
    m_userPbx.contactTypeName = "Extension 201";
    return true;
}

std::vector<std::string> SyncCliWorld::ConnectionArgs() const {
    return {"--url",
            "http://127.0.0.1",
            "--port",
            std::to_string(m_sim.Port()),
            "--user",
            "user",
            "--pin-stdin",
            "--timeout",
            "5",
            "--contact-type",
            std::to_string(kDesk)};
}

int SyncCliWorld::Sync(std::vector<std::string> args, std::string* out, std::string* err) {
    return Run("sync", std::move(args), {}, out, err);
}

int SyncCliWorld::Run(const std::string& command, std::vector<std::string> args,
                      const std::function<void(CliRun&)>& before, std::string* out,
                      std::string* err) {
    // The settings command works on the stored settings alone.
    std::vector<std::string> head = {command};
    if (command != "settings") {
        const auto connection = ConnectionArgs();
        head.insert(head.end(), connection.begin(), connection.end());
    }
    args.insert(args.begin(), head.begin(), head.end());
    CliRun run(std::string(kPin) + "\n");
    run.io.SetServicesFactory([] {
        auto services = std::make_unique<Services>();
        services->ctrl.SetWorkerSleeps(0ms, 0ms);
        services->RegisterActions();
        return services;
    });
    if (before) before(run);
    const int code = run.Run(args, m_registry);
    EXPECT_THAT(run.out.str() + run.err.str(), testing::Not(testing::HasSubstr("PIN")));
    if (out) *out = run.out.str();
    if (err) *err = run.err.str();
    return code;
}

void SyncCliWorld::PbxAdd(const std::string& spec) {
    TContact c = MakeContact(spec);
    ASSERT_NE(0, m_sim.SeedContact(ContactToPbx(c, kDesk)));
}

void SyncCliWorld::PbxAmend(const std::string& who, const std::string& spec) {
    for (const auto& s : m_sim.PbxState(kDesk)) {
        if (!Named(*ContactFromPbx(s), who)) continue;
        TContact n = MakeContact(spec);
        n.contactId = s.contactId;
        std::string text;
        ASSERT_EQ(0, CodeOf(m_userPbx.WriteContact(n), text)) << text;
        return;
    }
    FAIL() << "no PBX contact " << who;
}

void SyncCliWorld::PbxDelete(const std::string& who) {
    for (const auto& s : m_sim.PbxState(kDesk)) {
        if (!Named(*ContactFromPbx(s), who)) continue;
        std::string text;
        ASSERT_EQ(0, CodeOf(m_userPbx.DeleteContact("BY_CONTACT_ID", s.contactId), text)) << text;
        return;
    }
    FAIL() << "no PBX contact " << who;
}

int SyncCliWorld::BookUpdate(int kind, TContact& contact, const std::string& folder) {
    NullProgress progress;
    Toutlook store(progress, [this] {
        return outlook::ConnectVcfAddressBook(
            {.root = m_book, .backupsRoot = {}, .clock = {}, .folderIds = {}, .ownTree = false});
    });
    store.folderPath = FolderOrDefault(folder);
    std::string text;
    int rc = CodeOf(store.BeginUpdates(), text);
    if (rc == 0) rc = CodeOf(store.UpdateContact(kind, contact), text);
    store.EndUpdates();
    EXPECT_EQ(0, rc) << text;
    return rc;
}

std::vector<TContact> SyncCliWorld::BookContacts(const std::string& folder) {
    NullProgress progress;
    Toutlook store(progress, [this] {
        return outlook::ConnectVcfAddressBook(
            {.root = m_book, .backupsRoot = {}, .clock = {}, .folderIds = {}, .ownTree = false});
    });
    store.folderPath = FolderOrDefault(folder);
    TContactList list;
    std::string text;
    StopFlag stop{false};
    EXPECT_EQ(0, CodeOf(store.LoadContacts(list, stop), text)) << text;
    std::vector<TContact> out;
    for (const auto& c : list) out.push_back(*c);
    return out;
}

void SyncCliWorld::BookAdd(const std::string& spec, const std::string& folder) {
    TContact c = MakeContact(spec);
    BookUpdate(PartnerStore::kUpdateAdd, c, folder);
}

void SyncCliWorld::BookAmend(const std::string& who, const std::string& spec,
                             const std::string& folder) {
    for (const auto& c : BookContacts(folder)) {
        if (!Named(c, who)) continue;
        // As an address book program saves an edited card: every slot as the user left it.
        TContact n = MakeContact(spec);
        n.entryId = c.entryId;
        for (const auto& old : *c.numbers) {
            bool kept = false;
            for (const auto& m : n.numbers.value_or(TNumberList{}))
                kept = kept || m.numberType == old.numberType;
            if (kept) continue;
            TContactNumber gone = old;
            gone.state = kDeleted;
            if (!n.numbers) n.numbers.emplace();
            n.numbers->push_back(gone);
        }
        BookUpdate(PartnerStore::kUpdateAmend, n, folder);
        return;
    }
    FAIL() << "no card for " << who;
}

void SyncCliWorld::BookDelete(const std::string& who, const std::string& folder) {
    for (auto c : BookContacts(folder)) {
        if (!Named(c, who)) continue;
        BookUpdate(PartnerStore::kUpdateDelete, c, folder);
        return;
    }
    FAIL() << "no card for " << who;
}

std::vector<std::string> SyncCliWorld::Pbx() {
    std::vector<TContact> out;
    for (const auto& s : m_sim.PbxState(kDesk)) out.push_back(*ContactFromPbx(s));
    return Canon(out);
}

std::vector<std::string> SyncCliWorld::Book(const std::string& folder) {
    return Canon(BookContacts(folder));
}

std::string SyncCliWorld::MakeFolder(const std::string& name) {
    std::error_code ec;
    std::filesystem::create_directories(m_book / outlook::kDefaultStoreName / name, ec);
    EXPECT_FALSE(ec) << ec.message();
    return std::string("\\\\") + outlook::kDefaultStoreName + "\\" + name;
}

std::vector<std::string> SyncCliWorld::SyncLists() {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(DataFolder(), ec)) {
        const auto name = e.path().filename().string();
        if (name.rfind("Sync_", 0) == 0) names.push_back(name);
    }
    return names;
}

std::vector<std::string> SyncCliWorld::History() { return LogLines(HistoryFilePath().string()); }

}  // namespace korvi::test
