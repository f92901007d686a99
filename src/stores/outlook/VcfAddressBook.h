// The address book on disk: folders of vCard files, one card per file as khard, vdirsyncer and
// Evolution keep them. The "AddressBookDir" setting names one of three kinds of folder, told
// apart by what it holds when a connection is made:
//
//   the program's own tree     <dir>/<store>/<folder>/<sub>/*.vcf   (it holds "Personal Folders",
//                                                                   or is the program's own)
//   a collection               <dir>/*.vcf                          (it holds cards, or nothing)
//   a storage of collections   <dir>/<collection>/*.vcf             (it holds folders only)
//
// In the program's own tree each first-level folder is a store and every folder below a store
// is a contacts folder: FolderPath "\\Personal Folders\Contacts\Work". A collection and a
// storage show as one store named after the storage folder with the collections below it, so
// that a collection has the same path whether the setting names it or its storage:
// "\\contacts\friends" for <dir>/contacts/friends.
//
// In a tree that is not the program's own nothing is ever made but cards (and the folders the
// user asks for): folder ids are kept in the data folder (FolderIds.h). A card's EntryID is its
// UID (a card without one gets one on its first write; until then its file name stands in).
// Items come in file name order. Every write goes to a temporary file in the same folder and is
// renamed into place, so that a program reading the folder alongside never sees half a card.
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
    std::filesystem::path backupsRoot;  // where deleted cards are kept; empty: the data folder's
    const Clock* clock = nullptr;       // null: the system clock
    std::filesystem::path folderIds;    // the file of folder ids; empty: the data folder's
    // The tree is the program's own (the default "AddressBookDir"): the root and its default
    // contacts folder "Personal Folders/Contacts" are made when missing. Always so for
    // DefaultAddressBookDir().
    bool ownTree = false;
};

// $XDG_DATA_HOME/KorviCommunicator/addressbook
std::filesystem::path DefaultAddressBookDir();
// $XDG_DATA_HOME/KorviCommunicator/folder-ids
std::filesystem::path DefaultFolderIdsFile();

// A connection to the address book. Throws OlError when the root does not exist (and is not
// the program's own to make). Cards written new during the connection are made durable with
// one file system sync when it is released.
std::unique_ptr<OlApplication> ConnectVcfAddressBook(const VcfAddressBookOptions& options);

}  // namespace korvi::outlook
