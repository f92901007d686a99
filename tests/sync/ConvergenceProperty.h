// The convergence property of the sync, for one seed: random contacts on both sides linked by
// a first-time sync (random answers to the similar-contact questions), then random edits on
// both sides - adds, amendments, deletions, renames, numbers added, removed and changed, both
// sides editing one contact - and a two-way sync under a random conflict rule. After each of
// the two syncs, one more sync must have nothing to do, and both sides must agree in names and
// in the numbers the partner can hold. In memory, with the address book's number slots.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace korvi::test {

struct ConvergenceOutcome {
    bool ok = true;
    // What broke the property, and the story of the seed (start, answers, edits, rule).
    std::string failure;
    // Figures: contacts at the start (both sides), edits made, actions the edit sync queued.
    int contacts = 0;
    int edits = 0;
    int actions = 0;
};

// Runs one seed in its own sync list folder below `folder`.
ConvergenceOutcome RunConvergence(uint64_t seed, const std::filesystem::path& folder);

}  // namespace korvi::test
