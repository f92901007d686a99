// The emulator's whole store as one Atom feed file, so that a demo keeps its contacts across
// restarts and a test or a person can read what the service holds. Passwords are not stored:
// they come from the command line.
#pragma once

#include <filesystem>
#include <string>

#include "GdataAccounts.h"

namespace korvi::gdatasim {

// Reads the file into accounts (accounts named there are added; their passwords stay those
// given, or empty). False with the reason when it cannot be read or is not such a file.
[[nodiscard]] bool LoadState(const std::filesystem::path& file, GdataAccounts& accounts,
                             std::string& error);
// Writes the file atomically (the old file stays as it was when this fails).
[[nodiscard]] bool SaveState(const std::filesystem::path& file, const GdataAccounts& accounts,
                             std::string& error);

}  // namespace korvi::gdatasim
