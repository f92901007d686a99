// The scenario table of the sync, run here on the address book server world.
#include "carddav/CardDavWorld.h"
#include "sync/SyncWorldFactories.h"

namespace korvi::test {

std::vector<WorldFactory> WorldFactories() {
    return {{"CardDav", []() -> std::unique_ptr<SyncWorld> { return MakeCardDavWorld(); }}};
}

}  // namespace korvi::test
