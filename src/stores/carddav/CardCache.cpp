#include "stores/carddav/CardCache.h"

#include <charconv>
#include <system_error>

#include <openssl/evp.h>

#include "app/AtomicFile.h"
#include "stores/carddav/DavUrl.h"
#include "stores/outlook/VcfCards.h"

namespace korvi::carddav {

namespace {

constexpr std::string_view kMagic = "korvi-carddav-cache 1\n";

// Records of length-prefixed fields: "<n>:" then n bytes. Card fields may hold any byte.
void PutField(std::string& out, std::string_view field) {
    out += std::to_string(field.size());
    out += ':';
    out += field;
}

class FieldReader {
public:
    explicit FieldReader(std::string_view text) : m_text(text) {}
    bool AtEnd() const { return m_pos >= m_text.size(); }
    bool Next(std::string& out) {
        std::size_t n = 0;
        const char* begin = m_text.data() + m_pos;
        const char* end = m_text.data() + m_text.size();
        auto [p, ec] = std::from_chars(begin, end, n);
        if (ec != std::errc() || p == end || *p != ':') return false;
        const std::size_t start = static_cast<std::size_t>(p - m_text.data()) + 1;
        if (n > m_text.size() - start) return false;
        out.assign(m_text.substr(start, n));
        m_pos = start + n;
        return true;
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

int KindCode(CardKind k) { return static_cast<int>(k); }

}  // namespace

std::string ShortDigest(const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha256(), nullptr) != 1)
        return std::string(20, '0');
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < length && out.size() < 20; ++i) {
        out += kHex[digest[i] >> 4];
        out += kHex[digest[i] & 15];
    }
    return out;
}

std::filesystem::path CacheFileFor(const std::filesystem::path& folder,
                                   const std::string& collectionUrl) {
    return folder / ("carddav-" + ShortDigest(ComparableUrl(collectionUrl)) + ".cache");
}

CachedCard* CardCache::Find(const std::string& url) {
    auto it = cards.find(ComparableUrl(url));
    return it == cards.end() ? nullptr : &it->second;
}

CachedCard& CardCache::Put(CachedCard card) {
    std::string key = ComparableUrl(card.url);
    return cards[key] = std::move(card);
}

void CardCache::Erase(const std::string& url) { cards.erase(ComparableUrl(url)); }

void CardCache::Clear() {
    cards.clear();
    syncToken.clear();
    uncertainAdds.clear();
}

bool CardCache::Load(const std::filesystem::path& file, const std::string& collection,
                     std::string& error) {
    Clear();
    collectionUrl = collection;
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        error = file.string() + ": no cache yet";
        return false;
    }
    std::string text;
    if (!outlook::ReadCardFile(file, text, error)) return false;
    auto damaged = [&] {
        Clear();
        error = file.string() + ": damaged cache, dropped";
        return false;
    };
    if (text.compare(0, kMagic.size(), kMagic) != 0) return damaged();
    FieldReader r(std::string_view(text).substr(kMagic.size()));
    std::string storedCollection;
    if (!r.Next(storedCollection) || !r.Next(syncToken)) return damaged();
    if (ComparableUrl(storedCollection) != ComparableUrl(collection)) {
        Clear();
        error = file.string() + ": the cache of another collection";
        return false;
    }
    std::string tag;
    while (!r.AtEnd()) {
        if (!r.Next(tag)) return damaged();
        if (tag == "card") {
            CachedCard c;
            std::string kind, group, hasFn;
            if (!r.Next(c.url) || !r.Next(c.etag) || !r.Next(kind) || !r.Next(c.problem) ||
                !r.Next(c.fields.uid) || !r.Next(group) || !r.Next(hasFn))
                return damaged();
            for (auto& p : c.fields.props)
                if (!r.Next(p)) return damaged();
            if (kind.size() != 1 || kind[0] < '0' || kind[0] > '2') return damaged();
            c.kind = static_cast<CardKind>(kind[0] - '0');
            c.fields.isGroup = group == "1";
            c.fields.hasFn = hasFn == "1";
            Put(std::move(c));
        } else if (tag == "uncertain-add") {
            UncertainAdd u;
            if (!r.Next(u.url) || !r.Next(u.uid)) return damaged();
            for (auto& p : u.props)
                if (!r.Next(p)) return damaged();
            uncertainAdds.push_back(std::move(u));
        } else {
            return damaged();
        }
    }
    return true;
}

bool CardCache::Save(const std::filesystem::path& file, std::string& error) const {
    std::string out(kMagic);
    PutField(out, collectionUrl);
    PutField(out, syncToken);
    for (const auto& [key, c] : cards) {
        PutField(out, "card");
        PutField(out, c.url);
        PutField(out, c.etag);
        PutField(out, std::to_string(KindCode(c.kind)));
        PutField(out, c.problem);
        PutField(out, c.fields.uid);
        PutField(out, c.fields.isGroup ? "1" : "0");
        PutField(out, c.fields.hasFn ? "1" : "0");
        for (const auto& p : c.fields.props) PutField(out, p);
    }
    for (const auto& u : uncertainAdds) {
        PutField(out, "uncertain-add");
        PutField(out, u.url);
        PutField(out, u.uid);
        for (const auto& p : u.props) PutField(out, p);
    }
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    if (ec) {
        error = file.parent_path().string() + ": " + ec.message();
        return false;
    }
    return WriteFileAtomically(file, out, error);
}

}  // namespace korvi::carddav
