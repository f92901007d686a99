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

namespace korvi::test {

class SyncWorld {
public:
    virtual ~SyncWorld() = default;

    virtual PbxPhonebook& pbx() = 0;
    virtual PartnerStore& partner() = 0;
    virtual TcontactFile& files() = 0;
    virtual const char* name() const = 0;

    // A user's edits; contacts are found by "First Last".
    virtual void PbxAdd(const std::string& spec) = 0;
    virtual void PbxAmend(const std::string& who, const std::string& spec) = 0;
    virtual void PbxDelete(const std::string& who) = 0;
    virtual void PartnerAdd(const std::string& spec) = 0;
    virtual void PartnerAmend(const std::string& who, const std::string& spec) = 0;
    virtual void PartnerDelete(const std::string& who) = 0;

    virtual std::vector<TContact> PbxState() = 0;
    virtual std::vector<TContact> PartnerState() = 0;

    // The k-th PBX request from now on fails (1-based); 0 clears it.
    virtual void FailPbxRequest(int k) = 0;
    // PBX requests answered since the world was made.
    virtual int PbxRequests() = 0;
};

std::unique_ptr<SyncWorld> MakeMemoryWorld(int32_t contactType = 201);

}  // namespace korvi::test
