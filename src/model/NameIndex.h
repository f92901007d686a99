// Finds the first name key in a list that is within the name match distance of a given key.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/HashPositionTable.h"

namespace korvi {

// Built once over the keys of a list, by position. Short keys are filed under every text that
// remains after deleting up to two bytes: two keys within distance 2 always share one such text.
// Long keys (where those texts would run into the hundreds) are cut into three pieces: with at
// most two edits one piece survives intact, within two bytes of its place. Either way the
// candidates are then checked with the exact distance, smallest position first.
class NameIndex {
public:
    // Keys of this length or less are short.
    static constexpr std::size_t kShortKeyLength = 20;

    // keys[i] is the key of list position i; empty keys and keys over kMaxNameKeyLength bytes
    // never match, as with NameDistance.
    explicit NameIndex(std::vector<std::string> keys);

    // The smallest position whose key is within kNameMatchDistance of key, or -1.
    [[nodiscard]] int FindFirst(std::string_view key) const;

private:
    std::vector<std::string> m_keys;
    std::vector<int32_t> m_distinct;  // the first position of each distinct key, in list order
    HashPositionTable m_short;
    HashPositionTable m_long;
    std::vector<uint32_t> m_longKeysOfLength;  // by key length, to skip lengths no key has
};

}  // namespace korvi
