#include "model/HashPositionTable.h"

#include <bit>

namespace korvi {

HashPositionTable::HashPositionTable(std::size_t entries, uint32_t maxValue) {
    if (entries == 0) return;
    const int valueBits = std::bit_width(static_cast<uint64_t>(maxValue) + 1);
    m_valueMask = valueBits >= 32 ? ~0U : (1U << valueBits) - 1;
    // At most two thirds full, so that a miss (the common answer) ends within a probe or two.
    const std::size_t capacity = std::bit_ceil(entries + entries / 2 + 1);
    m_mask = capacity - 1;
    m_slots.assign(capacity, 0);
}

void HashPositionTable::Insert(uint64_t hash, uint32_t value) {
    // More than announced is the caller's fault; keep one slot empty so lookups still end.
    if (m_size + 1 >= m_slots.size() || value >= m_valueMask) return;
    std::size_t slot = hash & m_mask;
    while (m_slots[slot] != 0) slot = (slot + 1) & m_mask;
    m_slots[slot] = Tag(hash) | (value + 1);
    ++m_size;
}

}  // namespace korvi
