#include "sync/SyncWorldFactories.h"

namespace korvi::test {

std::vector<WorldFactory> WorldFactories() {
    return {
        {"Memory", [] { return MakeMemoryWorld(); }},
        {"Sim", [] { return MakeSimAddressBookWorld(); }},
    };
}

}  // namespace korvi::test
