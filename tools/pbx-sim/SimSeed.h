// Deterministic phonebook contents: the same index always gives the same contact, with the
// names that trip up careless code (non-ASCII letters, apostrophes, ampersands) and one to three
// numbers of varied types, the internal type 16 among them.
#pragma once

#include <cstdint>
#include <vector>

#include "pbx/soap/SoapTypes.h"

namespace korvi::sim {

// The contact of seed index `index` (from 0) for the phonebook contactType, with contactId 0.
soap::TContactStruct MakeSeedContact(int index, int32_t contactType);
std::vector<soap::TContactStruct> MakeSeedContacts(int count, int32_t contactType);

}  // namespace korvi::sim
