#include "app/PasswordCipher.h"

// BF_* are deprecated in OpenSSL 3 in favour of EVP, which needs the legacy provider for
// Blowfish; the low-level calls need no provider.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/blowfish.h>
#include <openssl/crypto.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace korvi {

namespace {

// Stored values depend on these: never change them.
constexpr char kKeyPrefix[] = "*xQjfnL";
constexpr char kKeySuffix[] = "zZ:hL@";
constexpr char kSettingsKeyPart[] = "EnK:.>H3:ayh";
static_assert(sizeof(kKeyPrefix) == 8 && sizeof(kKeySuffix) == 7 && sizeof(kSettingsKeyPart) == 13);

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Wipes key material and plain bytes before their memory is given back.
template <typename Bytes>
class Wiped {
public:
    explicit Wiped(Bytes& bytes) : m_bytes(bytes) {}
    ~Wiped() {
        if (!m_bytes.empty()) {
            OPENSSL_cleanse(m_bytes.data(), m_bytes.size() * sizeof(typename Bytes::value_type));
        }
    }
    Wiped(const Wiped&) = delete;
    Wiped& operator=(const Wiped&) = delete;

private:
    Bytes& m_bytes;
};

class KeySchedule {
public:
    explicit KeySchedule(std::string_view keyPart) {
        std::string key = cipherdetail::JoinKey(keyPart);
        Wiped wipeKey(key);
        BF_set_key(&m_key, static_cast<int>(key.size()),
                   reinterpret_cast<const unsigned char*>(key.data()));
    }
    ~KeySchedule() { OPENSSL_cleanse(&m_key, sizeof(m_key)); }
    KeySchedule(const KeySchedule&) = delete;
    KeySchedule& operator=(const KeySchedule&) = delete;

    const BF_KEY* Get() const { return &m_key; }

private:
    BF_KEY m_key{};
};

int HexValue(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    return -1;
}

bool ReadWord(std::string_view group, std::uint32_t& word) {
    word = 0;
    for (const char ch : group) {
        const int v = HexValue(ch);
        if (v < 0) return false;
        word = (word << 4) | static_cast<std::uint32_t>(v);
    }
    return true;
}

void AppendWord(std::uint32_t word, std::string& hex) {
    for (int shift = 28; shift >= 0; shift -= 4) hex.push_back(kHexDigits[(word >> shift) & 0xF]);
}

std::uint32_t LoadBigEndian(const unsigned char* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

void StoreBigEndian(std::uint32_t word, unsigned char* p) {
    p[0] = static_cast<unsigned char>(word >> 24);
    p[1] = static_cast<unsigned char>(word >> 16);
    p[2] = static_cast<unsigned char>(word >> 8);
    p[3] = static_cast<unsigned char>(word);
}

}  // namespace

namespace cipherdetail {

std::string JoinKey(std::string_view keyPart) {
    std::string key;
    key.reserve(sizeof(kKeyPrefix) + keyPart.size() + sizeof(kKeySuffix));
    key.append(kKeyPrefix).append(keyPart).append(kKeySuffix);
    return key;
}

}  // namespace cipherdetail

int BlowfishEncryptToHex(std::string_view plain, std::string& hex, std::string_view keyPart) {
    hex.clear();
    if (plain.empty()) return kResultCipherEmpty;
    const std::size_t n = (plain.size() + 7) / 8 * 8;
    const std::size_t blocks = n / 8;

    std::vector<unsigned char> padded(n, 0);
    Wiped wipePadded(padded);
    std::copy(plain.begin(), plain.end(), padded.begin());
    // Byte d of every block first, then byte d + 1: spreads each character over all blocks.
    std::vector<unsigned char> mixed(n, 0);
    Wiped wipeMixed(mixed);
    for (std::size_t i = 0; i < blocks; ++i) {
        for (std::size_t d = 0; d < 8; ++d) mixed[d * blocks + i] = padded[i * 8 + d];
    }

    const KeySchedule key(keyPart);
    hex.reserve(n * 2);
    for (std::size_t j = 0; j < blocks; ++j) {
        BF_LONG data[2] = {LoadBigEndian(&mixed[8 * j]), LoadBigEndian(&mixed[8 * j + 4])};
        BF_encrypt(data, key.Get());
        AppendWord(data[0], hex);
        AppendWord(data[1], hex);
    }
    return 0;
}

int BlowfishDecryptFromHex(std::string_view hex, std::string& plain, std::string_view keyPart) {
    if (hex.empty()) return kResultCipherEmpty;
    if (hex.size() % 16 != 0) return kResultCipherBadLength;
    std::vector<std::uint32_t> words(hex.size() / 8);
    Wiped wipeWords(words);
    for (std::size_t w = 0; w < words.size(); ++w) {
        if (!ReadWord(hex.substr(w * 8, 8), words[w])) {
            plain.clear();
            return kResultCipherBadHex;
        }
    }

    const std::size_t n = hex.size() / 2;
    const std::size_t blocks = n / 8;
    std::vector<unsigned char> mixed(n, 0);
    Wiped wipeMixed(mixed);
    {
        const KeySchedule key(keyPart);
        for (std::size_t j = 0; j < blocks; ++j) {
            BF_LONG data[2] = {words[2 * j], words[2 * j + 1]};
            BF_decrypt(data, key.Get());
            StoreBigEndian(data[0], &mixed[8 * j]);
            StoreBigEndian(data[1], &mixed[8 * j + 4]);
            OPENSSL_cleanse(data, sizeof(data));
        }
    }
    std::vector<unsigned char> padded(n, 0);
    Wiped wipePadded(padded);
    for (std::size_t i = 0; i < blocks; ++i) {
        for (std::size_t d = 0; d < 8; ++d) padded[i * 8 + d] = mixed[d * blocks + i];
    }
    std::size_t length = 0;
    while (length < n && padded[length] != 0) ++length;
    plain.assign(reinterpret_cast<const char*>(padded.data()), length);
    return 0;
}

void WriteEncryptedString(KeyValueStore& store, std::string_view name, std::string_view value) {
    std::string hex;
    if (BlowfishEncryptToHex(value, hex, kSettingsKeyPart) != 0) hex.clear();
    store.WriteString(name, hex);
}

std::string ReadEncryptedString(const KeyValueStore& store, std::string_view name,
                                std::string_view defaultValue) {
    if (!store.Contains(name)) return std::string(defaultValue);
    const std::string hex = store.ReadString(name, "");
    std::string plain;
    if (BlowfishDecryptFromHex(hex, plain, kSettingsKeyPart) != 0) return std::string(defaultValue);
    return plain;
}

}  // namespace korvi
