// A sync of 2,000 contacts end to end: the PBX simulator over HTTP on 127.0.0.1, the PBX
// client, and a vCard address book folder with its store. Prints the time of each kind of
// run.
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "PbxSimulator.h"
#include "app/Log.h"
#include "common/StepCode.h"
#include "files/ContactFile.h"
#include "pbx/Tpbx.h"
#include "stores/outlook/Toutlook.h"
#include "stores/outlook/VcfAddressBook.h"
#include "sync/SyncRun.h"

namespace {

using korvi::bench::Code;

using namespace korvi;

constexpr int kContacts = 2000;
constexpr int32_t kExtension = 101;

class AutoAnswer final : public Prompt {
public:
    int Ask(const Question& q) override {
        return q.kind == Question::Kind::SimilarContact ? kUsePbx : kOk;
    }
};

struct World {
    explicit World(const std::filesystem::path& dir)
        : pbx(progress),
          store(progress,
                [dir] {
                    return outlook::ConnectVcfAddressBook({.root = dir / "book",
                                                           .backupsRoot = dir / "backups",
                                                           .clock = nullptr,
                                                           .folderIds = {},
                                                           .ownTree = true});
                }),
          files(progress, dir / "data"),
          ctx(ctrl, pbx, files) {
        std::filesystem::create_directories(dir / "data");
        ctrl.SetPrompt(&prompt);
        ctx.selectPartner = [this](Tctrl&, Result&) { return &store; };
        ctx.partnerSlots = PartnerSlots::AddressBook();
    }
    bool Start(int seeded) {
        std::string error;
        if (!sim.Start(error)) {
            std::fprintf(stderr, "simulator: %s\n", error.c_str());
            return false;
        }
        if (seeded > 0 && sim.SeedContacts(seeded, kExtension) != seeded) return false;
        pbx.SetConnectionParams(sim.Url(), "user", "30", "1234");
        pbx.contactType = kExtension;
        pbx.contactTypeName = "Extension 201";
        return true;
    }
    // One sync; its time in seconds, or a negative number on failure.
    double Sync(const char* what) {
        StopFlag stop{false};
        const auto t0 = std::chrono::steady_clock::now();
        DoSync(ctx, stop);
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (ctrl.resultCode() != 0) {
            std::printf("  %-52s FAILED: %s (%d)\n", what, ctrl.resultText().c_str(),
                        ctrl.resultCode());
            return -1;
        }
        std::printf("  %-52s %7.2f s  (PBX %d updates, address book %d updates)\n", what, s,
                    ctrl.pbxUpdates, ctrl.partnerUpdates);
        return s;
    }

    NullProgress progress;
    sim::PbxSimulator sim;
    Tpbx pbx;
    Toutlook store;
    TcontactFile files;
    Tctrl ctrl;
    AutoAnswer prompt;
    SyncContext ctx;
};

std::filesystem::path TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "bench-sync-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return {};
    return pattern;
}

// Changes n PBX contacts (a number each) the way a user at the PBX would.
bool AmendPbx(World& w, int n) {
    TContactList list;
    std::string text;
    StopFlag stop{false};
    if (Code(w.pbx.GetContactIdsForCurContactType(), text) != 0) return false;
    if (Code(w.pbx.LoadContacts(&list, stop), text) != 0) return false;
    for (int i = 0; i < n && i < static_cast<int>(list.size()); ++i) {
        TContact& c = *list[static_cast<std::size_t>(i * 37 % list.size())];
        AddNumber("+49 30 555 " + std::to_string(1000 + i), kMob, c);
        if (Code(w.pbx.WriteContact(c), text) != 0) return false;
    }
    return true;
}

}  // namespace

int main() {
    SetDetailedLogging(false);
    const auto root = TempDir();
    if (root.empty()) return 1;
    SetLogsFolder(root / "logs");
    std::printf(
        "End-to-end sync, %d contacts, PBX simulator on 127.0.0.1 and a vCard address "
        "book folder:\n",
        kContacts);
    int rc = 0;
    {
        World w(root / "fill");
        if (!w.Start(kContacts)) return 1;
        if (w.Sync("first sync, empty address book (whole PBX copied)") < 0) rc = 1;
        if (w.Sync("sync without changes (both sides read, compared)") < 0) rc = 1;
        if (!AmendPbx(w, kContacts / 100)) rc = 1;
        if (w.Sync("sync with 1% of the PBX contacts amended") < 0) rc = 1;
        w.sim.Stop();
    }
    {
        World w(root / "first");
        if (!w.Start(kContacts / 2)) return 1;
        // The other half only in the address book: a first-time sync adds both ways.
        TContactList half;
        for (int i = 0; i < kContacts / 2; ++i) {
            auto c = std::make_unique<TContact>();
            c->firstName = "Book";
            c->lastName = "Person" + std::to_string(100000 + i * 7);
            c->displayName = c->firstName + " " + c->lastName;
            AddNumber("+44 20 7946 " + std::to_string(1000 + i), kBus1, *c);
            half.push_back(std::move(c));
        }
        StopFlag stop{false};
        std::string text;
        w.store.keepExisting = 0;
        if (Code(w.store.SaveContacts(half, stop), text) != 0) {
            std::fprintf(stderr, "address book: %s\n", text.c_str());
            return 1;
        }
        if (w.Sync("first-time sync, 1,000 on each side, all added across") < 0) rc = 1;
        w.sim.Stop();
    }
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return rc;
}
