#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Log.h"
#include "cli/ArgParser.h"
#include "cli/CliTestSupport.h"
#include "cli/HelpCommand.h"
#include "cli/VersionCommand.h"

namespace korvi {
namespace {

using test::CliRun;

TEST(CliCommandLineTest, Version_PrintsNameAndVersionOnly) {
    CliRun run;
    EXPECT_EQ(run.Run({"version"}), cli::kExitOk);
    EXPECT_EQ(run.out.str(), "Korvi Communicator 1.1.17\n");
    EXPECT_EQ(run.err.str(), "");
}

TEST(CliCommandLineTest, HelpListsEveryRegisteredCommand) {
    for (const auto& args : std::vector<std::vector<std::string>>{{"--help"}, {"help"}, {"-h"}}) {
        CliRun run;
        EXPECT_EQ(run.Run(args), cli::kExitOk) << args[0];
        const std::string out = run.out.str();
        EXPECT_NE(out.find("Usage: korvi"), std::string::npos) << out;
        const auto registry = cli::CommandRegistry::Default();
        for (const auto& command : registry.commands()) {
            EXPECT_NE(out.find("  " + std::string(command->Name()) + " "), std::string::npos)
                << command->Name();
        }
        EXPECT_NE(out.find("--yes"), std::string::npos);
        EXPECT_NE(out.find("--verbose"), std::string::npos);
        EXPECT_EQ(run.err.str(), "");
    }
}

TEST(CliCommandLineTest, HelpOfOneCommand_ShowsItsUsage) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"help", "version"}, {"version", "--help"}, {"--help", "version"}}) {
        CliRun run;
        EXPECT_EQ(run.Run(args), cli::kExitOk);
        EXPECT_EQ(run.out.str().rfind("Usage: korvi version\n", 0), 0u) << run.out.str();
    }
}

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
    const char* message;
};

void PrintTo(const UsageCase& c, std::ostream* os) { *os << c.name; }

const UsageCase kUsageCases[] = {
    {"NoCommand", {}, "korvi: no command given"},
    {"OnlyGlobalOption", {"--yes"}, "korvi: no command given"},
    {"UnknownCommand", {"frobnicate"}, "korvi: unknown command 'frobnicate'"},
    {"UnknownOption", {"version", "--colour"}, "korvi: unknown option '--colour'"},
    {"UnknownGlobalOption", {"--colour", "version"}, "korvi: unknown option '--colour'"},
    {"ShortOption", {"version", "-x"}, "korvi: unknown option '-x'"},
    {"FlagWithValue", {"version", "--yes=no"}, "korvi: option '--yes' takes no value"},
    {"ExtraArgument", {"version", "now"}, "korvi: too many arguments"},
    {"HelpOfUnknownCommand", {"help", "nothing"}, "korvi: unknown command 'nothing'"},
    {"CardDavWithoutSubcommand", {"carddav"}, "korvi: collections expected"},
    {"CardDavUnknownSubcommand", {"carddav", "books"}, "korvi: unknown subcommand 'books'"},
    {"SyncUnknownPartner",
     {"sync", "--partner", "dav"},
     "korvi: --partner takes outlook, gmail or carddav, not 'dav'"},
    {"ExportToUnknownStore",
     {"export", "--to", "dav"},
     "korvi: --to takes outlook, gmail or carddav"},
    {"ExportToCardDavWithFolder",
     {"export", "--to", "carddav", "--folder", "x"},
     "korvi: --folder goes with --to outlook"},
    {"ImportFromCardDavWithFile",
     {"import", "--from", "carddav", "--file", "x.xml"},
     "korvi: --from carddav takes no --file"},
};

class CliUsageTest : public testing::TestWithParam<UsageCase> {};

TEST_P(CliUsageTest, ExitsTwoWithMessageOnStderr) {
    CliRun run;
    EXPECT_EQ(run.Run(GetParam().args), cli::kExitUsage);
    EXPECT_EQ(run.err.str().rfind(GetParam().message, 0), 0u) << run.err.str();
    EXPECT_EQ(run.out.str(), "");
}

