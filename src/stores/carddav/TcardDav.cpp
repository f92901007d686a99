#include "stores/carddav/TcardDav.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <system_error>

#include <fmt/format.h>

#include "app/Log.h"
#include "app/Texts.h"
#include "net/CurlTransport.h"
#include "net/UrlText.h"
#include "stores/carddav/DavUrl.h"
#include "stores/outlook/ContactItemRecord.h"

namespace korvi {

using namespace carddav;

namespace {

// Cards per multiget of a load: between two of them the stop flag is read.
constexpr std::size_t kFetchChunk = 250;

std::string Shown(const std::string& url) { return net::UrlForMessages(url); }

std::string Num(long long n) { return std::to_string(n); }

CachedCard CachedFrom(const std::string& url, const std::string& etag, const std::string& text) {
    CachedCard c;
    c.url = url;
    c.etag = etag;
    ReadCard read = ReadCardText(text);
    c.kind = read.kind;
    c.problem = std::move(read.problem);
    c.fields = std::move(read.fields);
    c.text = text;
    return c;
}

std::string ChangedMeanwhile(const TContact& contact) {
    return fmt::format(
        "{} {} was changed on the CardDAV server since it was read; the next sync compares it "
        "again",
        contact.firstName, contact.lastName);
}

}  // namespace

TcardDav::TcardDav(Progress& progress, std::filesystem::path cacheFolder,
                   TransportFactory makeTransport)
    : m_progress(progress),
      m_cacheFolder(std::move(cacheFolder)),
      m_makeTransport(std::move(makeTransport)) {}

TcardDav::~TcardDav() {
    if (m_cacheDirty) SaveCache();
}

long TcardDav::RequestCount() const {
    return m_requestsBefore + (m_client ? m_client->RequestCount() : 0);
}

std::unique_ptr<net::HttpTransport> TcardDav::MakeTransport() const {
    if (m_makeTransport) return m_makeTransport(settings);
    net::CurlTransportOptions options;
    options.caFile = settings.caFile;
    options.userAgent = std::string(kAppName) + "/" + kAppVersion;
    return std::make_unique<net::CurlTransport>(options);
}

Result TcardDav::Connect() {
    std::string resultText;
    const std::string key = settings.url + '\n' + settings.user + '\n' + settings.password + '\n' +
                            settings.caFile + '\n' + std::to_string(settings.timeoutMs);
    if (m_client && key == m_connectedFor) return {};
    if (m_cacheDirty) SaveCache();
    m_requestsBefore = RequestCount();
    m_client.reset();
    m_transport.reset();
    m_connectedFor.clear();
    m_contactStoreID.clear();
    if (settings.url.empty()) {
        resultText = "No CardDAV address is set (setting CardDavUrl)";
        return {kResultLocalFailure, resultText};
    }
    const std::string refusal = CardDavClient::RefusalOf(settings.url);
    if (!refusal.empty()) {
        WriteLog("ERR: CARDDAV: Connect: %s", refusal);
        resultText = refusal;
        return {kResultLocalFailure, resultText};
    }
    m_transport = MakeTransport();
    m_client = std::make_unique<CardDavClient>(
        *m_transport, DavAccount{settings.user, settings.password, settings.timeoutMs});
    std::vector<AddressBookInfo> books;
    DavFailure failure;
    if (!m_client->FindAddressBooks(settings.url, books, failure)) {
        WriteLog("ERR: CARDDAV: Connect: %s", failure.text);
        resultText = failure.text;
        return {kResultLocalFailure, resultText};
    }
    if (books.size() != 1) {
        resultText = books.empty()
                         ? fmt::format("{} offers no address book", Shown(settings.url))
                         : fmt::format(
                               "{} offers {} address books; set CardDavUrl to the one to use "
                               "(korvi carddav collections lists them)",
                               Shown(settings.url), books.size());
        WriteLog("ERR: CARDDAV: Connect: %s", resultText);
        return {kResultLocalFailure, resultText};
    }
    m_collection = books.front();
    m_contactStoreID = m_collection.url + "#" + ShortDigest(ComparableUrl(m_collection.url));
    m_connectedFor = key;
    WriteLog("LOG: CARDDAV: Connect: Using address book %s", Shown(m_collection.url));
    LoadCacheFor(m_collection.url);
    return {};
}

void TcardDav::ForgetCollectionIf(const DavFailure& failure) {
    if (failure.collectionMissing) m_connectedFor.clear();
}

Result TcardDav::CheckCollectionAfter(const DavFailure& failure, Result refused) {
    if (failure.status != 404 && failure.status != 409 && failure.status != 410) return refused;
    AddressBookInfo info;
    DavFailure check;
    if (m_client->ReadAddressBook(m_collection.url, info, check) || !check.collectionMissing)
        return refused;
    ForgetCollectionIf(check);
    WriteLog("ERR: CARDDAV: UpdateContact: %s", check.text);
    return {kResultNoSyncFile, check.text};
}

Result TcardDav::ListAddressBooks(std::vector<AddressBookInfo>& out) {
    std::string resultText;
    out.clear();
    const std::string refusal = CardDavClient::RefusalOf(settings.url);
    if (!refusal.empty()) {
        resultText = refusal;
        return {kResultLocalFailure, resultText};
    }
    std::unique_ptr<net::HttpTransport> transport = MakeTransport();
    CardDavClient client(*transport,
                         DavAccount{settings.user, settings.password, settings.timeoutMs});
    DavFailure failure;
    if (!client.FindAddressBooks(settings.url, out, failure)) {
        resultText = failure.text;
        return {kResultLocalFailure, resultText};
    }
    return {};
}

Result TcardDav::CountCards(int& count) {
    count = 0;
    if (Result connected = Connect(); !connected.ok()) return connected;
    std::vector<DavMember> members;
    DavFailure failure;
    if (!m_client->ListMembers(m_collection.url, members, failure)) {
        ForgetCollectionIf(failure);
        WriteLog("ERR: CARDDAV: CountCards: %s", failure.text);
        return {kResultLocalFailure, failure.text};
    }
    count = static_cast<int>(members.size());
    return {};
}

void TcardDav::LoadCacheFor(const std::string& collection) {
    if (m_cache.collectionUrl == collection) return;
    std::string error;
    if (!m_cache.Load(CacheFileFor(m_cacheFolder, collection), collection, error))
        WriteLog("LOG: CARDDAV: %s", error);
    m_cacheDirty = false;
}

void TcardDav::SaveCache() {
    if (m_cache.collectionUrl.empty()) return;
    std::error_code ec;
    if (std::filesystem::create_directories(m_cacheFolder, ec))
        std::filesystem::permissions(m_cacheFolder, std::filesystem::perms::owner_all, ec);
    std::string error;
    if (!m_cache.Save(CacheFileFor(m_cacheFolder, m_cache.collectionUrl), error)) {
        // Only speed is lost: the next load reads the collection in full.
        WriteLog("ERR: CARDDAV: Cannot write the cache: %s", error);
        return;
    }
    m_cacheDirty = false;
}

void TcardDav::StoreFetched(const FetchedCard& card) {
    m_cache.Put(CachedFrom(card.url, card.etag, card.text));
    m_cacheDirty = true;
}

bool TcardDav::FetchInto(const std::vector<std::string>& urls, const StopFlag& stop, bool& stopped,
                         std::string& error) {
    const std::size_t n = urls.size();
    for (std::size_t start = 0; start < n; start += kFetchChunk) {
        if (stop.load()) {
            stopped = true;
            return true;
        }
        const std::size_t end = std::min(n, start + kFetchChunk);
        m_progress.SetProgressText(
            fmt::format("Retrieving Contact {} of {} from CardDAV", end, n),
            static_cast<int>(static_cast<long long>(end) * 100 / static_cast<long long>(n)));
        std::vector<std::string> chunk(urls.begin() + static_cast<long>(start),
                                       urls.begin() + static_cast<long>(end));
        std::vector<FetchedCard> cards;
        DavFailure failure;
        if (!m_client->FetchCards(m_collection.url, chunk, cards, failure)) {
            ForgetCollectionIf(failure);
            error = failure.text;
            return false;
        }
        std::vector<std::string> wanted;
        for (const auto& u : chunk) wanted.push_back(ComparableUrl(u));
        std::sort(wanted.begin(), wanted.end());
        std::vector<std::string> answered;
        for (const auto& card : cards) {
            answered.push_back(ComparableUrl(card.url));
            if (card.found) {
                StoreFetched(card);
            } else {
                m_cache.Erase(card.url);  // removed since it was listed
                m_cacheDirty = true;
            }
        }
        std::sort(answered.begin(), answered.end());
        // A member left out of the answer would read as a contact deleted on the server.
        for (const auto& w : wanted) {
            if (!std::binary_search(answered.begin(), answered.end(), w)) {
                error = fmt::format("The CardDAV server did not return the card {}", Shown(w));
                return false;
            }
        }
    }
    return true;
}

bool TcardDav::Refresh(const StopFlag& stop, bool& stopped, std::string& error) {
    DavFailure failure;
    bool full = true;
    std::string newToken;
    std::vector<DavMember> listed;
    std::vector<std::string> removed;
    bool listedBySync = false;
    if (m_collection.offersSyncCollection) {
        SyncDelta delta;
        bool invalidToken = false;
        if (m_client->SyncChanges(m_collection.url, m_cache.syncToken, delta, invalidToken,
                                  failure)) {
            listedBySync = true;
        } else if (invalidToken) {
            WriteLog("LOG: CARDDAV: The server no longer knows the sync token; reading all cards");
            m_cache.syncToken.clear();
            if (!m_client->SyncChanges(m_collection.url, "", delta, invalidToken, failure)) {
                ForgetCollectionIf(failure);
                error = failure.text;
                return false;
            }
            listedBySync = true;
        } else if (failure.status == 0 || failure.collectionMissing) {
            // No answer (the server is not there), or no address book there any more.
            ForgetCollectionIf(failure);
            error = failure.text;
            return false;
        } else {
            // It answered, but not the report: it is not asked again on this connection.
            WriteLog("LOG: CARDDAV: No sync-collection (%s); comparing ETags", failure.text);
            m_collection.offersSyncCollection = false;
        }
        if (listedBySync) {
            full = m_cache.syncToken.empty();
            listed = std::move(delta.changed);
            removed = std::move(delta.removed);
            newToken = std::move(delta.newToken);
        }
    }
    if (!listedBySync) {
        if (!m_client->ListMembers(m_collection.url, listed, failure)) {
            ForgetCollectionIf(failure);
            error = failure.text;
            return false;
        }
        full = true;
    }
    if (full) {
        std::vector<std::string> keep;
        for (const auto& m : listed) keep.push_back(ComparableUrl(m.url));
        std::sort(keep.begin(), keep.end());
        for (auto it = m_cache.cards.begin(); it != m_cache.cards.end();) {
            if (std::binary_search(keep.begin(), keep.end(), it->first)) {
                ++it;
            } else {
                it = m_cache.cards.erase(it);
            }
        }
    }
    for (const auto& url : removed) m_cache.Erase(url);
    std::vector<std::string> toFetch;
    for (const auto& m : listed) {
        const CachedCard* c = m_cache.Find(m.url);
        if (c == nullptr || c->etag.empty() || c->etag != m.etag) toFetch.push_back(m.url);
    }
    WriteLog("LOG: CARDDAV: %d cards listed, %d removed, %d to fetch",
             static_cast<int>(listed.size()), static_cast<int>(removed.size()),
             static_cast<int>(toFetch.size()));
    m_cacheDirty = true;
    if (!FetchInto(toFetch, stop, stopped, error)) return false;
    // The token is kept only with every change it covers in the cache.
    if (!stopped) m_cache.syncToken = newToken;
    return true;
}

bool TcardDav::TakeBackUncertainAdds(std::string& error) {
    std::vector<UncertainAdd> still;
    for (auto& u : m_cache.uncertainAdds) {
        const CachedCard* c = m_cache.Find(u.url);
        if (c == nullptr || c->kind != CardKind::kContact || c->fields.uid != u.uid ||
            c->fields.props != u.props)
            continue;  // never written, or someone else's now
        DavFailure failure;
        if (!m_client->DeleteCard(u.url, c->etag, failure) && failure.status != 404) {
            if (failure.status == 412) continue;  // changed by another client: it stays
            error = failure.text;
            still.push_back(u);
            continue;
        }
        WriteLog(
            "LOG: CARDDAV: Took back %s: its writing got no answer and the card is as sent; "
            "the sync adds it again",
            Shown(u.url));
        m_cache.Erase(u.url);
    }
    m_cache.uncertainAdds = std::move(still);
    m_cacheDirty = true;
    return error.empty();
}

Result TcardDav::LoadContacts(TContactList& list, const StopFlag& stop) {
    std::string resultText;
    m_progress.SetProgress(1, 0, 1);
    if (Result connected = Connect(); !connected.ok()) return connected;
    const std::string collection = Shown(m_collection.url);
    bool stopped = false;
    std::string error;
    if (!Refresh(stop, stopped, error) || (!stopped && !TakeBackUncertainAdds(error))) {
        WriteLog("ERR: CARDDAV: LoadContacts: %s", error);
        resultText = error;
        SaveCache();
        return {kResultLocalFailure, resultText};
    }
    if (stopped) {
        SaveCache();
        // A partial list would read as contacts deleted on the server.
        return kResultCancelled;
    }
    const int n = static_cast<int>(m_cache.cards.size());
    WriteLog("LOG: CARDDAV: LoadContacts: Loading %d contacts from %s", n, collection);
    for (const auto& [key, c] : m_cache.cards) {
        if (c.kind == CardKind::kGroup) {
            WriteLog("LOG: CARDDAV: LoadContacts: %s is not a Contact - not loading. (Group?)",
                     Shown(c.url));
            continue;
        }
        if (c.kind == CardKind::kUnreadable) {
            WriteLog("ERR: CARDDAV: Skipping card %s: %s", Shown(c.url), c.problem);
            continue;
        }
        CardItem item(std::string(), c.fields);
        auto record = std::make_unique<TContact>();
        const outlook::ItemRecord read = outlook::ReadItemRecord(item, *record);
        if (read == outlook::ItemRecord::kInvalidName) {
            WriteLog(
                "LOG: CARDDAV: LoadContacts: Invalid name - not loading. Full Name [%s] (%d) "
                "LastName [%s] (%d) FirstName [%s] (%d)",
                record->displayName, static_cast<int>(record->displayName.size()), record->lastName,
                static_cast<int>(record->lastName.size()), record->firstName,
                static_cast<int>(record->firstName.size()));
            continue;
        }
        if (read == outlook::ItemRecord::kNoNumbers) {
            WriteLog("LOG: CARDDAV: LoadContacts: [%s] has no numbers - not loading.",
                     record->displayName);
            continue;
        }
        record->entryId = c.url;
        list.push_back(std::move(record));
    }
    WriteLog("LOG: CARDDAV: LoadContacts: Loaded %d from %d contacts from %s",
             static_cast<int>(list.size()), n, collection);
    SaveCache();
    return {};
}

Result TcardDav::BeginUpdates() { return Connect(); }

void TcardDav::EndUpdates() {
    if (m_cacheDirty) SaveCache();
}

bool TcardDav::Reload(const std::string& url, FetchedCard& fresh, ReadCard& read,
                      std::string& error) {
    DavFailure failure;
    if (!m_client->GetCard(url, fresh, failure)) {
        error = failure.text;
        return false;
    }
    if (!fresh.found) {
        m_cache.Erase(url);
        m_cacheDirty = true;
        return true;
    }
    read = ReadCardText(fresh.text);
    StoreFetched(fresh);
    return true;
}

Result TcardDav::NotFound(int kind, const TContact& contact) {
    std::string resultText;
    resultText =
        fmt::format("Could not find {} {} in CardDAV", contact.firstName, contact.lastName);
    WriteLog("ERR: CARDDAV: UpdateContact: %s: [%s] [%s] - could not find in CardDAV",
             kind == kUpdateDelete ? "eDel" : "eAmend", contact.firstName, contact.lastName);
    DavFailure notFound;
    notFound.status = 404;
    return CheckCollectionAfter(notFound, {kResultLocalFailure, resultText});
}

Result TcardDav::AddCard(TContact& contact) {
    std::string resultText;
    WriteLog("LOG: CARDDAV: WriteContact: [%s] [%s]", contact.firstName, contact.lastName);
    DavFailure failure;
    std::string url;
    std::unique_ptr<CardItem> item;
    for (int attempt = 0; attempt < 2; ++attempt) {
        item = std::make_unique<CardItem>();
        outlook::WriteItemRecord(contact, *item);
        item->Save();
        url = MemberUrl(m_collection.url, item->uid() + ".vcf");
        std::string etag;
        if (m_client->PutCard(url, item->text(), CardDavClient::PutMode::kCreate, {}, etag,
                              failure)) {
            m_cache.Put(CachedFrom(url, etag, item->text()));
            m_cacheDirty = true;
            contact.entryId = url;
            return {};
        }
        // A member of that name exists already: a new name is tried once.
        if (failure.status != 412) break;
    }
    if (failure.maybeApplied) {
        // Remembered at once: the process may end before the updates do.
        m_cache.uncertainAdds.push_back(
            {url, item->uid(), ReadCardText(item->text()).fields.props});
        SaveCache();
    }
    resultText = failure.text;
    WriteLog("ERR: CARDDAV: UpdateContact: eAdd: [%s] [%s] - %s", contact.firstName,
             contact.lastName, failure.text);
    return CheckCollectionAfter(failure, {kResultLocalFailure, resultText});
}

Result TcardDav::AmendCard(TContact& contact) {
    std::string resultText;
    std::string error;
    const CachedCard* cached = m_cache.Find(contact.entryId);
    std::optional<outlook::ContactProps> seen;
    if (cached != nullptr && cached->kind == CardKind::kContact) seen = cached->fields.props;
    std::string text, etag;
    outlook::CardFields fields;
    if (cached != nullptr && cached->kind == CardKind::kContact && !cached->text.empty() &&
        !cached->etag.empty()) {
        text = cached->text;
        etag = cached->etag;
        fields = cached->fields;
    } else {
        FetchedCard fresh;
        ReadCard read;
        if (!Reload(contact.entryId, fresh, read, error)) {
            resultText = error;
            return {kResultLocalFailure, resultText};
        }
        if (!fresh.found || read.kind != CardKind::kContact) return NotFound(kUpdateAmend, contact);
        if (seen && read.fields.props != *seen) {
            resultText = ChangedMeanwhile(contact);
            WriteLog("ERR: CARDDAV: UpdateContact: eAmend: %s", resultText);
            return {kResultLocalFailure, resultText};
        }
        text = fresh.text;
        etag = fresh.etag;
        fields = read.fields;
        if (!seen) seen = read.fields.props;
    }
    WriteLog("LOG: CARDDAV: WriteContact: [%s] [%s]", contact.firstName, contact.lastName);
    for (int attempt = 0; attempt < 2; ++attempt) {
        CardItem item(text, fields);
        item.SetUrl(contact.entryId);
        outlook::WriteItemRecord(contact, item);
        item.Save();
        if (!item.changed()) return {};
        std::string newEtag;
        DavFailure failure;
        if (m_client->PutCard(contact.entryId, item.text(), CardDavClient::PutMode::kReplace, etag,
                              newEtag, failure)) {
            m_cache.Put(CachedFrom(contact.entryId, newEtag, item.text()));
            m_cacheDirty = true;
            return {};
        }
        if (failure.status == 404) return NotFound(kUpdateAmend, contact);
        if (failure.status != 412 || attempt == 1) {
            resultText = failure.text;
            WriteLog("ERR: CARDDAV: UpdateContact: eAmend: [%s] [%s] - %s", contact.firstName,
                     contact.lastName, failure.text);
            return CheckCollectionAfter(failure, {kResultLocalFailure, resultText});
        }
        // Another client wrote the card since it was read: read it again, and write on top of
        // it only if what the sync compares is still what it saw.
        WriteLog("LOG: CARDDAV: UpdateContact: %s changed on the server; reading it again",
                 Shown(contact.entryId));
        FetchedCard fresh;
        ReadCard read;
        if (!Reload(contact.entryId, fresh, read, error)) {
            resultText = error;
            return {kResultLocalFailure, resultText};
        }
        if (!fresh.found || read.kind != CardKind::kContact) return NotFound(kUpdateAmend, contact);
        if (read.fields.props != *seen) {
            resultText = ChangedMeanwhile(contact);
            WriteLog("ERR: CARDDAV: UpdateContact: eAmend: %s", resultText);
            return {kResultLocalFailure, resultText};
        }
        text = fresh.text;
        etag = fresh.etag;
        fields = read.fields;
    }
    return {kResultLocalFailure, resultText};
}

Result TcardDav::DeleteCard(TContact& contact) {
    std::string resultText;
    std::string error;
    const CachedCard* cached = m_cache.Find(contact.entryId);
    std::optional<outlook::ContactProps> seen;
    std::string etag;
    if (cached != nullptr) {
        etag = cached->etag;
        if (cached->kind == CardKind::kContact) seen = cached->fields.props;
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (etag.empty()) {
            FetchedCard fresh;
            ReadCard read;
            if (!Reload(contact.entryId, fresh, read, error)) {
                resultText = error;
                return {kResultLocalFailure, resultText};
            }
            if (!fresh.found) return NotFound(kUpdateDelete, contact);
            if (seen && read.kind == CardKind::kContact && read.fields.props != *seen) {
                resultText = ChangedMeanwhile(contact);
                WriteLog("ERR: CARDDAV: UpdateContact: eDel: %s", resultText);
                return {kResultLocalFailure, resultText};
            }
            etag = fresh.etag;
            if (etag.empty()) break;  // the server gives no tags: remove without a guard
        }
        DavFailure failure;
        if (m_client->DeleteCard(contact.entryId, etag, failure)) {
            m_cache.Erase(contact.entryId);
            m_cacheDirty = true;
            return {};
        }
        if (failure.status == 404) {
            m_cache.Erase(contact.entryId);
            return NotFound(kUpdateDelete, contact);
        }
        if (failure.status != 412 || attempt == 2) {
            resultText = failure.text;
            WriteLog("ERR: CARDDAV: UpdateContact: eDel: [%s] [%s] - %s", contact.firstName,
                     contact.lastName, failure.text);
            return CheckCollectionAfter(failure, {kResultLocalFailure, resultText});
        }
        WriteLog("LOG: CARDDAV: UpdateContact: %s changed on the server; reading it again",
                 Shown(contact.entryId));
        etag.clear();
    }
    DavFailure failure;
    if (!m_client->DeleteCard(contact.entryId, {}, failure)) {
        resultText = failure.text;
        return {kResultLocalFailure, resultText};
    }
    m_cache.Erase(contact.entryId);
    m_cacheDirty = true;
    return {};
}

Result TcardDav::UpdateContact(int kind, TContact& contact) {
    Result result = UpdateCard(kind, contact);
    // A server that does not answer at all is gone for every card after this one too: the
    // caller ends its updates at once instead of waiting out a time limit per card.
    if (!result.ok() && result.code != kResultCancelled && m_client &&
        m_client->LastRequestUnanswered()) {
        WriteLog("ERR: CARDDAV: UpdateContact: no answer from the server: %s", result.text);
        result.code = kResultNoSyncFile;
    }
    return result;
}

Result TcardDav::UpdateCard(int kind, TContact& contact) {
    std::string resultText;
    if (!m_client) {
        if (Result connected = Connect(); !connected.ok()) return connected;
    }
    try {
        switch (kind) {
            case kUpdateAdd:
                return AddCard(contact);
            case kUpdateAmend:
                return AmendCard(contact);
            case kUpdateDelete:
                return DeleteCard(contact);
            default:
                WriteLog("ERR: CARDDAV: UpdateContact: Unknown action: %d", kind);
                resultText = "UpdateContact: action Unknown";
                return {kResultLocalFailure, resultText};
        }
    } catch (const std::exception& e) {
        // A card whose mapped values cannot be decoded cannot be edited.
        WriteLog("ERR: CARDDAV: UpdateContact: Exception: %s", e.what());
        resultText = e.what();
        return {kResultLocalFailure, resultText};
    }
}

Result TcardDav::SaveContacts(TContactList& list, const StopFlag& stop) {
    std::string resultText;
    m_progress.SetProgress(1, 0, 1);
    if (Result connected = Connect(); !connected.ok()) return connected;
    try {
        if (keepExisting != 1) {
            std::vector<DavMember> members;
            DavFailure failure;
            if (!m_client->ListMembers(m_collection.url, members, failure)) {
                ForgetCollectionIf(failure);
                resultText = failure.text;
                return {kResultLocalFailure, resultText};
            }
            const int m = static_cast<int>(members.size());
            WriteLog("LOG: CARDDAV: SaveContacts: Deleting %d existing contacts", m);
            for (int j = m; j >= 1; --j) {
                if (stop.load()) {
                    SaveCache();
                    return kResultCancelled;
                }
                m_progress.SetProgressText(
                    fmt::format("Deleting Contact {} of {} from CardDAV", j, m),
                    100 - static_cast<int>(static_cast<long long>(j) * 100 / m));
                const DavMember& member = members[static_cast<std::size_t>(j - 1)];
                if (!m_client->DeleteCard(member.url, member.etag, failure) &&
                    failure.status != 404) {
                    resultText = failure.text;
                    WriteLog("ERR: CARDDAV: SaveContacts: %s", failure.text);
                    SaveCache();
                    return {kResultLocalFailure, resultText};
                }
                m_cache.Erase(member.url);
                m_cacheDirty = true;
            }
        }
        const int count = static_cast<int>(list.size());
        WriteLog("LOG: CARDDAV: SaveContacts: Saving %d contacts to %s", count,
                 Shown(m_collection.url));
        int i = 0;
        for (; i < count && !stop.load(); ++i) {
            m_progress.SetProgressText(
                fmt::format("Writing Contact {} of {} to CardDAV", Num(i + 1), Num(count)),
                LoopPosition(i, count));
            if (!list[static_cast<std::size_t>(i)]) continue;
            if (Result added = AddCard(*list[static_cast<std::size_t>(i)]); !added.ok()) {
                SaveCache();
                return {kResultLocalFailure, std::move(added.text)};
            }
        }
        SaveCache();
        // A sync list naming contacts that were never written would read them as deleted.
        return i < count ? kResultCancelled : kResultOk;
    } catch (const std::exception& e) {
        WriteLog("ERR: CARDDAV: SaveContacts Exception: %s", e.what());
        resultText = e.what();
        SaveCache();
        return {kResultLocalFailure, resultText};
    }
}

}  // namespace korvi
