// Names of the cloud contacts protocol that the emulator speaks: namespaces, kinds, the system
// groups and the phone number kinds it accepts.
#pragma once

#include <string_view>

namespace korvi::gdatasim {

inline constexpr char kAtomNs[] = "http://www.w3.org/2005/Atom";
inline constexpr char kGdNs[] = "http://schemas.google.com/g/2005";
inline constexpr char kContactNs[] = "http://schemas.google.com/contact/2008";
inline constexpr char kOpenSearchNs[] = "http://a9.com/-/spec/opensearch/1.1/";
inline constexpr char kBatchNs[] = "http://schemas.google.com/gdata/batch";
inline constexpr char kAppNs[] = "http://www.w3.org/2007/app";
// Our own additions to the state file.
inline constexpr char kSimNs[] = "urn:korvi:gdata-sim";

inline constexpr char kKindScheme[] = "http://schemas.google.com/g/2005#kind";
inline constexpr char kContactKind[] = "http://schemas.google.com/contact/2008#contact";
inline constexpr char kGroupKind[] = "http://schemas.google.com/contact/2008#group";
inline constexpr char kPhotoRel[] = "http://schemas.google.com/contacts/2008/rel#photo";

struct SystemGroup {
    const char* gid;       // the last path segment of its id
    const char* systemId;  // gContact:systemGroup id
    const char* title;
};

// Every account has these four, listed first, without an edit link (they cannot be changed).
inline constexpr SystemGroup kSystemGroups[] = {
    {"6", "Contacts", "System Group: My Contacts"},
    {"d", "Friends", "System Group: Friends"},
    {"e", "Family", "System Group: Family"},
    {"f", "Coworkers", "System Group: Coworkers"},
};

// The kinds a phone number's rel may name (after the gd namespace and '#').
inline constexpr std::string_view kPhoneRels[] = {
    "assistant", "callback", "car",    "company_main", "fax",         "home",       "home_fax",
    "isdn",      "main",     "mobile", "other",        "other_fax",   "pager",      "radio",
    "telex",     "tty_tdd",  "work",   "work_fax",     "work_mobile", "work_pager",
};

}  // namespace korvi::gdatasim
