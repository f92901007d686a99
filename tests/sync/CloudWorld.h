// The sync with the cloud partner: an in-memory PBX, and the cloud store over verified HTTPS
// to the emulator holding a contact group. The user's edits in the group go through a second
// store, as another client of the service would make them.
#pragma once

#include <memory>

#include "sync/SyncWorld.h"

namespace korvi::test {

class CloudWorld : public SyncWorld {
public:
    // The k-th request to the cloud service from now on fails (1-based; 0 clears): HTTP 500,
    // or its connection is dropped without an answer.
    enum class CloudFault { kHttp500, kDropped };
    virtual void FailCloudRequest(int k, CloudFault how = CloudFault::kHttp500) = 0;
    // Requests the service answered since the world was made.
    virtual int CloudRequests() = 0;
};

// Null when the emulator cannot start.
std::unique_ptr<CloudWorld> MakeCloudWorld();

}  // namespace korvi::test
