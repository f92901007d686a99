// The simulator answers SSDP only inside a network namespace of its own: wherever another
// interface than lo exists (this test runs in the machine's own namespace), --ssdp refuses to
// start, so no search from this machine's interfaces is ever answered by it.
#include <string>

#include <gtest/gtest.h>

#include "NetworkInterfaces.h"
#include "PbxSimulator.h"

namespace korvi {
namespace {

TEST(SimSsdpRefusalTest, OutsideAnOwnNamespace_SsdpRefusesToStart) {
    const std::string refusal = sim::SsdpRefusal();
    if (refusal.empty()) GTEST_SKIP() << "lo is the only interface here";
    sim::SimOptions options;
    options.ssdp = true;
    sim::PbxSimulator simulator(options);
    std::string error;
    EXPECT_FALSE(simulator.Start(error));
    EXPECT_EQ(error, refusal);
    EXPECT_NE(error.find("only inside a network namespace whose only interface is lo"),
              std::string::npos);
}

}  // namespace
}  // namespace korvi
