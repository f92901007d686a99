#include "sync/SyncWorldFactories.h"

namespace korvi::test {

std::vector<WorldFactory> WorldFactories() {
    return {
        {"Memory", [] { return MakeMemoryWorld(); }},
    };
}

}  // namespace korvi::test
