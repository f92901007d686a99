// Contact records to and from the PBX's contact struct.
#pragma once

#include <cstdint>
#include <memory>

#include "model/Contact.h"
#include "pbx/soap/SoapTypes.h"

namespace korvi {

// The record as the PBX holds it: names cleaned (unless cleanNames is false, for a backup that
// must give back exactly what the PBX held), no entry id, numbers in order with state No
// Change, and no number list at all when the PBX sent none.
std::unique_ptr<TContact> ContactFromPbx(soap::TContactStruct pbxContact, bool cleanNames = true);

// The record as it is sent: the given contact type (not the record's), both name parts always
// present, and every number that is not marked Deleted, in list order.
soap::TContactStruct ContactToPbx(const TContact& contact, int32_t contactType);

}  // namespace korvi
