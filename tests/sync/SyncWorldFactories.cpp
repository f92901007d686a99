#include "sync/SyncWorldFactories.h"

#include "sync/CloudWorld.h"

namespace korvi::test {

std::vector<WorldFactory> WorldFactories() {
    return {
        {"Memory", [] { return MakeMemoryWorld(); }},
        {"Sim", [] { return MakeSimAddressBookWorld(); }},
        {"Cloud", []() -> std::unique_ptr<SyncWorld> { return MakeCloudWorld(); }},
    };
}

}  // namespace korvi::test
