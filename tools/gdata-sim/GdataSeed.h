// Generated contacts for tests and demos: deterministic by index, with what a real address
// book holds besides phone numbers (e-mail, postal address, a second group), non-ASCII letters,
// apostrophes and ampersands in names, and now and then a number kind the client cannot map.
#pragma once

#include <string>

#include <pugixml.hpp>

namespace korvi::gdatasim {

// A contact entry (normalized form: root "entry") that is a member of the group of groupId.
pugi::xml_document MakeSeedEntry(int index, const std::string& groupId);

}  // namespace korvi::gdatasim
