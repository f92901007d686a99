// The inputs that once broke a reader under the fuzzer (make fuzz), kept in
// tests/data/fuzz/<target>/ and run through the same checks: each must now pass.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ReaderChecks.h"
#include "common/TestEnv.h"

namespace korvi {
namespace {

namespace fs = std::filesystem;

struct Target {
    const char* name;  // the fuzz target, and its folder of inputs
    std::string (*check)(std::string_view);
};

const Target kTargets[] = {
    {"soap-answer", fuzz::CheckSoapAnswer},
    {"contact-xml", fuzz::CheckContactXml},
    {"sync-list", fuzz::CheckSyncList},
    {"vcard", fuzz::CheckVcardAmend},
    {"settings-values", fuzz::CheckSettingsValues},
    {"dav-multistatus", fuzz::CheckDavMultistatus},
    {"gmail-feed", fuzz::CheckGmailFeed},
};

void PrintTo(const Target& t, std::ostream* os) { *os << t.name; }

class FuzzRegressionTest : public testing::TestWithParam<Target> {};

TEST_P(FuzzRegressionTest, EveryInputThatBrokeAReaderPasses) {
    const fs::path folder = test::TestDataDir() / "fuzz" / GetParam().name;
    std::vector<fs::path> inputs;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        inputs.push_back(it->path());
    std::sort(inputs.begin(), inputs.end());
    for (const auto& input : inputs)
        EXPECT_EQ(GetParam().check(test::ReadFile(input)), "") << input.filename();
}

INSTANTIATE_TEST_SUITE_P(Readers, FuzzRegressionTest, testing::ValuesIn(kTargets),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
}  // namespace korvi
