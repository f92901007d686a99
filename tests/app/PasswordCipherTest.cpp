#include "app/PasswordCipher.h"

#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/blowfish.h>

#include <map>
#include <string>

#include <gtest/gtest.h>

namespace korvi {
namespace {

constexpr char kPart[] = "UnitTestKey1";

class MapStore final : public KeyValueStore {
public:
    bool Contains(std::string_view name) const override {
        return m_values.count(std::string(name)) != 0;
    }
    std::string ReadString(std::string_view name, std::string_view defaultValue) const override {
        auto it = m_values.find(std::string(name));
        return it == m_values.end() ? std::string(defaultValue) : it->second;
    }
    void WriteString(std::string_view name, std::string_view value) override {
        m_values[std::string(name)] = std::string(value);
    }
    int ReadInt(std::string_view, int defaultValue) const override { return defaultValue; }
    void WriteInt(std::string_view, int) override {}

    std::map<std::string, std::string> m_values;
};

std::string Hex(const unsigned char* bytes, std::size_t n) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        out.push_back(kDigits[bytes[i] >> 4]);
        out.push_back(kDigits[bytes[i] & 0xF]);
    }
    return out;
}

std::string Unhex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return out;
}

// Reference: ECB over the given bytes with the whole joined key, no interleave of our own.
std::string EcbHex(const std::string& bytes, std::string_view keyPart) {
    const std::string key = cipherdetail::JoinKey(keyPart);
    BF_KEY schedule;
    BF_set_key(&schedule, static_cast<int>(key.size()),
               reinterpret_cast<const unsigned char*>(key.data()));
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 8) {
        unsigned char block[8];
        BF_ecb_encrypt(reinterpret_cast<const unsigned char*>(bytes.data() + i), block, &schedule,
                       BF_ENCRYPT);
        out += Hex(block, 8);
    }
    return out;
}

TEST(PasswordCipherTest, RawBlockCipherKnownAnswers) {
    struct Vector {
        const char* key;
        const char* plain;
        const char* cipher;
    };
    for (const Vector& v : {Vector{"0000000000000000", "0000000000000000", "4EF997456198DD78"},
                            Vector{"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"}}) {
        const std::string key = Unhex(v.key);
        const std::string plain = Unhex(v.plain);
        BF_KEY schedule;
        BF_set_key(&schedule, 8, reinterpret_cast<const unsigned char*>(key.data()));
        unsigned char out[8];
        BF_ecb_encrypt(reinterpret_cast<const unsigned char*>(plain.data()), out, &schedule,
                       BF_ENCRYPT);
        EXPECT_EQ(Hex(out, 8), v.cipher) << v.key;
    }
}

TEST(PasswordCipherTest, KeyIsPrefixPartSuffix) {
    const std::string key = cipherdetail::JoinKey(kPart);
    EXPECT_EQ(key.size(), 25u);
    EXPECT_EQ(key.substr(7, 12), kPart);
}

struct LengthCase {
    const char* name;
    std::string plain;
    std::size_t hexDigits;
};

void PrintTo(const LengthCase& c, std::ostream* os) { *os << c.name; }

const LengthCase kLengthCases[] = {
    {"OneChar_OneBlock", "7", 16},
    {"EightChars_OneBlock", "12345678", 16},
    {"NineChars_TwoBlocks", "123456789", 32},
    {"SixteenChars_TwoBlocks", "abcdefghijklmnop", 32},
    {"Utf8_ByteLength", "P\xC3\xA4sswort!", 32},
    {"HighBytes_RoundTrip", "\xFF\xFE\x80\x01", 16},
    {"Long_ManyBlocks", std::string(1000, 'x') + "end", 2016},
};

class CipherLengthTest : public testing::TestWithParam<LengthCase> {};

TEST_P(CipherLengthTest, EnciphersToUpperHexAndBack) {
    const auto& c = GetParam();
    std::string hex = "old";
    ASSERT_EQ(BlowfishEncryptToHex(c.plain, hex, kPart), 0);
    EXPECT_EQ(hex.size(), c.hexDigits);
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos) << hex;
    std::string plain;
    ASSERT_EQ(BlowfishDecryptFromHex(hex, plain, kPart), 0);
    EXPECT_EQ(plain, c.plain);
    std::string lower = hex;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    plain.clear();
    ASSERT_EQ(BlowfishDecryptFromHex(lower, plain, kPart), 0);
    EXPECT_EQ(plain, c.plain);
}

