// The Atom entries the store sends: a new contact of the chosen group, a new group, and a
// fetched contact entry amended with a record's names and numbers.
#pragma once

#include <string>
#include <string_view>

#include "app/XmlDocument.h"
#include "model/Contact.h"

namespace korvi {

// The body of a create: atom:entry with its kind, gd:name (given, family, full name, each only
// when not empty), one gd:phoneNumber per number the cloud has a kind for, in list order (a
// number marked deleted with empty text), and the membership of groupId. UTF-8, indented.
std::string NewContactEntryXml(const TContact& contact, const std::string& groupId);

// The body that creates a group titled title.
std::string NewGroupEntryXml(const std::string& title);

// The fetched entry with the record's names and numbers in place of the ones the load mapping
// took from it; every other element (e-mails, addresses, photos, memberships, numbers the
// record could not hold) stays as it was. Fails when the entry does not parse.
[[nodiscard]] XmlResult AmendContactEntryXml(std::string_view entryXml, const TContact& contact,
                                             std::string& amended);

// The fetched entry without its membership of groupId (compared as GroupIdsMatch does).
[[nodiscard]] XmlResult RemoveMembershipXml(std::string_view entryXml, const std::string& groupId,
                                            std::string& amended);

// Whether two group ids name the same group: equal, or the same account path with "default"
// in one of them ("…/groups/default/base/6" and "…/groups/anna%40gmail.com/base/6"), whatever
// the scheme and host.
bool GroupIdsMatch(std::string_view a, std::string_view b);

}  // namespace korvi
