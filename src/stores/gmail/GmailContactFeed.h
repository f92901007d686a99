// Reading the cloud's contacts feed (and single entries) into contact records: the load
// mapping of phone numbers with its capacity rule, and what the store needs beyond the record
// (entity tag, group memberships, the next page). Works on a byte buffer, nothing else.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "app/XmlDocument.h"
#include "model/Contact.h"

namespace korvi {

// A number of an entry that the record could not take.
struct DroppedNumber {
    enum class Why { kNoCapacity, kNotMapped };
    Why why = Why::kNotMapped;
    std::string rawText;      // the element's text as it stands in the feed
    std::string tag;          // rel, else label, else ""
    std::string kind;         // kNoCapacity: the full kind ("home", "mobile", ...)
    std::string displayName;  // the record's display name when the number was met
};

struct GmailFeedEntry {
    // contactId 0; numbers present when the entry has a gd:phoneNumber (even if none could be
    // added); entryId the edit link.
    TContact contact;
    std::vector<DroppedNumber> dropped;
    std::string etag;                     // the entry's gd:etag
    std::vector<std::string> groupHrefs;  // memberships not marked deleted
    bool deleted = false;                 // a gd:deleted marker (a tombstone, not a contact)
};

struct GmailFeedPage {
    std::vector<GmailFeedEntry> entries;
    std::string nextUrl;     // href of the feed's link rel="next"; "" on the last page
    long totalResults = -1;  // openSearch:totalResults; -1 when absent or not a number
};

// Parses a contacts feed. On a parse error page is left empty and the result says where.
[[nodiscard]] XmlResult ReadContactFeed(std::string_view bytes, GmailFeedPage& page);

// Maps one entry element (of a feed, or the document element of a single entry's answer).
void ReadContactEntry(const pugi::xml_node& entry, GmailFeedEntry& out);

}  // namespace korvi
