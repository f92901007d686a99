// The worlds the scenario tests run on.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "sync/SyncWorld.h"

namespace korvi::test {

struct WorldFactory {
    const char* name;
    std::function<std::unique_ptr<SyncWorld>()> make;  // null world: not available
};

std::vector<WorldFactory> WorldFactories();

}  // namespace korvi::test
