// The entry point of one fuzz target: KORVI_FUZZ_CHECK names its check (ReaderChecks.h).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ReaderChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string broken =
        korvi::fuzz::KORVI_FUZZ_CHECK(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!broken.empty()) {
        // What broke, above the input the fuzzer keeps.
        std::fprintf(stderr, "BROKEN: %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}