INSTANTIATE_TEST_SUITE_P(Cipher, CipherLengthTest, testing::ValuesIn(kLengthCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PasswordCipherTest, OneBlockIsPlainEcbWithZeroFill) {
    std::string hex;
    ASSERT_EQ(BlowfishEncryptToHex("1234", hex, kPart), 0);
    EXPECT_EQ(hex, EcbHex(std::string("1234\0\0\0\0", 8), kPart));
}

TEST(PasswordCipherTest, TwoBlocksAreInterleavedByteByByte) {
    // Bytes 0..15 of the padded text go in the order 0, 8, 1, 9, ... 7, 15.
    const std::string plain = "ABCDEFGHIJKLMN";  // 14 characters, two zero bytes of fill
    const std::string padded = plain + std::string(2, '\0');
    std::string mixed;
    for (int d = 0; d < 8; ++d) {
        mixed.push_back(padded[d]);
        mixed.push_back(padded[8 + d]);
    }
    ASSERT_EQ(mixed, std::string("AIBJCKDLEMFNG\0H\0", 16));
    std::string hex;
    ASSERT_EQ(BlowfishEncryptToHex(plain, hex, kPart), 0);
    EXPECT_EQ(hex, EcbHex(mixed, kPart));
}

TEST(PasswordCipherTest, OtherKeyPartGivesOtherTextWithoutError) {
    std::string hex;
    ASSERT_EQ(BlowfishEncryptToHex("secret-pin", hex, kPart), 0);
    std::string other;
    ASSERT_EQ(BlowfishEncryptToHex("secret-pin", other, "AnotherPart!"), 0);
    EXPECT_NE(hex, other);
    std::string plain;
    EXPECT_EQ(BlowfishDecryptFromHex(hex, plain, "AnotherPart!"), 0);
    EXPECT_NE(plain, "secret-pin");
}

struct DamageCase {
    const char* name;
    std::string hex;
    int code;
    bool plainKept;  // else emptied
};

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

const DamageCase kDamageCases[] = {
    {"Empty_Minus18", "", kResultCipherEmpty, true},
    {"FifteenDigits_Minus19", "0123456789ABCDE", kResultCipherBadLength, true},
    {"SeventeenDigits_Minus19", "0123456789ABCDEF0", kResultCipherBadLength, true},
    {"NonHexInFirstGroup_Minus20", "0123456G89ABCDEF", kResultCipherBadHex, false},
    {"NonHexInLastGroup_Minus20", "0123456789ABCDEF0123456789ABCDE ", kResultCipherBadHex, false},
    {"SignInGroup_Minus20", "-1234567FFFFFFFF", kResultCipherBadHex, false},
    {"PrefixedHex_Minus20", "0x345678FFFFFFFF", kResultCipherBadHex, false},
    {"EmbeddedNul_Minus20",
     std::string("01234567\0"
                 "9ABCDEF",
                 16),
     kResultCipherBadHex, false},
};

class CipherDamageTest : public testing::TestWithParam<DamageCase> {};

TEST_P(CipherDamageTest, ReturnsItsCode) {
    const auto& c = GetParam();
    std::string plain = "before";
    EXPECT_EQ(BlowfishDecryptFromHex(c.hex, plain, kPart), c.code);
    EXPECT_EQ(plain, c.plainKept ? "before" : "");
}

INSTANTIATE_TEST_SUITE_P(Cipher, CipherDamageTest, testing::ValuesIn(kDamageCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PasswordCipherTest, EmptyPlainGivesMinus18AndEmptyHex) {
    std::string hex = "old";
    EXPECT_EQ(BlowfishEncryptToHex("", hex, kPart), kResultCipherEmpty);
    EXPECT_EQ(hex, "");
}

TEST(PasswordCipherTest, StoreHelpersKeepOnlyHexAndFallBackToDefault) {
    MapStore store;
    WriteEncryptedString(store, "Pin", "4711");
    const std::string stored = store.m_values.at("Pin");
    EXPECT_EQ(stored.size(), 16u);
    EXPECT_EQ(stored.find("4711"), std::string::npos);
    EXPECT_EQ(ReadEncryptedString(store, "Pin", "dflt"), "4711");

    WriteEncryptedString(store, "Pin", "");
    EXPECT_EQ(store.m_values.at("Pin"), "");
    EXPECT_EQ(ReadEncryptedString(store, "Pin", "dflt"), "dflt");

    EXPECT_EQ(ReadEncryptedString(store, "Missing", "dflt"), "dflt");
    for (const char* damaged : {"ABC", "ZZZZZZZZZZZZZZZZ", "4711"}) {
        store.m_values["Pin"] = damaged;
        EXPECT_EQ(ReadEncryptedString(store, "Pin", "dflt"), "dflt") << damaged;
    }
}

}  // namespace
}  // namespace korvi
