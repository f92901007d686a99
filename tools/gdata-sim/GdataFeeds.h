// The Atom the emulator answers with: single entries and feed pages of contacts and groups, in
// the shape the recorded service answers have (single-quoted attributes, no line breaks).
#pragma once

#include <string>
#include <vector>

#include "GdataAccounts.h"

namespace korvi::gdatasim {

// Where ids and links point. Ids keep the "http" form the service used, links the address
// the emulator is reached at.
struct FeedUrls {
    std::string idBase;    // "http://127.0.0.1:PORT"
    std::string linkBase;  // "https://127.0.0.1:PORT" (or http without TLS)

    std::string UserSegment(const Account& account) const;  // the address, percent-encoded
    std::string ContactEditUrl(const Account& account, const std::string& cid) const;
    std::string ContactsFeedUrl(const Account& account) const;
    std::string GroupId(const Account& account, const std::string& gid) const;
    std::string GroupEditUrl(const Account& account, const std::string& gid) const;
    std::string GroupsFeedUrl(const Account& account) const;
};

// The title the service gives a contact: its full name, else given and family name.
std::string ContactTitle(const StoredContact& contact);

std::string ContactEntryXml(const FeedUrls& urls, const Account& account,
                            const StoredContact& contact, bool standalone);
std::string GroupEntryXml(const FeedUrls& urls, const Account& account, const StoredGroup& group,
                          bool standalone);

struct FeedPage {
    int startIndex = 1;   // 1-based index of the first entry of the page
    int maxResults = 25;  // what was asked (itemsPerPage)
    int pageSize = 25;    // what the page holds at most (the cap applied)
    std::string groupId;  // the group filter as given (contacts only), or empty
};

std::string ContactsFeedXml(const FeedUrls& urls, const Account& account,
                            const std::vector<const StoredContact*>& contacts,
                            const FeedPage& page);
std::string GroupsFeedXml(const FeedUrls& urls, const Account& account, const FeedPage& page);

}  // namespace korvi::gdatasim
