#include "carddav/CardDavWorld.h"

#include <gtest/gtest.h>

#include "PbxSimulator.h"
#include "carddav/SharedRadicale.h"
#include "common/ResultTesting.h"
#include "common/TestEnv.h"
#include "pbx/PbxContactMapping.h"
#include "pbx/Tpbx.h"
#include "sync/SyncTestSupport.h"

namespace korvi::test {

namespace {

constexpr int32_t kExtension = CardDavWorld::kPbxContactType;

bool Named(const TContact& c, const std::string& who) {
    return c.firstName + " " + c.lastName == who;
}

// What an amend by the user does: the new content, and every number type that went away
// marked so that the store clears its slot.
TContact Replacement(const TContact& old, const std::string& spec) {
    TContact c = MakeContact(spec);
    c.contactId = old.contactId;
    c.entryId = old.entryId;
    if (!old.numbers) return c;
    for (const auto& n : *old.numbers) {
        bool kept = false;
        if (c.numbers) {
            for (const auto& m : *c.numbers) kept = kept || m.numberType == n.numberType;
        }
        if (kept) continue;
        if (!c.numbers) c.numbers.emplace();
        TContactNumber gone = n;
        gone.state = kDeleted;
        c.numbers->push_back(gone);
    }
    return c;
}

class RadicaleWorld final : public CardDavWorld {
public:
    RadicaleWorld(std::string collection, TcardDav::TransportFactory transport)
        : m_dir(MakeTempDir("carddav-world")),
          m_collection(std::move(collection)),
          m_pbx(m_progress),
          m_userPbx(m_progress),
          m_store(m_progress, m_dir / "cache", std::move(transport)),
          m_userStore(m_progress, m_dir / "user-cache"),
          m_files(m_progress, m_dir / "data") {
        std::filesystem::create_directories(m_dir / "data");
        m_store.settings = RadicaleSettings(m_collection);
        m_userStore.settings = RadicaleSettings(m_collection);
    }
    ~RadicaleWorld() override { m_sim.Stop(); }

    bool Start() {
        std::string error;
        if (!m_sim.Start(error)) {
            ADD_FAILURE() << "simulator: " << error;
            return false;
        }
        for (Tpbx* p : {&m_pbx, &m_userPbx}) {
            p->SetConnectionParams(m_sim.Url(), "user", "10", "1234");
            p->contactType = kExtension;
            p->contactTypeName = "Extension 201";
        }
        return true;
    }

    PbxPhonebook& pbx() override { return m_pbx; }
    PartnerStore& partner() override { return m_store; }
    TcontactFile& files() override { return m_files; }
    const char* name() const override { return "carddav"; }
    TcardDav& store() override { return m_store; }
    const std::string& collectionUrl() const override { return m_collection; }
    int PbxPort() const override { return m_sim.Port(); }

    void PbxAdd(const std::string& spec) override {
        TContact c = MakeContact(spec);
        c.contactId = kContactIdNew;
        SetContactBarring(c, 0);
        std::string text;
        ASSERT_EQ(0, CodeOf(m_userPbx.WriteContact(c), text)) << text;
    }
    void PbxAmend(const std::string& who, const std::string& spec) override {
        for (const auto& c : PbxState()) {
            if (!Named(c, who)) continue;
            TContact n = MakeContact(spec);
            n.contactId = c.contactId;
            std::string text;
            ASSERT_EQ(0, CodeOf(m_userPbx.WriteContact(n), text)) << text;
            return;
        }
        FAIL() << "no PBX contact " << who;
    }
    void PbxDelete(const std::string& who) override {
        for (const auto& c : PbxState()) {
            if (!Named(c, who)) continue;
            std::string text;
            ASSERT_EQ(0, CodeOf(m_userPbx.DeleteContact("BY_CONTACT_ID", c.contactId), text))
                << text;
            return;
        }
        FAIL() << "no PBX contact " << who;
    }
    void PartnerAdd(const std::string& spec) override {
        TContact c = MakeContact(spec);
        Update(PartnerStore::kUpdateAdd, c);
    }
    void PartnerAmend(const std::string& who, const std::string& spec) override {
        for (const auto& c : PartnerState()) {
            if (!Named(c, who)) continue;
            TContact n = Replacement(c, spec);
            Update(PartnerStore::kUpdateAmend, n);
            return;
        }
        FAIL() << "no address book contact " << who;
    }
    void PartnerDelete(const std::string& who) override {
        for (auto c : PartnerState()) {
            if (!Named(c, who)) continue;
            Update(PartnerStore::kUpdateDelete, c);
            return;
        }
        FAIL() << "no address book contact " << who;
    }

    std::vector<TContact> PbxState() override {
        std::vector<TContact> out;
        for (const auto& s : m_sim.PbxState(kExtension)) out.push_back(*ContactFromPbx(s));
        return out;
    }
    std::vector<TContact> PartnerState() override {
        TContactList list;
        std::string text;
        StopFlag stop{false};
        EXPECT_EQ(0, CodeOf(m_userStore.LoadContacts(list, stop), text)) << text;
        std::vector<TContact> out;
        for (const auto& c : list) out.push_back(*c);
        return out;
    }

    void FailPbxRequest(int k, PbxFault how) override {
        if (k == 0) {
            m_sim.ClearFaults();
            return;
        }
        const int64_t at = static_cast<int64_t>(m_sim.RequestCount()) + k;
        switch (how) {
            case PbxFault::kHttp500:
                m_sim.SetFailRequest(at);
                break;
            case PbxFault::kDropped:
                m_sim.SetDropRequest(at);
                break;
            case PbxFault::kFaultFromThenOn:
                m_sim.SetFaultAfter(at);
                break;
        }
    }
    int PbxRequests() override { return static_cast<int>(m_sim.RequestCount()); }

private:
    void Update(int kind, TContact& c) {
        std::string text;
        ASSERT_EQ(0, CodeOf(m_userStore.BeginUpdates(), text)) << text;
        EXPECT_EQ(0, CodeOf(m_userStore.UpdateContact(kind, c), text)) << text;
        m_userStore.EndUpdates();
    }

    std::filesystem::path m_dir;
    std::string m_collection;
    NullProgress m_progress;
    sim::PbxSimulator m_sim;
    Tpbx m_pbx;
    Tpbx m_userPbx;
    TcardDav m_store;
    TcardDav m_userStore;
    TcontactFile m_files;
};

}  // namespace

CardDavSettings RadicaleSettings(const std::string& url) {
    CardDavSettings s;
    s.url = url;
    s.user = RadicaleServer::kUser;
    s.password = RadicaleServer::kPassword;
    s.timeoutMs = 10'000;
    return s;
}

std::unique_ptr<CardDavWorld> MakeCardDavWorld(TcardDav::TransportFactory transport) {
    std::string whyNot;
    const std::string collection = FreshAddressBook(whyNot);
    if (collection.empty()) {
        ADD_FAILURE() << "Radicale: " << whyNot;
        return nullptr;
    }
    auto w = std::make_unique<RadicaleWorld>(collection, std::move(transport));
    if (!w->Start()) return nullptr;
    return w;
}

}  // namespace korvi::test
