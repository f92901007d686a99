// The 207 Multi-Status answer of a PROPFIND or REPORT, reduced to what the address book
// server store reads. Element names are matched by namespace, whatever prefixes the server
// chose.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/XmlDocument.h"

namespace korvi::carddav {

struct DavResponse {
    std::string href;  // as the server wrote it (percent-encoded)
    // The status of the response as a whole (a member gone or not found: 404); 0 when the
    // response reports per property instead.
    int status = 0;
    // Properties found with status 200.
    bool hasEtag = false;
    std::string etag;
    bool hasAddressData = false;
    std::string addressData;
    std::string displayName;
    bool isCollection = false;
    bool isAddressBook = false;
    std::string currentUserPrincipal;   // href, empty when not given
    std::string addressbookHome;        // the first href of addressbook-home-set
    std::string syncToken;              // the collection's sync-token property
    bool offersSyncCollection = false;  // supported-report-set names sync-collection
};

struct Multistatus {
    std::vector<DavResponse> responses;
    std::string syncToken;  // the report's new token (sync-collection)
};

// Parses the body; a failure names the source and the offset.
[[nodiscard]] XmlResult ParseMultistatus(std::string_view body, std::string_view sourceName,
                                         Multistatus& out);

// The status code of a "HTTP/1.1 404 Not Found" line; 0 when it does not read.
int StatusLineCode(std::string_view line);

}  // namespace korvi::carddav
