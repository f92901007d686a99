#include <gtest/gtest.h>

#include "app/Progress.h"
#include "common/ResultTesting.h"
#include "common/TestEnv.h"
#include "sync/MemoryPartnerStore.h"
#include "sync/MemoryPbx.h"
#include "sync/SyncTestSupport.h"
#include "sync/SyncWorld.h"

namespace korvi::test {

namespace {

bool Named(const TContact& c, const std::string& who) {
    return c.firstName + " " + c.lastName == who;
}

class MemoryWorld final : public SyncWorld {
public:
    MemoryWorld(int32_t contactType, bool slots)
        : m_pbx(contactType), m_files(m_progress, MakeTempDir("memory-world")) {
        if (slots) m_slots = PartnerSlots::AddressBook();
        m_partner.SetSlots(m_slots);
    }

    PbxPhonebook& pbx() override { return m_pbx; }
    PartnerStore& partner() override { return m_partner; }
    PartnerSlots partnerSlots() const override { return m_slots; }
    TcontactFile& files() override { return m_files; }
    const char* name() const override { return "memory"; }

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
    void PartnerAdd(const std::string& spec) override { m_partner.Put(MakeContact(spec)); }
    void PartnerAmend(const std::string& who, const std::string& spec) override {
        for (auto& c : m_partner.contacts()) {
            if (!Named(*c, who)) continue;
            TContact n = MakeContact(spec);
            n.entryId = c->entryId;
            *m_partner.FindByEntryId(c->entryId) = n;
            return;
        }
        FAIL() << "no partner contact " << who;
    }
    void PartnerDelete(const std::string& who) override {
        for (auto& c : m_partner.contacts()) {
            if (!Named(*c, who)) continue;
            TContact gone = *c;
            std::string text;
            ASSERT_EQ(0, CodeOf(m_partner.UpdateContact(PartnerStore::kUpdateDelete, gone), text));
            return;
        }
        FAIL() << "no partner contact " << who;
    }

    std::vector<TContact> PbxState() override {
        std::vector<TContact> out;
        for (auto& [id, c] : m_pbx.Phonebook()) out.push_back(c);
        return out;
    }
    std::vector<TContact> PartnerState() override {
        std::vector<TContact> out;
        for (auto& c : m_partner.contacts()) {
            if (c->numbers && !c->numbers->empty()) out.push_back(*c);
        }
        return out;
    }

    void FailPbxRequest(int k, PbxFault how) override {
        if (k == 0) {
            m_pbx.SetRequestFilter({});
            return;
        }
        const int at = m_pbx.requests() + k;
        const bool fromThenOn = how == PbxFault::kFaultFromThenOn;
        m_pbx.SetRequestFilter([at, fromThenOn](int request, const std::string&) {
            return request == at || (fromThenOn && request > at) ? -2 : 0;
        });
    }
    bool StopAtPbxRequest(int k, StopFlag& stop) override {
        const int at = m_pbx.requests() + k;
        m_pbx.SetRequestFilter([at, &stop](int request, const std::string&) {
            if (request == at) stop = true;
            return 0;
        });
        return true;
    }
    int PbxRequests() override { return m_pbx.requests(); }

private:
    NullProgress m_progress;
    MemoryPbx m_pbx;
    MemoryPartnerStore m_partner;
    PartnerSlots m_slots;
    TcontactFile m_files;
};

}  // namespace

std::unique_ptr<SyncWorld> MakeMemoryWorld(int32_t contactType, bool slots) {
    return std::make_unique<MemoryWorld>(contactType, slots);
}

}  // namespace korvi::test
