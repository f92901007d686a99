// `korvi contacts convert`: the CSV it writes and how it refuses bad command lines and files.
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/CliTestSupport.h"
#include "common/TestEnv.h"

namespace korvi::test {
namespace {

namespace fs = std::filesystem;

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

TEST(ContactsCommandTest, ConvertsXmlToTheCsvForm) {
    const fs::path folder = MakeTempDir("convert");
    const std::string from = (TestDataDir() / "contacts-golden.xml").string();
    const std::string to = (folder / "out.csv").string();
    WriteFile(to, "replaced");
    CliRun run;
    ASSERT_EQ(run.Run({"contacts", "convert", "--from", from, "--to", to}), 0) << run.err.str();
    // The XML form holds no Deleted marker, so Bob's line is padded for his one number only.
    std::string expected = ReadFile(TestDataDir() / "contacts-golden.csv");
    const std::string bob = ",\"Brown\",\"Bob\",\"18\",\"0000ABCD\",\"0309\",\"1\",\"0\",\"1\",";
    const std::size_t at = expected.find(bob);
    ASSERT_NE(at, std::string::npos);
    expected.replace(at + bob.size(), 39, std::string(44, ','));
    EXPECT_EQ(ReadFile(to), expected);
    EXPECT_EQ(run.out.str(), "Converted 5 contacts from " + from + " to " + to + "\n");
    EXPECT_EQ(run.err.str(), "");
}

struct RefusalCase {
    const char* name;
    std::vector<std::string> args;  // after "contacts"; {in} and {out} stand for files
    int exitCode;
    std::string firstErrorLine;  // {in} and {out} replaced likewise
};

// Test names in ctest show the case by its name, not as raw bytes.
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class ContactsCommandRefusalTest : public testing::TestWithParam<RefusalCase> {};

std::string Fill(std::string s, const std::string& in, const std::string& out) {
    for (std::size_t at; (at = s.find("{in}")) != std::string::npos;) s.replace(at, 4, in);
    for (std::size_t at; (at = s.find("{out}")) != std::string::npos;) s.replace(at, 5, out);
    return s;
}

TEST_P(ContactsCommandRefusalTest, RefusesAndWritesNothing) {
    const RefusalCase& c = GetParam();
    const fs::path folder = MakeTempDir("convert");
    const std::string in = (folder / "in.xml").string();
    const std::string out = (folder / "out.csv").string();
    WriteFile(in, "<contacts><contact><contact_id>x</contact_id></contact></contacts>");
    std::vector<std::string> args = {"contacts"};
    for (const std::string& a : c.args) args.push_back(Fill(a, in, out));

    CliRun run;
    EXPECT_EQ(run.Run(args), c.exitCode);
    EXPECT_EQ(FirstLine(run.err.str()), Fill(c.firstErrorLine, in, out));
    EXPECT_EQ(run.out.str(), "");
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(ReadFile(in), "<contacts><contact><contact_id>x</contact_id></contact></contacts>");
}

const RefusalCase kRefusals[] = {
    {"NoSubcommand_IsUsage", {}, 2, "korvi: missing subcommand 'convert'"},
    {"OtherSubcommand_IsUsage", {"import"}, 2, "korvi: unknown subcommand 'import'"},
    {"NoFrom_IsUsage", {"convert", "--to", "{out}"}, 2, "korvi: --from FILE is required"},
    {"NoTo_IsUsage", {"convert", "--from", "{in}"}, 2, "korvi: --to FILE is required"},
    {"ToIsFrom_IsUsage",
     {"convert", "--from", "{in}", "--to", "{in}"},
     2,
     "korvi: --to names the file given with --from"},
    {"BadXml_Fails",
     {"convert", "--from", "{in}", "--to", "{out}"},
     1,
     "korvi: {in}: 'x' is not a decimal integer in <contact_id> at offset 19"},
    {"MissingFrom_Fails",
     {"convert", "--from", "{in}.gone", "--to", "{out}"},
     1,
     "korvi: {in}.gone: Could not open file"},
};

INSTANTIATE_TEST_SUITE_P(CommandLines, ContactsCommandRefusalTest, testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ContactsCommandTest, UnwritableTargetFails) {
    const fs::path folder = MakeTempDir("convert");
    const std::string from = (TestDataDir() / "contacts-golden.xml").string();
    const std::string to = (folder / "missing" / "out.csv").string();
    CliRun run;
    EXPECT_EQ(run.Run({"contacts", "convert", "--from", from, "--to", to}), 1);
    EXPECT_EQ(run.err.str(), "korvi: " + to + ": Could not open file!\n");
}

}  // namespace
}  // namespace korvi::test
