// A compact multimap from 64-bit hashes to small integers, filled once.
#pragma once

#include <cstdint>
#include <vector>

namespace korvi {

// One open-addressing array of 32-bit slots, each a value and as many bits of the hash's
// fingerprint as the values leave free, so that the table stays small enough for the cache to
// help. Fingerprints may collide: callers verify every value they get back.
class HashPositionTable {
public:
    HashPositionTable() = default;
    // Room for `entries` insertions of values 0..maxValue.
    HashPositionTable(std::size_t entries, uint32_t maxValue);

    void Insert(uint64_t hash, uint32_t value);
    [[nodiscard]] bool empty() const { return m_size == 0; }

    // Starts loading the slot of hash: lookups of many hashes in a row overlap their cache
    // misses when each is prefetched some hashes ahead.
    void Prefetch(uint64_t hash) const {
        if (!m_slots.empty()) __builtin_prefetch(&m_slots[hash & m_mask]);
    }

    // Calls f(value) for every value inserted under hash (and perhaps a few others).
    template <class F>
    void ForEach(uint64_t hash, F&& f) const {
        if (m_size == 0) return;
        const uint32_t tag = Tag(hash);
        for (std::size_t slot = hash & m_mask;; slot = (slot + 1) & m_mask) {
            const uint32_t s = m_slots[slot];
            if (s == 0) return;
            if ((s & ~m_valueMask) == tag) f((s & m_valueMask) - 1);
        }
    }

private:
    [[nodiscard]] uint32_t Tag(uint64_t hash) const {
        return static_cast<uint32_t>(hash >> 32) & ~m_valueMask;
    }

    std::size_t m_mask = 0;
    std::size_t m_size = 0;
    uint32_t m_valueMask = 0;       // the low bits of a slot that hold value + 1
    std::vector<uint32_t> m_slots;  // 0: empty
};

}  // namespace korvi
