// Reading the cloud's groups feed: the groups in feed order with their ids and titles.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/XmlDocument.h"

namespace korvi {

// A group as the chooser lists it (the record a tree node carries).
struct Ty_gmailFolderInfo {
    int numContacts = 0;
    std::string title;
    std::string id;  // the text of the group's id element
    // False until the group's count has been read: a count that failed shows 0, yet the group
    // may hold contacts.
    bool countKnown = false;
};

// One title of the feed; without a record when its entry had no id before the title.
struct GmailGroupTitle {
    std::string title;
    std::optional<Ty_gmailFolderInfo> record;
};

struct GmailGroupPage {
    std::vector<GmailGroupTitle> titles;
    std::string nextUrl;  // href of the feed's link rel="next"; "" on the last page
};

// Parses a groups feed. Each entry starts without a record, so a title is never given the id
// of an earlier entry. On a parse error page is left empty and the result says where.
[[nodiscard]] XmlResult ReadGroupFeed(std::string_view bytes, GmailGroupPage& page);

// The id element's text of a single group entry (the answer to a create); "" without one.
std::string ReadGroupEntryId(std::string_view bytes);

}  // namespace korvi
