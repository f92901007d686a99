// The two sides of a sync as a test sees them: a PBX and a partner store that a user edits
// between syncs, and whose content the test reads back. The same scenarios run on the
// in-memory world and on the simulator with a real address book folder.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/PartnerStore.h"
#include "files/ContactFile.h"
#include "model/Contact.h"
#include "pbx/PbxPhonebook.h"
#include "sync/Partner.h"
#include "sync/PartnerSlots.h"
#include "sync/Tctrl.h"

namespace korvi::test {

class SyncWorld {
public:
    virtual ~SyncWorld() = default;

    virtual PbxPhonebook& pbx() = 0;
    virtual PartnerStore& partner() = 0;
    // What the partner store holds of a contact's numbers (the address book's slots unless the
    // world says otherwise).
    virtual PartnerSlots partnerSlots() const { return PartnerSlots::AddressBook(); }
    virtual TcontactFile& files() = 0;
    virtual const char* name() const = 0;
    // The partner code the sync runs with.
    virtual int partnerCode() const { return 0; }
    // The partner's rules beyond its store and slots (a login before the sync, the last word
    // on its result), and the controller's partner inputs; nothing for most worlds.
    virtual void DescribePartner(Tctrl& ctrl, Partner& partner) {
        static_cast<void>(ctrl);
        static_cast<void>(partner);
    }

    // A user's edits; contacts are found by "First Last".
    virtual void PbxAdd(const std::string& spec) = 0;
    virtual void PbxAmend(const std::string& who, const std::string& spec) = 0;
    virtual void PbxDelete(const std::string& who) = 0;
    virtual void PartnerAdd(const std::string& spec) = 0;
    virtual void PartnerAmend(const std::string& who, const std::string& spec) = 0;
    virtual void PartnerDelete(const std::string& who) = 0;

    virtual std::vector<TContact> PbxState() = 0;
    // What the partner store lists (an item without numbers is not listed).
    virtual std::vector<TContact> PartnerState() = 0;

    // How the PBX fails: the k-th request gets HTTP 500, or its connection is dropped without
    // an answer, or it and every later one get a SOAP Fault (the PBX went away).
    enum class PbxFault { kHttp500, kDropped, kFaultFromThenOn };
    // The k-th PBX request from now on fails (1-based); 0 clears every fault.
    virtual void FailPbxRequest(int k, PbxFault how = PbxFault::kHttp500) = 0;
    // The k-th PBX request from now on is answered, and sets stop as it is (a user's Cancel
    // arriving then); false when the world cannot do that.
    virtual bool StopAtPbxRequest(int k, StopFlag& stop) {
        static_cast<void>(k);
        static_cast<void>(stop);
        return false;
    }
    // PBX requests answered since the world was made.
    virtual int PbxRequests() = 0;
};

// slots: the partner holds numbers as the address book does (one per type 0..7); without,
// it holds any number of any type.
std::unique_ptr<SyncWorld> MakeMemoryWorld(int32_t contactType = 201, bool slots = true);
// The PBX simulator on 127.0.0.1 and a vCard address book folder; null if it cannot start.
std::unique_ptr<SyncWorld> MakeSimAddressBookWorld();

}  // namespace korvi::test
