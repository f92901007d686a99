#include "pbx/PortalLogin.h"

#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "app/Md5Digest.h"

namespace korvi {
namespace {

struct Md5Case {
    const char* name;
    const char* text;
    const char* hex;
};

void PrintTo(const Md5Case& c, std::ostream* os) { *os << c.name; }

// The test suite of RFC 1321, appendix A.5.
const Md5Case kRfc1321[] = {
    {"Empty", "", "d41d8cd98f00b204e9800998ecf8427e"},
    {"A", "a", "0cc175b9c0f1b6a831c399e269772661"},
    {"Abc", "abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"MessageDigest", "message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"Alphabet", "abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"AlphaNumeric", "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
     "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"EightyDigits",
     "12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};

class Md5Test : public testing::TestWithParam<Md5Case> {};

TEST_P(Md5Test, MatchesRfc1321) {
    std::string hex;
    ASSERT_TRUE(Md5Hex(GetParam().text, hex));
    EXPECT_EQ(hex, GetParam().hex);
}

INSTANTIATE_TEST_SUITE_P(Rfc1321, Md5Test, testing::ValuesIn(kRfc1321),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CalcResponseFromChallengeTest, HashesNameDigestOfPinAndChallenge) {
    std::string response;
    ASSERT_EQ(CalcResponseFromChallenge("chal", "user", "1234", response), 0);
    // md5("user:" + md5("1234") + ":chal"), computed independently.
    EXPECT_EQ(response, "2c63e65aff4fb6f89fe9de116393d034");

    // An empty challenge is still hashed (the text then ends in a colon).
    ASSERT_EQ(CalcResponseFromChallenge("", "john smith", "s3cret!", response), 0);
    EXPECT_EQ(response, "d319cee635b4d22c97e4a2aa6a0e7bd6");
}

struct UrlCase {
    const char* name;
    PortalLoginInputs inputs;
    const char* url;
};

void PrintTo(const UrlCase& c, std::ostream* os) { *os << c.name; }

const UrlCase kUrlCases[] = {
    {"PlainHttp_PortOfPortal",
     {"http://127.0.0.1", "alice", "HPX 500", 8080, 7, "r"},
     "http://127.0.0.1:8080/?formtype=login&sessionName=&username=alice"
     "&password=&login=Login&challenge=&cIdx=7&response=r"},
    {"BlankInName_BecomesPlus",
     {"http://127.0.0.1", "john smith", "HPX", 80, 0, "r"},
     "http://127.0.0.1:80/?formtype=login&sessionName=&username=john+smith"
     "&password=&login=Login&challenge=&cIdx=0&response=r"},
    {"FcPlatform_HttpsWithFirstLabel",
     {"http://alpha.beta.gamma", "bob", "XFC-2", 8080, 3, "r"},
     "https://alpha.beta.gamma/alpha/?formtype=login&sessionName=&username=bob"
     "&password=&login=Login&challenge=&cIdx=3&response=r"},
    {"FcPlatformHostWithoutDot_EmptyLabel",
     {"https://localhost", "bob", "FC", 8080, 3, "r"},
     "https://localhost//?formtype=login&sessionName=&username=bob"
     "&password=&login=Login&challenge=&cIdx=3&response=r"},
    {"LowerCaseFc_IsNotFc",
     {"http://alpha.beta", "bob", "fc", 81, 1, "r"},
     "http://alpha.beta:81/?formtype=login&sessionName=&username=bob"
     "&password=&login=Login&challenge=&cIdx=1&response=r"},
    {"NoScheme_WholeFieldIsHost",
     {"127.0.0.1", "bob", "", 81, 1, "r"},
     "http://127.0.0.1:81/?formtype=login&sessionName=&username=bob"
     "&password=&login=Login&challenge=&cIdx=1&response=r"},
    {"QueryCharactersInName_ArePercentEncoded",
     {"http://127.0.0.1", "a&b#c=d/e?f+g%", "", 81, 1, "r"},
     "http://127.0.0.1:81/?formtype=login&sessionName=&username=a%26b%23c%3Dd%2Fe%3Ff%2Bg%25"
     "&password=&login=Login&challenge=&cIdx=1&response=r"},
    {"NonAsciiName_EncodedPerByte_UnreservedKept",
     {"http://127.0.0.1", "J\xC3\xB6rg-._~", "", 81, 1, "r"},
     "http://127.0.0.1:81/?formtype=login&sessionName=&username=J%C3%B6rg-._~"
     "&password=&login=Login&challenge=&cIdx=1&response=r"},
};

class PortalUrlTest : public testing::TestWithParam<UrlCase> {};

TEST_P(PortalUrlTest, BuildsLoginUrl) {
    EXPECT_EQ(BuildPortalLoginUrl(GetParam().inputs), GetParam().url);
}

INSTANTIATE_TEST_SUITE_P(Portal, PortalUrlTest, testing::ValuesIn(kUrlCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvi
