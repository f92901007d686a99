// The WebDAV and CardDAV requests of the address book server store, over the HTTP layer:
// finding the account's address books, listing a collection's members with their ETags (all,
// or the changes since a sync token), fetching cards, and writing or removing one card under
// a precondition, so that nothing another client wrote is overwritten unseen.
#pragma once

#include <string>
#include <vector>

#include "net/HttpTransport.h"

namespace korvi::carddav {

struct Multistatus;

struct DavAccount {
    std::string user;
    std::string password;  // never logged
    long timeoutMs = 30'000;
};

// Why a request did not do what was asked. Set at the edge where it is understood.
struct DavFailure {
    std::string text;
    long status = 0;  // the HTTP status, 0 when no answer came
    // The request may have been carried out although no good answer came (it was sent, and
    // the connection failed before the answer, or the server failed while handling it).
    bool maybeApplied = false;
    // The collection (or the address it was looked for at) is not on the server: deleted,
    // renamed, or never there.
    bool collectionMissing = false;
};

struct AddressBookInfo {
    std::string url;  // absolute, ending in '/'
    std::string displayName;
    std::string syncToken;  // empty when the server keeps none
    bool offersSyncCollection = false;
};

struct DavMember {
    std::string url;  // absolute
    std::string etag;
};

struct SyncDelta {
    std::vector<DavMember> changed;
    std::vector<std::string> removed;  // absolute addresses
    std::string newToken;
};

struct FetchedCard {
    std::string url;
    bool found = false;  // false: the server has no such member (any more)
    std::string etag;
    std::string text;
};

class CardDavClient {
public:
    CardDavClient(net::HttpTransport& transport, DavAccount account)
        : m_transport(transport), m_account(std::move(account)) {}

    // Whether an address may be used at all: http or https, and plain http only to a loopback
    // host, since the account's password goes with every request. Empty when it may.
    static std::string RefusalOf(const std::string& url);

    // The address book at url, or the account's address books when url names a server, a
    // principal or an address book home (through current-user-principal and
    // addressbook-home-set).
    [[nodiscard]] bool FindAddressBooks(const std::string& url, std::vector<AddressBookInfo>& out,
                                        DavFailure& failure);
    // The collection itself (PROPFIND Depth 0); fails unless it is an address book.
    [[nodiscard]] bool ReadAddressBook(const std::string& url, AddressBookInfo& out,
                                       DavFailure& failure);
    // Every card member with its ETag (PROPFIND Depth 1).
    [[nodiscard]] bool ListMembers(const std::string& collectionUrl, std::vector<DavMember>& out,
                                   DavFailure& failure);
    // The members changed and removed since token (sync-collection). A token the server no
    // longer accepts fails with invalidToken set; an empty token lists every member.
    [[nodiscard]] bool SyncChanges(const std::string& collectionUrl, const std::string& token,
                                   SyncDelta& out, bool& invalidToken, DavFailure& failure);
    // The cards at these addresses (addressbook-multiget), in batches.
    [[nodiscard]] bool FetchCards(const std::string& collectionUrl,
                                  const std::vector<std::string>& memberUrls,
                                  std::vector<FetchedCard>& out, DavFailure& failure);
    // One card (GET); found false on 404.
    [[nodiscard]] bool GetCard(const std::string& memberUrl, FetchedCard& out, DavFailure& failure);

    enum class PutMode { kCreate, kReplace };
    // kCreate: only if no member has that address (If-None-Match: *); kReplace: only if the
    // member still has etag (If-Match). A failed precondition is status 412. newEtag is empty
    // when the server did not say.
    [[nodiscard]] bool PutCard(const std::string& memberUrl, const std::string& text, PutMode mode,
                               const std::string& etag, std::string& newEtag, DavFailure& failure);
    // Only if the member still has etag (If-Match); status 412 otherwise, 404 when gone.
    [[nodiscard]] bool DeleteCard(const std::string& memberUrl, const std::string& etag,
                                  DavFailure& failure);

    // Requests sent so far (for tests and the benchmark's figures).
    long RequestCount() const { return m_requests; }
    // Whether the last request sent got no answer at all (no connection, the connection lost,
    // no answer in time): the server is gone rather than refusing one card.
    bool LastRequestUnanswered() const { return m_lastUnanswered; }

private:
    net::HttpResponse Send(const std::string& method, const std::string& url,
                           std::vector<net::HttpHeader> headers, std::string body);
    [[nodiscard]] bool Propfind(const std::string& url, const char* depth, const std::string& body,
                                Multistatus& out, DavFailure& failure,
                                std::string* redirect = nullptr);
    [[nodiscard]] bool PropfindFollowing(std::string& url, const std::string& body,
                                         Multistatus& out, DavFailure& failure);
    bool ListHome(const std::string& homeUrl, std::vector<AddressBookInfo>& out,
                  DavFailure& failure);

    net::HttpTransport& m_transport;
    DavAccount m_account;
    long m_requests = 0;
    bool m_lastUnanswered = false;
};

}  // namespace korvi::carddav
