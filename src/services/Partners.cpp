#include "services/Partners.h"

#include "services/CardDavPartner.h"
#include "services/GmailPartner.h"
#include "services/OutlookPartner.h"

namespace korvi {

void RegisterPartners(Services& services) {
    // One line per partner store.
    RegisterOutlookPartner(services);
    RegisterGmailPartner(services);
    RegisterCardDavPartner(services);
}

}  // namespace korvi
