#include "cli/SettingsCommand.h"

#include <stdlib.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/SettingsRegistry.h"
#include "cli/Cli.h"
#include "cli/CliIo.h"
#include "common/TestEnv.h"

namespace korvi {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int code;
    std::string out;
    std::string err;
};

CliRun Korvi(std::vector<std::string> args, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out, err;
    cli::CliIo io(in, out, err);
    const int code = cli::RunCli(args, io);
    return {code, out.str(), err.str()};
}

class SettingsCommandTest : public testing::Test {
protected:
    void SetUp() override {
        m_config = test::MakeTempDir("config");
        ::setenv("XDG_CONFIG_HOME", m_config.c_str(), 1);
    }
    fs::path File() const { return m_config / "QVX" / "KorviCommunicator.conf"; }
    static KorviSettings Stored() {
        KorviSettings s;
        GetAllSettingsFromRegistry(s);
        return s;
    }
    fs::path m_config;
};

TEST_F(SettingsCommandTest, ListShowsDefaultsAndMasksSecrets) {
    ASSERT_EQ(Korvi({"settings", "set", "Pin", "-"}, "4711\n").code, 0);
    ASSERT_EQ(Korvi({"settings", "set", "GmailAccPwd", "-"}, "long password\n").code, 0);
    ASSERT_EQ(Korvi({"settings", "set", "CardDavPwd", "-"}, "dav password\n").code, 0);
    const CliRun list = Korvi({"settings", "list"});
    EXPECT_NE(list.out.find("\nCardDavPwd=********\n"), std::string::npos) << list.out;
    EXPECT_EQ(list.out.find("dav password"), std::string::npos) << list.out;
    EXPECT_EQ(Stored().cardDavPwd, "dav password");
    EXPECT_EQ(list.code, 0) << list.err;
    EXPECT_NE(list.out.find("\nPin=********\n"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("\nGmailAccPwd=********\n"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("\nPbxPort=5002\n"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("\nAutoSyncInterval=1\n"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("\nSyncTime=\n"), std::string::npos) << list.out;
    EXPECT_EQ(list.out.find("4711"), std::string::npos);
    EXPECT_EQ(list.out.find("long password"), std::string::npos);
    EXPECT_EQ(Korvi({"settings", "get", "Pin"}).out, "********\n");
    EXPECT_EQ(Stored().pin, "4711");
    EXPECT_EQ(Stored().gmailAccPwd, "long password");
}

struct SetCase {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    int code;
    const char* message;  // expected on the error stream, empty on success
};

void PrintTo(const SetCase& c, std::ostream* os) { *os << c.name; }

const SetCase kSetCases[] = {
    {"Url_Valid_Stored", {"PbxUrl", "https://127.0.0.1"}, "", 0, ""},
    {"Url_NoScheme_Refused",
     {"PbxUrl", "127.0.0.1"},
     "",
     1,
     "Url must begin with http:// or https://"},
    {"Port_WithBlank_Refused", {"PbxPort", "50 02"}, "", 1, "URL Contains Illegal characters"},
    {"User_TooLong_Refused",
     {"UserName", std::string(21, 'u')},
     "",
     1,
     "User Name on 'Settings' tab must be between 1 and 20 characters in length."},
    {"Pin_Short_Refused",
     {"Pin", "-"},
     "123\n",
     1,
     "User PIN on 'Settings' tab must be between 4 and 20 characters in length."},
    {"Pin_FromStdin_Stored", {"Pin", "-"}, "98765\r\n", 0, ""},
    {"Pin_WithoutValue_AskedFor", {"Pin"}, "98765\n", 0, ""},
    {"Pin_OnCommandLine_RefusedWithHint",
     {"Pin", "98765"},
     "",
     1,
     "Pin is a secret and is not taken from the command line: give '-' and the value on "
     "standard input (echo ... | korvi settings set Pin -), or leave the value out to be asked "
     "for it"},
    {"GmailPassword_OnCommandLine_RefusedWithHint",
     {"GmailAccPwd", "long password"},
     "",
     1,
     "GmailAccPwd is a secret and is not taken from the command line: give '-' and the value on "
     "standard input (echo ... | korvi settings set GmailAccPwd -), or leave the value out to be "
     "asked for it"},
    {"Pin_EmptyStdin_Refused", {"Pin", "-"}, "", 1, "no value on standard input"},
    {"Timeout_OutOfRange_Refused",
     {"ConnTimeout", "61"},
     "",
     1,
     "Connection Timeout must be an integer value between 2 and 60"},
    {"Timeout_Valid_Stored", {"ConnTimeout", "45"}, "", 0, ""},
    {"SyncDir_OutOfRange_Refused",
     {"SyncDir", "5"},
     "",
     1,
     "SyncDir must be an integer value between 0 and 4"},
    {"ContactType_Central_Stored", {"SyncContactType", "65533"}, "", 0, ""},
    {"ContactType_Negative_Refused",
     {"SyncContactType", "--", "-1"},
     "",
     1,
     "SyncContactType must be an integer value greater than 0"},
    {"Gmail_OtherDomain_Refused",
     {"GmailAccName", "anna@example.org"},
     "",
     1,
     "Gmail Username must be of the format xxx@gmail.com"},
    {"Folder_Text_Stored", {"syncOutlookFolder", "\\\\Kunden\\Team, \"A\""}, "", 0, ""},
    {"AddressBook_Relative_Refused",
     {"AddressBookDir", "book"},
     "",
     1,
     "AddressBookDir must be an absolute folder path"},
    {"CardDavUrl_Https_Stored", {"CardDavUrl", "https://dav.example.org/alice/"}, "", 0, ""},
    {"CardDavUrl_PlainHttpToLoopback_Stored", {"CardDavUrl", "http://127.0.0.1:5232/"}, "", 0, ""},
    {"CardDavUrl_PlainHttpElsewhere_Refused",
     {"CardDavUrl", "http://dav.example.org/alice/"},
     "",
     1,
     "http://dav.example.org/alice/ is not encrypted: the password would travel readable; use an "
     "https address"},
    {"CardDavPassword_OnCommandLine_RefusedWithHint",
     {"CardDavPwd", "secret"},
     "",
     1,
     "CardDavPwd is a secret and is not taken from the command line: give '-' and the value on "
     "standard input (echo ... | korvi settings set CardDavPwd -), or leave the value out to be "
     "asked for it"},
    {"CardDavCaFile_Relative_Refused",
     {"CardDavCaFile", "ca.pem"},
     "",
     1,
     "CardDavCaFile must be an absolute file path"},
    {"SyncPartner_CardDav_Stored", {"SyncPartner", "2"}, "", 0, ""},
    {"SyncPartner_Unknown_Refused",
     {"SyncPartner", "3"},
     "",
     1,
     "SyncPartner must be an integer value between 0 and 2"},
    {"Connections_Valid_Stored", {"PbxConnections", "8"}, "", 0, ""},
    {"Connections_None_Refused",
     {"PbxConnections", "0"},
     "",
     1,
     "PbxConnections must be an integer value between 1 and 16"},
    {"SyncTime_Valid_Stored", {"SyncTime", "2026-01-02 03:04:05"}, "", 0, ""},
    {"SyncTime_Garbled_Refused",
     {"SyncTime", "yesterday"},
     "",
     1,
     "SyncTime must be a local time as yyyy-MM-dd HH:mm:ss"},
};

class SettingsSetTest : public SettingsCommandTest, public testing::WithParamInterface<SetCase> {};

TEST_P(SettingsSetTest, StoresOnlyValidValues) {
    const auto& c = GetParam();
    // A file that a refused value must leave byte for byte as it was.
    ASSERT_EQ(Korvi({"settings", "set", "UserName", "anna"}).code, 0);
    const std::string before = test::ReadFile(File());

    std::vector<std::string> args = {"settings", "set"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliRun run = Korvi(args, c.input);
    EXPECT_EQ(run.code, c.code) << run.err;
    if (c.code != 0) {
        EXPECT_EQ(run.err, std::string("korvi: ") + c.message + "\n");
        EXPECT_EQ(test::ReadFile(File()), before);
        return;
    }
    EXPECT_EQ(run.err, "");
    const std::string& name = c.args[0];
    const std::string expected = c.input.empty() ? c.args.back() : "98765";
    const CliRun get = Korvi({"settings", "get", name});
    if (name == "Pin") {
        EXPECT_EQ(get.out, "********\n");
        EXPECT_EQ(Stored().pin, expected);
    } else {
        EXPECT_EQ(get.out, expected + "\n");
    }
    EXPECT_EQ(Stored().userName, "anna") << "other values are kept";
}

INSTANTIATE_TEST_SUITE_P(Settings, SettingsSetTest, testing::ValuesIn(kSetCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsCommandTest, BadUsageGivesExitTwo) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"settings"},
                                                 {"settings", "get"},
                                                 {"settings", "get", "pbxurl"},
                                                 {"settings", "set", "PbxUrl"},
                                                 {"settings", "set", "Nope", "1"},
                                                 {"settings", "remove", "PbxUrl"}}) {
        const CliRun run = Korvi(args);
        EXPECT_EQ(run.code, 2) << args.back();
        EXPECT_NE(run.err.find("Usage: korvi settings"), std::string::npos) << run.err;
    }
    // Reading may create the empty store, but bad usage writes no value.
    EXPECT_TRUE(!fs::exists(File()) || test::ReadFile(File()).empty());
}

TEST_F(SettingsCommandTest, DefaultAddressBookKeepsFollowingTheDataFolder) {
    ASSERT_EQ(Korvi({"settings", "set", "UserName", "anna"}).code, 0);
    const fs::path data = test::MakeTempDir("otherdata");
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    EXPECT_EQ(Korvi({"settings", "get", "AddressBookDir"}).out,
              (data / "KorviCommunicator" / "addressbook").string() + "\n");
}

}  // namespace
}  // namespace korvi
