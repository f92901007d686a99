// The sync with an address book server as a test sees it: the PBX simulator on 127.0.0.1 and
// a fresh address book on Radicale, each edited by a second client as another program would.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "net/HttpTransport.h"
#include "stores/carddav/TcardDav.h"
#include "sync/SyncWorld.h"

namespace korvi::test {

class CardDavWorld : public SyncWorld {
public:
    // The store under test, for checks beyond the sync.
    virtual TcardDav& store() = 0;
    virtual const std::string& collectionUrl() const = 0;
    // The simulated PBX's port on 127.0.0.1, and the phonebook the world's PBX side is.
    virtual int PbxPort() const = 0;
    static constexpr int32_t kPbxContactType = 101;
};

// transport: what the store under test sends through (null: the real one). Null world (with
// a failure recorded) when the simulator or Radicale cannot start.
std::unique_ptr<CardDavWorld> MakeCardDavWorld(TcardDav::TransportFactory transport = nullptr);

// Settings for the shared Radicale's account and this address book.
CardDavSettings RadicaleSettings(const std::string& url);

}  // namespace korvi::test
