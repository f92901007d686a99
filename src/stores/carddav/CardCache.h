// What the store knows of one address book between syncs: the collection's sync token and,
// per member, its ETag and the mapped fields of its card. With it a sync fetches only the
// cards that changed. Kept in the data folder (mode 0600); never the only copy of anything:
// a cache that is missing, damaged or of another collection is dropped and the collection is
// read in full.
//
// It also remembers new cards whose PUT went out without a clear answer (the server stopped),
// so that the next load can take back such a card when it holds exactly what was sent: the
// next sync then adds the contact once, instead of finding it twice.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "stores/carddav/CardItem.h"

namespace korvi::carddav {

struct CachedCard {
    std::string url;  // as listed by the server
    std::string etag;
    CardKind kind = CardKind::kUnreadable;
    std::string problem;
    outlook::CardFields fields;
    // The card's text as last fetched or written by this process; empty when it came from
    // the file (texts are not stored there).
    std::string text;
};

struct UncertainAdd {
    std::string url;
    std::string uid;
    outlook::ContactProps props{};
};

class CardCache {
public:
    // Keyed by ComparableUrl, so that two spellings of one member meet.
    std::map<std::string, CachedCard> cards;
    std::string collectionUrl;
    std::string syncToken;
    std::vector<UncertainAdd> uncertainAdds;

    CachedCard* Find(const std::string& url);
    CachedCard& Put(CachedCard card);
    void Erase(const std::string& url);
    void Clear();

    // False with a reason when the file is missing, damaged or holds another collection; the
    // cache is then empty (for that collection).
    [[nodiscard]] bool Load(const std::filesystem::path& file, const std::string& collection,
                            std::string& error);
    [[nodiscard]] bool Save(const std::filesystem::path& file, std::string& error) const;
};

// The file of a collection's cache in folder.
std::filesystem::path CacheFileFor(const std::filesystem::path& folder,
                                   const std::string& collectionUrl);

// 20 hexadecimal digits of the SHA-256 of text.
std::string ShortDigest(const std::string& text);

}  // namespace korvi::carddav
