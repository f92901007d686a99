// A network namespace of the test process's own, entered before main() and before any thread:
// only lo, up, with a multicast route on it. SSDP searches and answers of the tests then stay
// inside this process's namespace and never reach the machine's interfaces.
#pragma once

#include <string>

namespace korvi::test {

struct NetnsState {
    bool ready = false;
    std::string why;  // when not ready: why the LAN tests cannot run here
};

const NetnsState& TestNetns();

}  // namespace korvi::test

// Skips the calling test, with the reason, where no namespace of its own could be made.
#define KORVI_SKIP_WITHOUT_NETNS()                                           \
    do {                                                                     \
        const ::korvi::test::NetnsState& netns = ::korvi::test::TestNetns(); \
        if (!netns.ready) GTEST_SKIP() << netns.why;                         \
    } while (false)
