#include "model/NameIndex.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "model/CappedNameDistance.h"
#include "model/ContactCompare.h"

namespace korvi {

namespace {

constexpr int kPieces = kNameMatchDistance + 1;
// Odd, so that its powers never vanish modulo 2^64 and every byte of a long text counts.
constexpr uint64_t kBase = 0xd6e8feb86659fd93ULL;

bool CanMatch(std::string_view key) { return !key.empty() && key.size() <= kMaxNameKeyLength; }

// The finaliser of splitmix64: a polynomial hash spreads badly over the low bits on its own.
uint64_t Spread(uint64_t x) {
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ULL;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebULL;
    x ^= x >> 31;
    return x;
}

uint64_t Finish(uint64_t h, std::size_t length, uint64_t tag) {
    return Spread(h ^ ((static_cast<uint64_t>(length) << 20 | tag) * 0x9e3779b97f4a7c15ULL));
}

// Polynomial hashes of every prefix (modulo 2^64), so that the hash of any piece, or of the text
// with one or two bytes left out, costs a few multiplications instead of a copy. Collisions
// only cost a verification.
class PrefixHashes {
public:
    explicit PrefixHashes(std::string_view text)
        : m_prefix(text.size() + 1), m_power(text.size() + 1) {
        m_prefix[0] = 0;
        m_power[0] = 1;
        for (std::size_t k = 0; k < text.size(); ++k) {
            // +1 so that a NUL byte still moves the hash.
            m_prefix[k + 1] = m_prefix[k] * kBase + static_cast<unsigned char>(text[k]) + 1;
            m_power[k + 1] = m_power[k] * kBase;
        }
    }

