// Runs the sync's convergence property (ConvergenceProperty.h) for many seeds and prints the
// figures; the test suite runs the first 200. A failing seed is printed with its story and
// can be run alone with --from SEED --seeds 1.
//
//   bench-sync-convergence [--seeds N] [--from SEED]     (default: 5000 seeds from 1)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/Log.h"
#include "sync/ConvergenceProperty.h"

namespace {

bool ParseCount(const char* text, uint64_t& out) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (end == text || *end != '\0') return false;
    out = value;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    uint64_t seeds = 5000;
    uint64_t from = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (!((option == "--seeds" && ParseCount(argv[i + 1], seeds)) ||
              (option == "--from" && ParseCount(argv[i + 1], from)))) {
            std::fprintf(stderr, "usage: %s [--seeds N] [--from SEED]\n", argv[0]);
            return 2;
        }
    }
    if (argc % 2 == 0) {
        std::fprintf(stderr, "usage: %s [--seeds N] [--from SEED]\n", argv[0]);
        return 2;
    }

    // In memory where possible: every sync list write is made durable, which on a disk would
    // be most of the run's time.
    std::error_code ec;
    const std::filesystem::path tmp = std::filesystem::is_directory("/dev/shm", ec)
                                          ? std::filesystem::path("/dev/shm")
                                          : std::filesystem::temp_directory_path(ec);
    std::string pattern = (tmp / "korvi-convergence-XXXXXX").string();
    if (ec || ::mkdtemp(pattern.data()) == nullptr) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    const std::filesystem::path root = pattern;
    korvi::SetLogsFolder(root / "logs");

    uint64_t failures = 0;
    long long contacts = 0, edits = 0, actions = 0;
    const auto start = std::chrono::steady_clock::now();
    for (uint64_t seed = from; seed < from + seeds; ++seed) {
        const auto folder = root / std::to_string(seed);
        const korvi::test::ConvergenceOutcome out = korvi::test::RunConvergence(seed, folder);
        std::filesystem::remove_all(folder, ec);
        contacts += out.contacts;
        edits += out.edits;
        actions += out.actions;
        if (!out.ok) {
            if (failures < 3) std::printf("FAILED %s\n", out.failure.c_str());
            ++failures;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::filesystem::remove_all(root, ec);

    const double n = static_cast<double>(seeds);
    std::printf("sync convergence: %llu seeds from %llu, %llu failed\n",
                static_cast<unsigned long long>(seeds), static_cast<unsigned long long>(from),
                static_cast<unsigned long long>(failures));
    std::printf(
        "  per seed: %.1f contacts at the start, %.1f edits, %.1f actions in the edit "
        "sync\n",
        static_cast<double>(contacts) / n, static_cast<double>(edits) / n,
        static_cast<double>(actions) / n);
    std::printf("  %.2f s, %.0f seeds/s\n", seconds, seconds > 0 ? n / seconds : 0.0);
    return failures == 0 ? 0 : 1;
}
