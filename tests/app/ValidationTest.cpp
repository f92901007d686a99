#include "app/Validation.h"

#include <string>

#include <gtest/gtest.h>

namespace korvi {
namespace {

enum class Check { kUrl, kUser, kPin, kTimeout, kNoMax, kGmail, kGmailPwd };

struct ValidationCase {
    const char* name;
    Check check;
    std::string value;
    int code;
    const char* message;  // empty when the check passes
};

void PrintTo(const ValidationCase& c, std::ostream* os) { *os << c.name; }

const char kUrlIllegal[] = "URL Contains Illegal characters";
const char kUrlScheme[] = "Url must begin with http:// or https://";
const char kUserIllegal[] = "User Name on 'Settings' tab Contains Illegal characters";
const char kUserLength[] =
    "User Name on 'Settings' tab must be between 1 and 20 characters in length.";
const char kPinIllegal[] = "UserPin on 'Settings' tab Contains Illegal characters";
const char kPinLength[] =
    "User PIN on 'Settings' tab must be between 4 and 20 characters in length.";
const char kTimeoutRange[] = "Connection Timeout must be an integer value between 2 and 60";
const char kNoMaxRange[] = "Retries must be an integer value greater than 0";
const char kGmailForm[] = "Gmail Username must be of the format xxx@gmail.com";
const char kGmailPwdShort[] = "Gmail passwords must be a minimum of 8 characters";

const ValidationCase kCases[] = {
    {"Url_PlainAddressWithPort_Passes", Check::kUrl, "http://pbx.test:5002", 0, ""},
    {"Url_Https_Passes", Check::kUrl, "https://pbx.test", 0, ""},
    {"Url_BlanksAtEnds_Trimmed", Check::kUrl, "  http://pbx.test:5002  ", 0, ""},
    {"Url_UpperCaseScheme_Fails", Check::kUrl, "HTTP://pbx.test:5002", -3, kUrlScheme},
    {"Url_NoScheme_Fails", Check::kUrl, "pbx.test", -3, kUrlScheme},
    {"Url_Empty_Fails", Check::kUrl, "", -3, kUrlScheme},
    {"Url_BlankInside_Fails", Check::kUrl, "http://pbx test", -3, kUrlIllegal},
    {"Url_EqualsSign_Fails", Check::kUrl, "http://pbx.test/?a=b", -3, kUrlIllegal},
    {"Url_Apostrophe_Fails", Check::kUrl, "http://pbx'test", -3, kUrlIllegal},
    {"Url_DoubleQuote_Fails", Check::kUrl, "http://pbx\"test", -3, kUrlIllegal},
    {"Url_IllegalBeatsScheme", Check::kUrl, "ftp://a b", -3, kUrlIllegal},
    {"Url_LineBreak_Fails", Check::kUrl, "http://pbx.test\r\nX: y", -3, kUrlIllegal},
    {"Url_EmbeddedNul_Fails", Check::kUrl, std::string("http://a\0b", 10), -3, kUrlIllegal},

    {"User_BlankInside_Passes", Check::kUser, "Anna Berg", 0, ""},
    {"User_TwentyChars_Passes", Check::kUser, std::string(20, 'u'), 0, ""},
    {"User_TwentyUtf8Chars_Passes", Check::kUser,
     "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
     "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
     "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
     "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9",
     0, ""},
    {"User_Empty_Fails", Check::kUser, "", -4, kUserLength},
    {"User_TwentyOneChars_Fails", Check::kUser, std::string(21, 'u'), -4, kUserLength},
    {"User_Apostrophe_Fails", Check::kUser, "o'neill", -4, kUserIllegal},
    {"User_EqualsSign_Fails", Check::kUser, "a=b", -4, kUserIllegal},

    {"Pin_FourChars_Passes", Check::kPin, "1234", 0, ""},
    {"Pin_TwentyChars_Passes", Check::kPin, std::string(20, '7'), 0, ""},
    {"Pin_ThreeChars_Fails", Check::kPin, "123", -5, kPinLength},
    {"Pin_TwentyOneChars_Fails", Check::kPin, std::string(21, '7'), -5, kPinLength},
    {"Pin_Blank_Fails", Check::kPin, "12 34", -5, kPinIllegal},
    {"Pin_Quote_Fails", Check::kPin, "12\"34", -5, kPinIllegal},

    {"Timeout_Thirty_Passes", Check::kTimeout, "30", 0, ""},
    {"Timeout_BlanksAround_Pass", Check::kTimeout, "  30 ", 0, ""},
    {"Timeout_Bounds_Pass", Check::kTimeout, "2", 0, ""},
    {"Timeout_UpperBound_Passes", Check::kTimeout, "60", 0, ""},
    {"Timeout_One_Fails", Check::kTimeout, "1", -1, kTimeoutRange},
    {"Timeout_SixtyOne_Fails", Check::kTimeout, "61", -1, kTimeoutRange},
    {"Timeout_Empty_Fails", Check::kTimeout, "", -1, kTimeoutRange},
    {"Timeout_Letters_Fail", Check::kTimeout, "3o", -1, kTimeoutRange},
    {"Timeout_Fraction_Fails", Check::kTimeout, "3.5", -1, kTimeoutRange},
    {"Timeout_Overflow_Fails", Check::kTimeout, "99999999999999999999", -1, kTimeoutRange},
    {"NoMax_Large_Passes", Check::kNoMax, "2147483647", 0, ""},
    {"NoMax_BeyondInt_Fails", Check::kNoMax, "2147483648", -1, kNoMaxRange},
    {"NoMax_Negative_Fails", Check::kNoMax, "-1", -1, kNoMaxRange},
    {"NoMax_PlusSign_Passes", Check::kNoMax, "+5", 0, ""},

    {"Gmail_Address_Passes", Check::kGmail, "anna@gmail.com", 0, ""},
    {"Gmail_UpperCase_Passes", Check::kGmail, "ANNA@GMAIL.COM", 0, ""},
    {"Gmail_ElevenChars_Passes", Check::kGmail, "a@gmail.com", 0, ""},
    {"Gmail_TenChars_Fails", Check::kGmail, "@gmail.com", -1, kGmailForm},
    {"Gmail_OtherDomain_Fails", Check::kGmail, "anna@example.org", -1, kGmailForm},
    {"Gmail_NoAt_Fails", Check::kGmail, "annagmail.com", -1, kGmailForm},
    {"GmailPwd_EightChars_Passes", Check::kGmailPwd, "12345678", 0, ""},
    {"GmailPwd_SevenChars_Fails", Check::kGmailPwd, "1234567", -1, kGmailPwdShort},
    {"GmailPwd_Empty_Fails", Check::kGmailPwd, "", -1, kGmailPwdShort},
};

Result RunCheck(const ValidationCase& c) {
    switch (c.check) {
        case Check::kUrl:
            return ValidateUrl(c.value);
        case Check::kUser:
            return ValidateUserName(c.value);
        case Check::kPin:
            return ValidatePin(c.value);
        case Check::kTimeout:
            return ValidateIntegerRange("Connection Timeout", c.value, 2, 60);
        case Check::kNoMax:
            return ValidateIntegerRange("Retries", c.value, 0, 0);
        case Check::kGmail:
            return ValidateGmailAccount(c.value);
        case Check::kGmailPwd:
            return ValidateGmailPassword(c.value);
    }
    return 99;
}

class ValidationTest : public testing::TestWithParam<ValidationCase> {};

TEST_P(ValidationTest, GivesCodeAndMessage) {
    const auto& c = GetParam();
    const Result result = RunCheck(c);
    EXPECT_EQ(result.code, c.code);
    EXPECT_EQ(result.text, c.code == 0 ? std::string() : std::string(c.message));
}

INSTANTIATE_TEST_SUITE_P(Validation, ValidationTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvi
