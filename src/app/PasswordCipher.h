// The PIN and the Gmail password are kept in the settings as upper-case hex text made with
// Blowfish (block by block, bytes of all blocks interleaved) under a key built into the program.
// Obfuscation against a casual look at the settings file, not protection against the user's
// own account.
#pragma once

#include <string>
#include <string_view>

#include "app/KeyValueStore.h"
#include "app/ResultCodes.h"

namespace korvi {

// 0, or kResultCipherEmpty for an empty plain (hex then empty).
[[nodiscard]] int BlowfishEncryptToHex(std::string_view plain, std::string& hex,
                                       std::string_view keyPart);
// 0; kResultCipherEmpty or kResultCipherBadLength leave plain as it was; kResultCipherBadHex
// empties it. Upper- and lower-case digits are accepted. The text ends at its first zero byte.
[[nodiscard]] int BlowfishDecryptFromHex(std::string_view hex, std::string& plain,
                                         std::string_view keyPart);

// name = the enciphered value under the settings key part ("" when value is empty).
void WriteEncryptedString(KeyValueStore& store, std::string_view name, std::string_view value);
// The deciphered value, or defaultValue when name is missing or does not decipher.
std::string ReadEncryptedString(const KeyValueStore& store, std::string_view name,
                                std::string_view defaultValue);

namespace cipherdetail {
// The whole key text for keyPart: fixed prefix + keyPart + fixed suffix. For tests.
std::string JoinKey(std::string_view keyPart);
}  // namespace cipherdetail

}  // namespace korvi
