// The cloud partner against its emulator over HTTPS on 127.0.0.1: a load of 10,000 contacts
// (one page, then pages of 1,000), and a sync of 2,000 contacts with the PBX simulator (the
// first sync writes every contact, then one without changes and one after 1% of the PBX
// contacts changed). Prints the time and the requests of each.
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "GdataSimulator.h"
#include "PbxSimulator.h"
#include "ThrowawayTls.h"
#include "app/Log.h"
#include "files/ContactFile.h"
#include "net/CurlTransport.h"
#include "pbx/Tpbx.h"
#include "stores/gmail/GmailPhoneMapping.h"
#include "stores/gmail/Tgmail.h"
#include "sync/SyncRun.h"

namespace {

using namespace korvi;

constexpr int kLoaded = 10'000;
constexpr int kSynced = 2'000;
constexpr int32_t kExtension = 101;
constexpr char kEmail[] = "bench@gmail.com";
constexpr char kPassword[] = "bench-password";

class AutoAnswer final : public Prompt {
public:
    int Ask(const Question& q) override {
        return q.kind == Question::Kind::SimilarContact ? kUsePbx : kOk;
    }
};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::filesystem::path TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "bench-gmail-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return {};
    return pattern;
}

// A cloud store logged in to the emulator, on the group of that title.
struct Cloud {
    Cloud(gdatasim::GdataSimulator& sim, const tls::TlsFiles& files, const std::string& group)
        : transport([&] {
              net::CurlTransportOptions o;
              o.caFile = files.caCert.string();
              return o;
          }()),
          store(progress, transport) {
        store.serviceUrl = sim.Url();
        store.accountName = kEmail;
        store.accountPassword = kPassword;
        store.SetFolder(sim.GroupId(group), group);
    }
    bool LogIn() {
        const Result r = store.LoginToGmail();
        if (r.ok()) return true;
        std::fprintf(stderr, "login: %s\n", r.text.c_str());
        return false;
    }

    NullProgress progress;
    net::CurlTransport transport;
    Tgmail store;
};

bool Load(gdatasim::GdataSimulator& sim, const tls::TlsFiles& files, const char* what) {
    Cloud cloud(sim, files, "System Group: My Contacts");
    if (!cloud.LogIn()) return false;
    TContactList list;
    StopFlag stop{false};
    const int64_t requests = sim.RequestCount();
    const auto t0 = std::chrono::steady_clock::now();
    const Result loaded = cloud.store.LoadContacts(list, stop);
    const double s = Seconds(t0);
    if (!loaded.ok()) {
        std::printf("  %-44s FAILED: %s\n", what, loaded.text.c_str());
        return false;
    }
    std::printf("  %-44s %7.2f s  (%zu contacts, %lld requests)\n", what, s, list.size(),
                static_cast<long long>(sim.RequestCount() - requests));
    return true;
}

struct SyncWorld {
    SyncWorld(gdatasim::GdataSimulator& cloudSim, const tls::TlsFiles& files,
              const std::filesystem::path& dir)
        : gdata(cloudSim),
          cloud(cloudSim, files, "Bench"),
          pbx(progress),
          contactFiles(progress, dir),
          ctx(ctrl, pbx, contactFiles) {
        ctrl.SetPrompt(&prompt);
        ctrl.partner = ePartner_Gmail;
        ctx.selectPartner = [this](Tctrl&, Result&) { return &cloud.store; };
        ctx.partnerSlots.kindOf = PhoneKindOf;
        ctx.partnerSlots.kindSlots = PhoneKindSlots();
    }
    bool Start() {
        std::string error;
        if (!pbxSim.Start(error) || pbxSim.SeedContacts(kSynced, kExtension) != kSynced) {
            std::fprintf(stderr, "PBX simulator: %s\n", error.c_str());
            return false;
        }
        pbx.SetConnectionParams(pbxSim.Url(), "user", "30", "1234");
        pbx.contactType = kExtension;
        pbx.contactTypeName = "Extension 201";
        return cloud.LogIn();
    }
    bool Sync(const char* what) {
        StopFlag stop{false};
        const int64_t requests = gdata.RequestCount();
        const auto t0 = std::chrono::steady_clock::now();
        DoSync(ctx, stop);
        const double s = Seconds(t0);
        if (ctrl.resultCode() != 0 && ctrl.resultCode() != -12) {
            std::printf("  %-44s FAILED: %s (%d)\n", what, ctrl.resultText().c_str(),
                        ctrl.resultCode());
            return false;
        }
        std::printf("  %-44s %7.2f s  (PBX %d updates, cloud %d updates, %lld requests)\n", what, s,
                    ctrl.pbxUpdates, ctrl.partnerUpdates,
                    static_cast<long long>(gdata.RequestCount() - requests));
        return true;
    }
    bool AmendPbx(int n) {
        TContactList list;
        StopFlag stop{false};
        if (!pbx.GetContactIdsForCurContactType().ok()) return false;
        if (!pbx.LoadContacts(&list, stop).ok()) return false;
        for (int i = 0; i < n && i < static_cast<int>(list.size()); ++i) {
            TContact& c = *list[static_cast<std::size_t>(i * 37 % list.size())];
            c.lastName += " Jr";
            if (!pbx.WriteContact(c).ok()) return false;
        }
        return true;
    }

    gdatasim::GdataSimulator& gdata;
    Cloud cloud;
    NullProgress progress;
    sim::PbxSimulator pbxSim;
    Tpbx pbx;
    TcontactFile contactFiles;
    Tctrl ctrl;
    AutoAnswer prompt;
    SyncContext ctx;
};

}  // namespace

int main() {
    SetDetailedLogging(false);
    const auto root = TempDir();
    if (root.empty()) return 1;
    SetLogsFolder(root / "logs");
    tls::TlsFiles files;
    std::string error;
    if (!tls::MakeThrowawayTls(root, {"127.0.0.1"}, files, error)) {
        std::fprintf(stderr, "certificates: %s\n", error.c_str());
        return 1;
    }
    int rc = 0;
    {
        gdatasim::GdataSimOptions options;
        options.accounts = {{kEmail, kPassword}};
        options.seeds = {{kLoaded, ""}, {0, "Bench"}};
        options.tlsCert = files.serverCert;
        options.tlsKey = files.serverKey;
        gdatasim::GdataSimulator sim(options);
        if (!sim.Start(error)) {
            std::fprintf(stderr, "emulator: %s\n", error.c_str());
            return 1;
        }
        std::printf("Cloud partner, emulator over HTTPS on 127.0.0.1:\n");
        if (!Load(sim, files, "load of 10,000 contacts (one page)")) rc = 1;
        sim.SetPageCap(1000);
        if (!Load(sim, files, "load of 10,000 contacts (pages of 1,000)")) rc = 1;
        sim.SetPageCap(0);

        std::filesystem::create_directories(root / "data");
        SyncWorld w(sim, files, root / "data");
        if (!w.Start()) return 1;
        std::printf("Sync of %d contacts with the PBX simulator:\n", kSynced);
        if (!w.Sync("first sync, empty group (all written)")) rc = 1;
        if (!w.Sync("sync without changes")) rc = 1;
        if (!w.AmendPbx(kSynced / 100) || !w.Sync("sync with 1% of the PBX contacts amended")) {
            rc = 1;
        }
        w.pbxSim.Stop();
        sim.Stop();
    }
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return rc;
}
