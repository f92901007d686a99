// A table of user-facing texts for one language: entries of id and text, in any order.
#pragma once

#include <cstddef>

namespace korvi {

struct TextEntry {
    int id;
    const char* text;
};

struct TextTable {
    const TextEntry* entries;
    std::size_t count;
};

// Language 0. Further languages get their own source file and a slot in the lookup.
extern const TextTable kEnglishTexts;

}  // namespace korvi
