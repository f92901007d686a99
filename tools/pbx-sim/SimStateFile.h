// The simulated phonebook on disk, in the contact XML form of our contact files, so the contact
// file reader loads it as a contact list. Two additions that reader ignores: each contact's
// phonebook as a `contact_type` element, and the next contact id as the `next_id` attribute
// of `contacts` (ids are never reused, even across restarts).
//
//   <contacts next_id="1002">
//     <contact>
//       <display_name>..</display_name> <last_name/> <first_name/>
//       <contact_id>1000</contact_id> <entry_id/> <contact_type>65533</contact_type>
//       <number><ref/><number/><number_type/><barring/><line_access/><cli/></number> ...
//     </contact>
//   </contacts>
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "pbx/soap/SoapTypes.h"

namespace korvi::sim {

struct SimPhonebookState {
    int32_t nextId = 1000;
    std::vector<soap::TContactStruct> contacts;  // ascending contactId
};

// Written atomically: a failed save leaves the old file as it was.
[[nodiscard]] bool SaveSimState(const std::filesystem::path& file, const SimPhonebookState& state,
                                std::string& error);
// A contact without contact_type belongs to the central store. Fails on malformed XML, a bad
// integer or a repeated contact id.
[[nodiscard]] bool LoadSimState(const std::filesystem::path& file, SimPhonebookState& state,
                                std::string& error);

}  // namespace korvi::sim
