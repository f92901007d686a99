// What the PBX client decides without a PBX: the connection values it keeps, the checks before
// an action, and the end of an operation whose HTTP client fails in a way no server can cause.
#include "pbx/Tpbx.h"

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "app/Log.h"
#include "app/Texts.h"
#include "common/ResultTesting.h"
#include "common/TestEnv.h"

namespace korvi {
namespace {

TEST(TpbxLocalTest, SetConnectionParams_TrimsBlanksAndControlCharacters) {
    NullProgress progress;
    Tpbx pbx(progress);
    EXPECT_EQ(pbx.SetConnectionParams(" \thttp://127.0.0.1:5002\r\n", "  john smith ", " 30 ",
                                      "\x01"
                                      "1234\x1f"),
              0);
    EXPECT_EQ(pbx.url, "http://127.0.0.1:5002");
    EXPECT_EQ(pbx.userName, "john smith");
    EXPECT_EQ(pbx.timeout, "30");
    EXPECT_EQ(pbx.pin, "1234");
}

struct ConnectionCase {
    const char* name;
    const char* url;
    const char* user;
    const char* pin;
    const char* timeout;
    int code;
    const char* text;
};

void PrintTo(const ConnectionCase& c, std::ostream* os) { *os << c.name; }

const ConnectionCase kConnectionCases[] = {
    {"AllGood_Passes", "http://127.0.0.1:5002", "alice", "1234", "30", 0, ""},
    {"UpperCaseScheme_IsUrlFailureFirst", "HTTP://127.0.0.1:5002", "a=b", "12", "99", -3,
     "Url must begin with http:// or https://"},
    {"BadUser_BeforePin", "http://127.0.0.1:5002", "a=b", "12", "99", -4,
     "User Name on 'Settings' tab Contains Illegal characters"},
    {"ShortPin_BeforeTimeout", "http://127.0.0.1:5002", "alice", "123", "99", -5,
     "User PIN on 'Settings' tab must be between 4 and 20 characters in length."},
    {"TimeoutOne_IsRangeFailure", "http://127.0.0.1:5002", "alice", "1234", "1", -1,
     "Connection Timeout must be an integer value between 2 and 60"},
    {"TimeoutSixtyOne_IsRangeFailure", "http://127.0.0.1:5002", "alice", "1234", "61", -1,
     "Connection Timeout must be an integer value between 2 and 60"},
};

class TpbxConnectionTest : public testing::TestWithParam<ConnectionCase> {};

TEST_P(TpbxConnectionTest, ChecksInOrderAndReportsTheFirstFailure) {
    const ConnectionCase& c = GetParam();
    NullProgress progress;
    Tpbx pbx(progress);
    ASSERT_EQ(pbx.SetConnectionParams(c.url, c.user, c.timeout, c.pin), 0);
    const Result checked = pbx.ValidateConnectionParams();
    EXPECT_EQ(checked.code, c.code);
    EXPECT_EQ(checked.text, c.text);
}

INSTANTIATE_TEST_SUITE_P(Connection, TpbxConnectionTest, testing::ValuesIn(kConnectionCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct ContactTypeCase {
    const char* name;
    int32_t type;
    const char* typeName;
    int code;
    const char* text;
};

void PrintTo(const ContactTypeCase& c, std::ostream* os) { *os << c.name; }

const ContactTypeCase kContactTypes[] = {
    {"Extension1000_Passes", 1000, "Desk", 0, ""},
    {"Central_Passes", kContactTypeCentral, "Central Store", 0, ""},
    {"Extension1001_Fails", 1001, "Desk", -1, "Invalid ContactType - 1001"},
    {"NoneChosen_Fails", kContactTypeNone, "Desk", -1, "Invalid ContactType - 65535"},
    {"EmptyName_Fails", 101, "", -1, "Invalid ContactType Name"},
};

class TpbxContactTypeTest : public testing::TestWithParam<ContactTypeCase> {};

TEST_P(TpbxContactTypeTest, AcceptsExtensionsUpTo1000AndTheCentralStore) {
    NullProgress progress;
    Tpbx pbx(progress);
    pbx.contactType = GetParam().type;
    pbx.contactTypeName = GetParam().typeName;
    const Result checked = pbx.ValidateContactType();
    EXPECT_EQ(checked.code, GetParam().code);
    EXPECT_EQ(checked.text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(ContactType, TpbxContactTypeTest, testing::ValuesIn(kContactTypes),
                         [](const auto& info) { return std::string(info.param.name); });

// A client that fails as only a broken library could: with no message at all.
class ThrowingClient final : public HttpClient {
public:
    HttpReply Send(const HttpPost&) override { throw 42; }
};

TEST(TpbxLocalTest, FailureWithoutMessage_IsText127PrefixedWhereTheOperationPrefixes) {
    const auto logs = test::MakeTempDir("logs");
    SetLogsFolder(logs);
    SetDetailedLogging(true);
    NullProgress progress;
    Tpbx pbx(progress, [] { return std::make_unique<ThrowingClient>(); });
    ASSERT_EQ(pbx.SetConnectionParams("http://127.0.0.1:1", "alice", "2", "1234"), 0);
    pbx.contactType = 101;
    pbx.contactIdList.push_back({1000});
    const std::string prefixed = "[Exception] " + Text(kTextPbxNotReached);
    std::string text;
    TContact contact;
    TContactList list;
    StopFlag stop{false};

    EXPECT_EQ(CodeOf(pbx.CheckService(0), text), -2);
    EXPECT_EQ(text, prefixed);
    EXPECT_EQ(CodeOf(pbx.DeleteContact("BY_TYPE", 101), text), -2);
    EXPECT_EQ(text, prefixed);
    EXPECT_EQ(CodeOf(pbx.WriteContact(contact), text), -2);
    EXPECT_EQ(text, prefixed);
    EXPECT_EQ(CodeOf(pbx.GetExtnInfo(), text), -2);
    EXPECT_EQ(text, Text(kTextPbxNotReached));
    EXPECT_EQ(CodeOf(pbx.LoadContacts(&list, stop), text), -2);
    EXPECT_EQ(text, Text(kTextPbxNotReached));
    EXPECT_EQ(CodeOf(pbx.GetContactIdsForCurContactType(), text), -2);
    EXPECT_EQ(text, Text(kTextPbxNotReached));
    SetDetailedLogging(false);

    const std::string log = test::ReadFile(DetailedLogFilePath());
    for (const char* line :
         {"ERR: PBX: CheckService Exception: Unknown", "ERR: PBX: DeleteContact Exception: Unknown",
          "ERR: PBX: WriteContact Exception: Unknown", "ERR: PBX: GetExtnInfo Exception: Unknown",
          "ERR: PBX: LoadContacts Exception: Unknown",
          "ERR: PBX: GetContactIdsForCurContactType Exception: Unknown"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line;
    }
}

}  // namespace
}  // namespace korvi