INSTANTIATE_TEST_SUITE_P(BadUsage, CliUsageTest, testing::ValuesIn(kUsageCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CliCommandLineTest, GlobalOptionsAreAcceptedBeforeAndAfterTheCommand) {
    CliRun before;
    EXPECT_EQ(before.Run({"--yes", "version"}), cli::kExitOk);
    EXPECT_TRUE(before.io.globals().yes);
    EXPECT_FALSE(before.io.globals().verbose);

    SetDetailedLogging(false);
    CliRun after;
    EXPECT_EQ(after.Run({"version", "--verbose"}), cli::kExitOk);
    EXPECT_TRUE(after.io.globals().verbose);
    EXPECT_FALSE(after.io.globals().yes);
    EXPECT_TRUE(DetailedLogging());
    SetDetailedLogging(false);
}

// The shared parser, through a spec like a real command's.
const std::vector<cli::OptionSpec> kSpecs = {
    {"file", "FILE", "the file"},
    {"user", "NAME", "a user (repeatable)"},
    {"dry-run", "", "a flag"},
};

struct ParseCase {
    const char* name;
    std::vector<std::string> args;
    bool ok;
    std::vector<std::string> files;  // every --file value
    bool dryRun;
    std::vector<std::string> positionals;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }

const ParseCase kParseCases[] = {
    {"ValueAsNextArgument", {"--file", "a.xml"}, true, {"a.xml"}, false, {}},
    {"ValueAfterEquals", {"--file=a=b.xml"}, true, {"a=b.xml"}, false, {}},
    {"EmptyValueAfterEquals", {"--file="}, true, {""}, false, {}},
    {"ValueStartingWithDash", {"--file", "-"}, true, {"-"}, false, {}},
    {"RepeatedOption_KeepsOrder", {"--file", "1", "--file", "2"}, true, {"1", "2"}, false, {}},
    {"FlagAndPositionals", {"x", "--dry-run", "y"}, true, {}, true, {"x", "y"}},
    {"DoubleDash_EndsOptions", {"--", "--file", "-q"}, true, {}, false, {"--file", "-q"}},
    {"LoneDash_IsPositional", {"-"}, true, {}, false, {"-"}},
    {"MissingValue_Fails", {"--file"}, false, {}, false, {}},
    {"UnknownOption_Fails", {"--files", "x"}, false, {}, false, {}},
    {"PrefixIsNotAnOption_Fails", {"--dry"}, false, {}, false, {}},
    {"TripleDash_Fails", {"---file", "x"}, false, {}, false, {}},
};

class ArgParserTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ArgParserTest, Parses) {
    const ParseCase& c = GetParam();
    cli::ParsedArgs parsed;
    std::string error;
    ASSERT_EQ(cli::ParseArgs(kSpecs, c.args, parsed, error), c.ok) << error;
    if (!c.ok) {
        EXPECT_NE(error, "");
        return;
    }
    EXPECT_EQ(error, "");
    EXPECT_EQ(parsed.Values("file"), c.files);
    EXPECT_EQ(parsed.Has("file"), !c.files.empty());
    if (!c.files.empty()) {
        EXPECT_EQ(parsed.Value("file"), c.files.back());
    }
    EXPECT_EQ(parsed.Has("dry-run"), c.dryRun);
    EXPECT_EQ(parsed.Positionals(), c.positionals);
    EXPECT_EQ(parsed.ValueOr("user", "nobody"), "nobody");
}

INSTANTIATE_TEST_SUITE_P(Args, ArgParserTest, testing::ValuesIn(kParseCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ArgParserTest, ParseInt_TakesWholeDecimalTextsInRangeOnly) {
    int value = 7;
    EXPECT_TRUE(cli::ParseInt("65533", value));
    EXPECT_EQ(value, 65533);
    EXPECT_TRUE(cli::ParseInt("-1", value));
    EXPECT_EQ(value, -1);
    for (const char* bad : {"", " 1", "1 ", "+1", "1x", "0x10", "2147483648", "-2147483649",
                            "99999999999999999999"}) {
        value = 7;
        EXPECT_FALSE(cli::ParseInt(bad, value)) << bad;
        EXPECT_EQ(value, 7) << bad;
    }
    EXPECT_FALSE(cli::ParseInt(std::string_view("1\0002", 3), value));
}

}  // namespace
}  // namespace korvi
