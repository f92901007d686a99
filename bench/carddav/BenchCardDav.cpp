// A sync of 2,000 contacts between the PBX simulator and a CardDAV address book on Radicale,
// both on 127.0.0.1: the first sync (every card written), a sync without changes (one
// sync-collection request), one after 1% of the PBX contacts changed, and a load by a store
// without its cache (every card fetched). Prints the time and the requests of each. The two
// loads must read the same contacts: those of the PBX with a number a card has a slot for (a
// contact whose only number is internal is written as a card without numbers, which a load
// leaves out, as the address book folder does).
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "PbxSimulator.h"
#include "RadicaleServer.h"
#include "app/Log.h"
#include "common/StepCode.h"
#include "files/ContactFile.h"
#include "pbx/Tpbx.h"
#include "stores/carddav/TcardDav.h"
#include "sync/PartnerSlots.h"
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

CardDavSettings Settings(const std::string& url) {
    CardDavSettings s;
    s.url = url;
    s.user = test::RadicaleServer::kUser;
    s.password = test::RadicaleServer::kPassword;
    return s;
}

struct World {
    World(const std::filesystem::path& dir, const std::string& collection)
        : pbx(progress),
          store(progress, dir / "cache"),
          files(progress, dir / "data"),
          ctx(ctrl, pbx, files) {
        std::filesystem::create_directories(dir / "data");
        store.settings = Settings(collection);
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
        if (sim.SeedContacts(seeded, kExtension) != seeded) return false;
        pbx.SetConnectionParams(sim.Url(), "user", "30", "1234");
        pbx.contactType = kExtension;
        pbx.contactTypeName = "Extension 201";
        return true;
    }
    double Sync(const char* what) {
        StopFlag stop{false};
        const long requests = store.RequestCount();
        const auto t0 = std::chrono::steady_clock::now();
        DoSync(ctx, stop);
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (ctrl.resultCode() != 0) {
            std::printf("  %-48s FAILED: %s (%d)\n", what, ctrl.resultText().c_str(),
                        ctrl.resultCode());
            return -1;
        }
        std::printf("  %-48s %7.2f s  (PBX %d updates, CardDAV %d updates, %ld requests)\n", what,
                    s, ctrl.pbxUpdates, ctrl.partnerUpdates, store.RequestCount() - requests);
        return s;
    }

    NullProgress progress;
    sim::PbxSimulator sim;
    Tpbx pbx;
    TcardDav store;
    TcontactFile files;
    Tctrl ctrl;
    AutoAnswer prompt;
    SyncContext ctx;
};

std::filesystem::path TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "bench-carddav-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return {};
    return pattern;
}

// The PBX contacts a card shows with at least one number.
int PbxContactsWithCardNumbers(World& w) {
    TContactList list;
    std::string text;
    StopFlag stop{false};
    if (Code(w.pbx.GetContactIdsForCurContactType(), text) != 0) return -1;
    if (Code(w.pbx.LoadContacts(&list, stop), text) != 0) return -1;
    const PartnerSlots slots = PartnerSlots::AddressBook();
    int n = 0;
    for (const auto& c : list) {
        if (!c->numbers) continue;
        for (const auto& number : *c->numbers) {
            if (slots.holds(number.numberType)) {
                ++n;
                break;
            }
        }
    }
    return n;
}

// Loads the address book with store, printing the time; the count of contacts, -1 on failure.
int TimedLoad(TcardDav& store, const char* what) {
    TContactList list;
    StopFlag stop{false};
    std::string text;
    const long requests = store.RequestCount();
    const auto t0 = std::chrono::steady_clock::now();
    const int load = Code(store.LoadContacts(list, stop), text);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (load != 0) {
        std::printf("  %-48s FAILED: %s\n", what, text.c_str());
        return -1;
    }
    std::printf("  %-48s %7.2f s  (%zu contacts, %ld requests)\n", what, s, list.size(),
                store.RequestCount() - requests);
    return static_cast<int>(list.size());
}

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
    int rc = 0;
    {
        test::RadicaleServer server(
            test::RadicaleServer::Options{.tls = false, .folder = root / "radicale"});
        std::string error, collection;
        if (!server.Start(error) || !server.MakeAddressBook("bench", collection, error)) {
            std::fprintf(stderr, "radicale: %s\n", error.c_str());
            return 1;
        }
        std::printf(
            "CardDAV sync, %d contacts, PBX simulator and Radicale (address book %s) on "
            "127.0.0.1:\n",
            kContacts, collection.c_str());
        World w(root / "world", collection);
        if (!w.Start(kContacts)) return 1;
        if (w.Sync("first sync, empty address book (all written)") < 0) rc = 1;
        if (w.Sync("sync without changes") < 0) rc = 1;
        if (!AmendPbx(w, kContacts / 100)) rc = 1;
        if (w.Sync("sync with 1% of the PBX contacts amended") < 0) rc = 1;

        const int warm = TimedLoad(w.store, "load by the syncing store (its cache)");
        NullProgress progress;
        TcardDav cold(progress, root / "cold-cache");
        cold.settings = Settings(collection);
        const int coldCount = TimedLoad(cold, "load by a store without its cache");
        const int shown = PbxContactsWithCardNumbers(w);
        std::printf("  PBX contacts with a number a card has a slot for: %d of %d\n", shown,
                    kContacts);
        if (warm < 0 || coldCount != warm || coldCount != shown) {
            std::printf("  the loads disagree with each other or with the PBX\n");
            rc = 1;
        }
        w.sim.Stop();
    }
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return rc;
}
