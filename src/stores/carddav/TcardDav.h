// The address book server partner: one CardDAV address book as a partner store of the sync,
// the imports and the exports. Cards are read and written with the address book store's own
// mapping (CardItem); a contact's entry id is its card's address on the server.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/PartnerStore.h"
#include "app/Progress.h"
#include "net/HttpTransport.h"
#include "stores/carddav/CardCache.h"
#include "stores/carddav/CardDavClient.h"

namespace korvi {

inline constexpr char kCardDavPartnerName[] = "CardDAV";

// What the front end hands the store before each action (from the settings).
struct CardDavSettings {
    // An address book, or a server, principal or address book home that leads to exactly one.
    std::string url;
    std::string user;
    std::string password;
    // PEM file of the authorities to trust instead of the system's (private CAs, tests).
    std::string caFile;
    long timeoutMs = 30'000;
};

class TcardDav final : public PartnerStore {
public:
    using TransportFactory =
        std::function<std::unique_ptr<net::HttpTransport>(const CardDavSettings&)>;

    // cacheFolder: where the per-collection caches live (made 0700 when first needed).
    // makeTransport: null for the real HTTP transport.
    TcardDav(Progress& progress, std::filesystem::path cacheFolder,
             TransportFactory makeTransport = nullptr);
    ~TcardDav() override;
    TcardDav(const TcardDav&) = delete;
    TcardDav& operator=(const TcardDav&) = delete;

    CardDavSettings settings;
    // As the address book store's: 1 makes SaveContacts keep the cards already there.
    int keepExisting = 0;

    // The address books the settings' account offers (for the chooser and the command line).
    Result ListAddressBooks(std::vector<carddav::AddressBookInfo>& out);
    // Finds the settings' address book as a load would, without reading its cards, so that
    // contactStoreID() names it afterwards.
    Result Locate() { return Connect(); }
    // The members of the address book (cards and groups) as the server lists them now.
    Result CountCards(int& count);

    Result LoadContacts(TContactList& list, const StopFlag& stop) override;
    Result SaveContacts(TContactList& list, const StopFlag& stop) override;
    Result UpdateContact(int kind, TContact& contact) override;
    Result BeginUpdates() override;
    void EndUpdates() override;
    // The collection's address, and a digest of it as its fragment: sync lists are named after
    // the last characters of this key, which for two servers' "/contacts/" would be alike.
    std::string contactStoreID() const override { return m_contactStoreID; }

    // The collection the last connection used (empty before).
    const std::string& collectionUrl() const { return m_collection.url; }
    // Requests sent since the store was made.
    long RequestCount() const;

private:
    std::unique_ptr<net::HttpTransport> MakeTransport() const;
    Result Connect();
    // After a request found the address book missing: the next operation looks for it again
    // from the settings instead of using the address the connection found.
    void ForgetCollectionIf(const carddav::DavFailure& failure);
    // An add the server refused in a way that may mean the address book itself is gone: asks,
    // and says so (-9: every further update would fail alike) when it is.
    Result CheckCollectionAfter(const carddav::DavFailure& failure, Result refused);
    void LoadCacheFor(const std::string& collection);
    void SaveCache();
    [[nodiscard]] bool Refresh(const StopFlag& stop, bool& stopped, std::string& error);
    [[nodiscard]] bool FetchInto(const std::vector<std::string>& urls, const StopFlag& stop,
                                 bool& stopped, std::string& error);
    [[nodiscard]] bool TakeBackUncertainAdds(std::string& error);
    Result UpdateCard(int kind, TContact& contact);
    void StoreFetched(const carddav::FetchedCard& card);
    Result AddCard(TContact& contact);
    Result AmendCard(TContact& contact);
    Result DeleteCard(TContact& contact);
    Result NotFound(int kind, const TContact& contact);
    // The card as it is on the server now, with its fields; false when the request failed.
    [[nodiscard]] bool Reload(const std::string& url, carddav::FetchedCard& fresh,
                              carddav::ReadCard& read, std::string& error);

    Progress& m_progress;
    std::filesystem::path m_cacheFolder;
    TransportFactory m_makeTransport;
    std::unique_ptr<net::HttpTransport> m_transport;
    std::unique_ptr<carddav::CardDavClient> m_client;
    long m_requestsBefore = 0;
    // Which settings the open connection was made for, and what they led to.
    std::string m_connectedFor;
    carddav::AddressBookInfo m_collection;
    std::string m_contactStoreID;
    carddav::CardCache m_cache;
    bool m_cacheDirty = false;
};

}  // namespace korvi
