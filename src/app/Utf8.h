// UTF-8 as every part of the program reads it: one decoder of a sequence (well-formed only:
// no overlong forms, no surrogates, nothing above U+10FFFF), where to cut a text without
// splitting a character, and the count of characters.
#pragma once

#include <cstddef>
#include <string_view>

namespace korvi {

// Length of the well-formed sequence at the start of text (its code point in cp), or 0 when
// text does not start with one (a lone ASCII byte is a sequence of length 1).
std::size_t Utf8SequenceLength(std::string_view text, char32_t& cp);

// Offset of the first byte that is not part of well-formed UTF-8, or -1.
std::ptrdiff_t FindInvalidUtf8(std::string_view text);

// The longest length of at most maxBytes that does not end inside a character.
std::size_t Utf8PrefixLength(std::string_view text, std::size_t maxBytes);

// Characters, not bytes: every byte that does not continue a sequence starts one.
std::size_t Utf8CharacterCount(std::string_view text);

}  // namespace korvi
