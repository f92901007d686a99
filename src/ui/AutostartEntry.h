// Starting with the desktop session: an XDG autostart entry for this user. The entry names the
// program by its absolute path, so it works whatever folder the session starts in.
#pragma once

#include <filesystem>
#include <string>

namespace korvi::ui {

// $XDG_CONFIG_HOME/autostart/korvi-communicator.desktop, read from the environment at each call.
std::filesystem::path AutostartFilePath();

// The entry's text for the program at that absolute path.
std::string AutostartEntryText(const std::filesystem::path& program);

// Writes the entry unless an identical one is there already (an entry left by a program at
// another path is replaced). False with error naming the file when it cannot be written.
[[nodiscard]] bool CreateAutostartEntry(const std::filesystem::path& program, std::string& error);
// Removes the entry; a missing entry is no failure.
[[nodiscard]] bool DeleteAutostartEntry(std::string& error);

}  // namespace korvi::ui
