// The emulator's data: accounts with their groups and contacts, and the operations the service
// offers on them, without HTTP. Not thread-safe: the simulator holds its lock around each call.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include <pugixml.hpp>

namespace korvi::gdatasim {

struct StoredGroup {
    std::string gid;
    std::string title;
    std::string systemId;  // empty for a user's own group
    int version = 1;
    std::string updated;
    pugi::xml_document extra;  // the group entry's other elements (content, properties)
};

// Kept as text, not as a parsed tree: ten thousand trees would cost hundreds of megabytes, and
// a feed is written from the text without parsing it again.
struct StoredContact {
    std::string cid;
    int version = 1;
    std::string updated;
    std::string title;                // from its name, as the service makes it
    std::string ownXml;               // its own elements in canonical spelling, memberships apart
    std::vector<std::string> groups;  // gids of its memberships (not those marked deleted)

    // ownXml as a tree: a root "entry" holding the elements.
    pugi::xml_document Parse() const;
};

struct Account {
    std::string email;
    std::string password;
    // System groups first, then the user's in order of creation.
    std::vector<std::unique_ptr<StoredGroup>> groups;
    // In order of creation (the key), and by id.
    std::map<uint64_t, std::unique_ptr<StoredContact>> contacts;
    std::unordered_map<std::string, uint64_t> contactSeq;
    uint64_t nextSeq = 1;
    uint64_t idCounter = 0;

    StoredGroup* FindGroup(std::string_view gid);
    StoredGroup* FindGroupByTitle(std::string_view title);
    StoredContact* FindContact(std::string_view cid);
};

// The current time as the service writes it ("2013-07-31T06:55:08.995Z").
std::string NowStamp();
// The strong entity tag of an item version, with its quotes ("\"...\"").
std::string EntityTag(std::string_view id, int version);

class GdataAccounts {
public:
    Account& AddAccount(const std::string& email, const std::string& password);
    Account* Find(std::string_view email);
    const std::vector<std::unique_ptr<Account>>& accounts() const { return m_accounts; }

    // The contact's own elements come in normalized (EntryXml.h). Each returns "" or the
    // reason the request is refused (an HTTP 400).
    std::string CreateContact(Account& account, pugi::xml_document entry, std::string& cid);
    std::string ReplaceContact(Account& account, StoredContact& contact, pugi::xml_document entry);
    void DeleteContact(Account& account, const std::string& cid);
    std::string CreateGroup(Account& account, const std::string& title, pugi::xml_document extra,
                            std::string& gid);

    // What a state file holds, taken back without the checks of a request (a group that is
    // gone is just not counted as a membership).
    void RestoreGroup(Account& account, std::unique_ptr<StoredGroup> group);
    // entry holds the contact's elements, memberships included.
    void RestoreContact(Account& account, const std::string& cid, int version,
                        const std::string& updated, const pugi::xml_node& entry);

    // Contacts of the group (all with an empty gid), in order of creation.
    std::vector<const StoredContact*> ContactsOf(const Account& account,
                                                 std::string_view gid) const;

    // A new id of 16 hex digits, unique in the account.
    std::string NewId(Account& account);

private:
    // Checks the contact's elements and reads its memberships into groups.
    std::string CheckContact(Account& account, const pugi::xml_node& entry,
                             std::vector<std::string>& groups) const;
    // Keeps entry's elements in contact (title, text, memberships apart).
    static void Keep(StoredContact& contact, pugi::xml_node entry, std::vector<std::string> groups);

    std::vector<std::unique_ptr<Account>> m_accounts;
};

// The gid that a group id names ("http://host/m8/feeds/groups/USER/base/GID", USER being the
// account's address, encoded or not, or "default"); nullopt for another form or account.
std::optional<std::string> GroupIdToGid(std::string_view id, std::string_view email);

}  // namespace korvi::gdatasim
