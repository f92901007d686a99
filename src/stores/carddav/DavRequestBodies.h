// The XML bodies of the WebDAV and CardDAV requests the address book server store sends.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvi::carddav {

// PROPFIND of an address the user gave: what it is (resource type, name) and where the
// account's address books are (current-user-principal, addressbook-home-set), with the sync
// token and the reports a collection offers.
std::string DiscoveryPropfindBody();
// PROPFIND Depth 1 of a collection: the ETag and type of every member.
std::string MemberEtagsPropfindBody();
// REPORT addressbook-multiget of these member addresses (as the server listed them): each
// card's ETag and text.
std::string MultigetBody(const std::vector<std::string>& hrefs);
// REPORT sync-collection: the members changed or removed since the token (empty: all members).
std::string SyncCollectionBody(std::string_view syncToken);

// Text escaped for an XML element's content.
std::string XmlEscaped(std::string_view text);

}  // namespace korvi::carddav
