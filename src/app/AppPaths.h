// Where Korvi Communicator keeps its data: sync lists, logs and backups of the user.
#pragma once

#include <filesystem>
#include <string>

namespace korvi {

// $XDG_DATA_HOME/KorviCommunicator, or $HOME/.local/share/KorviCommunicator when
// XDG_DATA_HOME is unset, empty or relative. Read from the environment at each call.
std::filesystem::path DataFolder();
std::filesystem::path LogsFolderDefault();  // DataFolder()/logs
std::filesystem::path BackupsFolder();      // DataFolder()/backups
// The default root of the local address book (the vCard folders of the "Outlook" partner).
std::filesystem::path AddressBookFolderDefault();  // DataFolder()/addressbook

// $XDG_CONFIG_HOME ($HOME/.config when XDG_CONFIG_HOME is unset, empty or relative).
std::filesystem::path ConfigFolder();
// $XDG_CONFIG_HOME/QVX/KorviCommunicator.conf ($HOME/.config when XDG_CONFIG_HOME is unset,
// empty or relative). Read from the environment at each call.
std::filesystem::path SettingsFilePath();

// Creates the data folder and its logs folder where missing (new folders are private to the
// user). On failure error holds text 6 or 7 followed by the folder and the reason.
[[nodiscard]] bool EnsureDataFolders(std::string& error);

}  // namespace korvi
