#include "sync/CloudWorld.h"

#include <gtest/gtest.h>

#include "GdataTestSupport.h"
#include "app/Progress.h"
#include "common/ResultTesting.h"
#include "common/TestEnv.h"
#include "services/GmailPartner.h"
#include "stores/gmail/Tgmail.h"
#include "sync/MemoryPbx.h"
#include "sync/SyncTestSupport.h"
#include "sync/Tctrl.h"

namespace korvi::test {

namespace {

constexpr char kEmail[] = "cloud.world@gmail.com";
constexpr char kPassword[] = "cloud-world-secret";
constexpr char kGroup[] = "Korvi";

bool Named(const TContact& c, const std::string& who) {
    return c.firstName + " " + c.lastName == who;
}

gdatasim::GdataSimOptions Options() {
    gdatasim::GdataSimOptions o;
    o.accounts = {{kEmail, kPassword}};
    o.seeds = {{0, kGroup}};
    return o;
}

class CloudWorldImpl final : public CloudWorld {
public:
    CloudWorldImpl()
        : m_server(Options()),
          m_transport(m_server.MakeTransport()),
          m_userTransport(m_server.MakeTransport()),
          m_store(m_progress, *m_transport),
          m_user(m_progress, *m_userTransport),
          m_files(m_progress, MakeTempDir("cloud-world")) {}

    bool Start() {
        if (!m_server.started()) return false;
        for (Tgmail* store : {&m_store, &m_user}) {
            store->serviceUrl = m_server.url();
            store->accountName = kEmail;
            store->accountPassword = kPassword;
            std::string text;
            if (CodeOf(store->LoginToGmail(), text) != 0) {
                ADD_FAILURE() << text;
                return false;
            }
            store->SetFolder(m_server.sim().GroupId(kGroup), kGroup);
        }
        return true;
    }

    PbxPhonebook& pbx() override { return m_pbx; }
    PartnerStore& partner() override { return m_store; }
    TcontactFile& files() override { return m_files; }
    const char* name() const override { return "cloud"; }
    int partnerCode() const override { return ePartner_Gmail; }
    PartnerSlots partnerSlots() const override { return GmailGroupSlots(); }
    // The cloud's own rules (the login before the sync, -12 for skipped numbers), with the
    // account and group as the sync tab hands them over.
    void DescribePartner(Tctrl& ctrl, Partner& partner) override {
        const Partner cloud = GmailPartnerFor(m_store);
        partner.prepareSync = cloud.prepareSync;
        partner.finish = cloud.finish;
        ctrl.gmailUser = kEmail;
        ctrl.gmailPassword = kPassword;
        ctrl.gmailGroupId = m_store.folderID;
        ctrl.gmailGroupTitle = m_store.folderTitle;
    }

    void PbxAdd(const std::string& spec) override {
        TContact c = MakeContact(spec);
        SetContactBarring(c, 0);
        m_pbx.Put(c);
    }
    void PbxAmend(const std::string& who, const std::string& spec) override {
        for (auto& [id, c] : m_pbx.Phonebook()) {
            if (!Named(c, who)) continue;
            TContact n = MakeContact(spec);
            n.contactId = id;
            std::string text;
            ASSERT_EQ(0, CodeOf(m_pbx.WriteContact(n), text)) << text;
            return;
        }
        FAIL() << "no PBX contact " << who;
    }
    void PbxDelete(const std::string& who) override {
        for (auto& [id, c] : m_pbx.Phonebook()) {
            if (!Named(c, who)) continue;
            std::string text;
            ASSERT_EQ(0, CodeOf(m_pbx.DeleteContact("BY_CONTACT_ID", id), text)) << text;
            return;
        }
        FAIL() << "no PBX contact " << who;
    }
    void PartnerAdd(const std::string& spec) override {
        TContact c = MakeContact(spec);
        User(PartnerStore::kUpdateAdd, c);
    }
    void PartnerAmend(const std::string& who, const std::string& spec) override {
        for (auto c : PartnerState()) {
            if (!Named(c, who)) continue;
            TContact n = MakeContact(spec);
            n.entryId = c.entryId;
            User(PartnerStore::kUpdateAmend, n);
            return;
        }
        FAIL() << "no cloud contact " << who;
    }
    void PartnerDelete(const std::string& who) override {
        for (auto c : PartnerState()) {
            if (!Named(c, who)) continue;
            User(PartnerStore::kUpdateDelete, c);
            return;
        }
        FAIL() << "no cloud contact " << who;
    }

    std::vector<TContact> PbxState() override {
        std::vector<TContact> out;
        for (auto& [id, c] : m_pbx.Phonebook()) out.push_back(c);
        return out;
    }
    std::vector<TContact> PartnerState() override {
        TContactList list;
        std::string text;
        StopFlag stop{false};
        EXPECT_EQ(0, CodeOf(m_user.LoadContacts(list, stop), text)) << text;
        std::vector<TContact> out;
        for (const auto& c : list) {
            if (c->numbers && !c->numbers->empty()) out.push_back(*c);
        }
        return out;
    }

    void FailPbxRequest(int k, PbxFault how) override {
        if (k == 0) {
            m_pbx.SetRequestFilter({});
            m_server.sim().ClearFaults();
            return;
        }
        const int at = m_pbx.requests() + k;
        const bool fromThenOn = how == PbxFault::kFaultFromThenOn;
        m_pbx.SetRequestFilter([at, fromThenOn](int request, const std::string&) {
            return request == at || (fromThenOn && request > at) ? -2 : 0;
        });
    }
    int PbxRequests() override { return m_pbx.requests(); }

    void FailCloudRequest(int k, CloudFault how) override {
        auto& sim = m_server.sim();
        if (k == 0) {
            sim.ClearFaults();
            return;
        }
        const int64_t at = sim.RequestCount() + k;
        if (how == CloudFault::kHttp500) {
            sim.SetFailRequest(at);
        } else {
            sim.SetDropRequest(at);
        }
    }
    int CloudRequests() override { return static_cast<int>(m_server.sim().RequestCount()); }

private:
    void User(int kind, TContact& c) {
        std::string text;
        EXPECT_EQ(0, CodeOf(m_user.UpdateContact(kind, c), text)) << text;
    }

    NullProgress m_progress;
    TlsGdataSim m_server;
    std::unique_ptr<net::CurlTransport> m_transport;
    std::unique_ptr<net::CurlTransport> m_userTransport;
    Tgmail m_store;
    Tgmail m_user;
    MemoryPbx m_pbx;
    TcontactFile m_files;
};

}  // namespace

std::unique_ptr<CloudWorld> MakeCloudWorld() {
    auto w = std::make_unique<CloudWorldImpl>();
    if (!w->Start()) return nullptr;
    return w;
}

}  // namespace korvi::test
