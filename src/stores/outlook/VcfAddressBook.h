// The address book on disk: a folder tree of vCard files, one card per file as khard,
// vdirsyncer and Evolution keep it.
//
//   <root>/<store>/<folder>/<sub>/*.vcf
//
// Each first-level folder is a store (not a contacts folder); every folder below it is a
// contacts folder. FolderPath is "\\" + store + "\" + the folder names joined by "\". A folder's
// EntryID is kept in a hidden file in it; a card's EntryID is its UID (a card without one gets
// one on its first write; until then its file name stands in). Items come in file name order.
// Every write goes to a temporary file in the same folder and is renamed into place, so that a
// program reading the folder alongside never sees half a card.
#pragma once

#include <filesystem>
#include <memory>

#include "stores/outlook/ObjectModel.h"

namespace korvi {
class Clock;
}

namespace korvi::outlook {

inline constexpr char kDefaultStoreName[] = "Personal Folders";
inline constexpr char kDefaultContactsName[] = "Contacts";
// What the address book answers as its version: the newest one the store knows.
inline constexpr char kAddressBookVersion[] = "15.0";

struct VcfAddressBookOptions {
    std::filesystem::path root;         // the "AddressBookDir" setting
    std::filesystem::path backupsRoot;  // where deleted cards are kept
    const Clock* clock = nullptr;       // null: the system clock
};

// $XDG_DATA_HOME/KorviCommunicator/addressbook
std::filesystem::path DefaultAddressBookDir();

// A connection to the address book. Makes the default contacts folder
// "Personal Folders/Contacts" when it is missing. Cards written new during the connection are
// made durable with one file system sync when it is released.
std::unique_ptr<OlApplication> ConnectVcfAddressBook(const VcfAddressBookOptions& options);

}  // namespace korvi::outlook