    [[nodiscard]] std::size_t size() const { return m_prefix.size() - 1; }
    [[nodiscard]] uint64_t Power(std::size_t k) const { return m_power[k]; }
    // The hash of text[a, b).
    [[nodiscard]] uint64_t Of(std::size_t a, std::size_t b) const {
        return m_prefix[b] - m_prefix[a] * m_power[b - a];
    }

private:
    std::vector<uint64_t> m_prefix;
    std::vector<uint64_t> m_power;
};

constexpr uint64_t kTagDeletion = 1;

// The hash of every text left after deleting up to kNameMatchDistance bytes of the text, the
// text itself included. A text that several deletions give is listed more than once.
void DeletionHashes(const PrefixHashes& h, std::vector<uint64_t>& out) {
    out.clear();
    const std::size_t n = h.size();
    out.push_back(Finish(h.Of(0, n), n, kTagDeletion));
    for (std::size_t i = 0; i < n; ++i) {
        const uint64_t head = h.Of(0, i);
        out.push_back(Finish(head * h.Power(n - 1 - i) + h.Of(i + 1, n), n - 1, kTagDeletion));
        for (std::size_t j = i + 1; j < n; ++j) {
            const uint64_t hash =
                head * h.Power(n - 2 - i) + h.Of(i + 1, j) * h.Power(n - 1 - j) + h.Of(j + 1, n);
            out.push_back(Finish(hash, n - 2, kTagDeletion));
        }
    }
}

// f(hash) for each of hashes, with the table's slots prefetched a few hashes ahead: the table
// is far larger than the cache, and overlapping the misses is most of the speed.
template <class F>
void Prefetched(const HashPositionTable& table, const std::vector<uint64_t>& hashes, F&& f) {
    constexpr std::size_t kAhead = 8;
    for (std::size_t i = 0; i < hashes.size() && i < kAhead; ++i) table.Prefetch(hashes[i]);
    for (std::size_t i = 0; i < hashes.size(); ++i) {
        if (i + kAhead < hashes.size()) table.Prefetch(hashes[i + kAhead]);
        f(hashes[i]);
    }
}

std::size_t DeletionCount(std::size_t n) { return 1 + n + n * (n - 1) / 2; }

struct Piece {
    std::size_t start;
    std::size_t length;
};

// The three pieces of a long key of the given length.
std::array<Piece, kPieces> PiecesOf(std::size_t keyLength) {
    const std::size_t third = keyLength / kPieces;
    return {Piece{0, third}, Piece{third, third}, Piece{2 * third, keyLength - 2 * third}};
}

uint64_t PieceHash(const PrefixHashes& h, std::size_t start, std::size_t length,
                   std::size_t pieceNo, std::size_t keyLength) {
    return Finish(h.Of(start, start + length), length, (keyLength << 2 | pieceNo) + 2);
}

void CollectShort(const HashPositionTable& table, const PrefixHashes& key,
                  std::vector<uint32_t>& candidates) {
    if (table.empty() || key.size() > NameIndex::kShortKeyLength + kNameMatchDistance) return;
    std::vector<uint64_t> hashes;
    DeletionHashes(key, hashes);
    Prefetched(table, hashes, [&](uint64_t hash) {
        table.ForEach(hash, [&](uint32_t value) { candidates.push_back(value); });
    });
}

void CollectLong(const HashPositionTable& table, const std::vector<uint32_t>& keysOfLength,
                 const PrefixHashes& key, std::vector<uint32_t>& candidates) {
    if (table.empty() || key.size() + kNameMatchDistance <= NameIndex::kShortKeyLength) return;
    const std::size_t shortest =
        key.size() > kNameMatchDistance ? key.size() - kNameMatchDistance : 0;
    const std::size_t lo = std::max(NameIndex::kShortKeyLength + 1, shortest);
    const std::size_t hi = std::min(kMaxNameKeyLength, key.size() + kNameMatchDistance);
    for (std::size_t length = lo; length <= hi; ++length) {
        if (keysOfLength[length] == 0) continue;
        const auto pieces = PiecesOf(length);
        for (std::size_t p = 0; p < pieces.size(); ++p) {
            // Each edit before the piece moves it by at most one byte.
            for (int shift = -kNameMatchDistance; shift <= kNameMatchDistance; ++shift) {
                const auto start = static_cast<std::ptrdiff_t>(pieces[p].start) + shift;
                if (start < 0 || static_cast<std::size_t>(start) + pieces[p].length > key.size()) {
                    continue;
                }
                const uint64_t hash =
                    PieceHash(key, static_cast<std::size_t>(start), pieces[p].length, p, length);
                table.ForEach(hash, [&](uint32_t value) { candidates.push_back(value); });
            }
        }
    }
}

}  // namespace

NameIndex::NameIndex(std::vector<std::string> keys)
    : m_keys(std::move(keys)), m_longKeysOfLength(kMaxNameKeyLength + 1, 0) {
    // A later copy of a key can never be the first match: file each distinct key once, under
    // its first position.
    std::unordered_set<std::string_view> seen;
    seen.reserve(m_keys.size());
    std::size_t shortEntries = 0;
    std::size_t longEntries = 0;
    for (std::size_t pos = 0; pos < m_keys.size(); ++pos) {
        const std::string& key = m_keys[pos];
        if (!CanMatch(key) || !seen.insert(key).second) continue;
        m_distinct.push_back(static_cast<int32_t>(pos));
        if (key.size() <= kShortKeyLength) {
            shortEntries += DeletionCount(key.size());
        } else {
            longEntries += kPieces;
        }
    }
    const auto maxValue = static_cast<uint32_t>(m_distinct.empty() ? 0 : m_distinct.size() - 1);
    m_short = HashPositionTable(shortEntries, maxValue);
    m_long = HashPositionTable(longEntries, maxValue);
    std::vector<uint64_t> hashes;
    for (std::size_t d = 0; d < m_distinct.size(); ++d) {
        const int32_t pos = m_distinct[d];
        const auto value = static_cast<uint32_t>(d);
        const std::string& key = m_keys[static_cast<std::size_t>(pos)];
        const PrefixHashes h(key);
        if (key.size() <= kShortKeyLength) {
            DeletionHashes(h, hashes);
            Prefetched(m_short, hashes, [&](uint64_t hash) { m_short.Insert(hash, value); });
        } else {
            ++m_longKeysOfLength[key.size()];
            const auto pieces = PiecesOf(key.size());
            for (std::size_t p = 0; p < pieces.size(); ++p) {
                m_long.Insert(PieceHash(h, pieces[p].start, pieces[p].length, p, key.size()),
                              value);
            }
        }
    }
}

int NameIndex::FindFirst(std::string_view key) const {
    if (!CanMatch(key)) return -1;
    const PrefixHashes h(key);
    std::vector<uint32_t> candidates;
    CollectShort(m_short, h, candidates);
    CollectLong(m_long, m_longKeysOfLength, h, candidates);
    // Distinct keys are numbered in list order: the smallest number is the smallest position.
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    for (uint32_t value : candidates) {
        if (value >= m_distinct.size()) continue;
        const int32_t pos = m_distinct[value];
        if (CappedNameDistance(key, m_keys[static_cast<std::size_t>(pos)]) <= kNameMatchDistance) {
            return pos;
        }
    }
    return -1;
}

}  // namespace korvi
