// The partner stores of this build. Adding a store: its folder under src/stores, and one
// registration call in RegisterPartners (Partners.cpp) that names the store's rules.
#pragma once

namespace korvi {

class Services;

// Creates every partner store and registers it in services.partners.
void RegisterPartners(Services& services);

}  // namespace korvi
