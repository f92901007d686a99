// TcontactFile: the written bytes of both forms, XML round trips, and what a failed save
// leaves behind.
#include "files/ContactFile.h"

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FilesTestSupport.h"
#include "common/ResultTesting.h"
#include "common/TestEnv.h"

namespace korvi::test {
namespace {

namespace fs = std::filesystem;

// One contact per rule of the two forms: two numbers of one type listed apart and an internal
// number (CSV columns by type, padding counts every entry), an empty display name with a
// Deleted marker, a quote in a name without a number list, markup characters with an empty
// number list, and an internal number alone.
TContactList GoldenContacts() {
    return ListOf({
        MakeContact("Anna Smith", "Smith", "Anna", 17, "",
                    TNumberList{Num("+49 170 1111", kMob, 1, 0, 0, 1),
                                Num("030 555-0100", kBus1, 3, 1, 2, 0),
                                Num("+49 170 2222", kMob, 2, 0, 0, 1), Num("201", kInt, 4, 0, 0, 0),
                                Num("030 1234", kHome1, 5, 0, 1, 1)}),
        MakeContact("", "Brown", "Bob", 18, "0000ABCD",
                    TNumberList{Num("0301112222", kHome2, 6, 1, 0, 1, kDeleted),
                                Num("0309", kOther, 7, 1, 0, 1)}),
        MakeContact("Carl \"The Boss\" O'Neil", "O'Neil", "Carl", 65535, "", std::nullopt),
        MakeContact("M\xc3\xbcller & S\xc3\xb6hne <GmbH>", "", "", 0, "", TNumberList{}),
        MakeContact("Int Only", "", "", 20, "", TNumberList{Num("200", kInt, 9, 0, 0, 0)}),
    });
}

class ContactFileTest : public FilesTest {
protected:
    int Save(const fs::path& file, const TContactList& list, int type) {
        return CodeOf(m_file.SaveContacts(file, list, type), m_text);
    }
    int Load(const fs::path& file, TContactList& list) {
        return CodeOf(m_file.LoadContacts(file, list), m_text);
    }

    RecordingProgress m_progress;
    TcontactFile m_file{m_progress};
    std::string m_text;
};

TEST_F(ContactFileTest, GoldenXmlIsWrittenByteForByteAndReadsBack) {
    const fs::path file = m_folder / "contacts.xml";
    TContactList golden = GoldenContacts();
    ASSERT_EQ(Save(file, golden, kFileTypeXml), 0) << m_text;
    EXPECT_EQ(ReadFile(file), ReadFile(TestDataDir() / "contacts-golden.xml"));

    TContactList loaded;
    ASSERT_EQ(Load(TestDataDir() / "contacts-golden.xml", loaded), 0) << m_text;
    TContactList expected;
    for (const auto& c : golden) expected.push_back(std::make_unique<TContact>(AsReadBack(*c)));
    EXPECT_EQ(Dump(loaded), Dump(expected));
}

TEST_F(ContactFileTest, GoldenCsvIsWrittenByteForByte) {
    const fs::path file = m_folder / "contacts.csv";
    ASSERT_EQ(Save(file, GoldenContacts(), kFileTypeCsv), 0) << m_text;
    EXPECT_EQ(ReadFile(file), ReadFile(TestDataDir() / "contacts-golden.csv"));
}

TEST_F(ContactFileTest, ReportsProgressAndLogsEachOperation) {
    const fs::path xml = m_folder / "a.xml";
    const fs::path csv = m_folder / "a.csv";
    TContactList list = GoldenContacts();
    list.insert(list.begin() + 1, nullptr);  // a gap is skipped, not counted
    ASSERT_EQ(Save(xml, list, kFileTypeXml), 0);
    ASSERT_EQ(Save(csv, list, kFileTypeCsv), 0);
    TContactList loaded;
    ASSERT_EQ(Load(xml, loaded), 0);

    const std::vector<std::string> saving = {"SetProgress(0, 0, 0)",
                                             "SetProgressText(Saving Contacts to file...., 0)"};
    const std::vector<std::string> loading = {"SetProgress(0, 0, 0)",
                                              "SetProgressText(Loading Contacts from file...., 0)"};
    std::vector<std::string> expected = saving;
    expected.insert(expected.end(), saving.begin(), saving.end());
    expected.insert(expected.end(), loading.begin(), loading.end());
    EXPECT_EQ(m_progress.calls, expected);
    EXPECT_EQ(
        LogMessages(),
        (std::vector<std::string>{
            "LOG: contactFile: SaveContacts OK: Saved 5 contacts to XML file: " + xml.string(),
            "LOG: contactFile: SaveContacts OK: Saved 5 contacts to CSV file: " + csv.string(),
            "LOG: contactFile: LoadContacts: Loaded 5 Contacts from " + xml.string()}));
}

struct RoundTripCase {
    const char* name;
    TContact contact;
};

// Test names in ctest show the case by its name, not as raw bytes.
void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.name; }

class ContactFileRoundTripTest : public ContactFileTest,
                                 public testing::WithParamInterface<RoundTripCase> {};

TEST_P(ContactFileRoundTripTest, XmlReadsBackWhatWasWritten) {
    const fs::path file = m_folder / "round.xml";
    TContact plain = MakeContact("Plain", "", "", 1, "", std::nullopt);
    TContactList list = ListOf({plain, GetParam().contact, plain});
    ASSERT_EQ(Save(file, list, kFileTypeXml), 0) << m_text;
    TContactList loaded;
    ASSERT_EQ(Load(file, loaded), 0) << m_text;
    EXPECT_EQ(Dump(loaded), Dump(ListOf({plain, AsReadBack(GetParam().contact), plain})));
}

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

const RoundTripCase kRoundTrips[] = {
    {"MarkupCharacters_Kept",
     MakeContact("a & b <c> \"d\" 'e' ]]> &amp;", "<", ">", 1, "&",
                 TNumberList{Num("<1&2>", kMob)})},
    {"BlanksOnly_Kept", MakeContact(" ", "\t", "\n", 1, "  ", TNumberList{Num(" ", kHome1)})},
    {"LeadingAndTrailingBlanks_Kept",
     MakeContact("  Anna  ", " x", "y ", 1, " e ", TNumberList{Num(" 12 ", kHome1)})},
    {"LineBreaks_Kept",
     MakeContact("a\r\nb", "\r", "c\nd", 1, "\r\n", TNumberList{Num("1\r2", kHome1)})},
    {"ControlBytes_Kept", MakeContact("\x01x\x1f", "\x7f", "", 1, "", std::nullopt)},
    {"Utf8Names_Kept",
     MakeContact("Zo\xc3\xab \xc3\x98rsted \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x93\x9e", "", "", 1,
                 "", std::nullopt)},
    {"IntegerExtremes_Kept",
     MakeContact("", "", "", kMin, "",
                 TNumberList{Num("", kMax, kMin, kMax, -1, kMin), Num("", kMin, kMax, -7, 0, 1)})},
    {"EmptyNumberList_ReadsBackAsNone", MakeContact("x", "", "", 1, "", TNumberList{})},
    {"OnlyDeletedMarkers_ReadsBackAsNone",
     MakeContact("x", "", "", 1, "", TNumberList{Num("1", kMob, 1, 1, 1, 1, kDeleted)})},
    {"StatesTypeAndAction_NotWritten",
     [] {
         TContact c = MakeContact("x", "", "", 1, "",
                                  TNumberList{Num("1", kMob, 1, 0, 0, 0, kAmended),
                                              Num("2", kMob, 2, 0, 0, 0, kDeleted),
                                              Num("3", kInt, 3, 0, 0, 0, kAdded)});
         c.contactType = 201;
         c.action = 4;
         return c;
     }()},
    {"EveryNumberType_Kept",
     MakeContact("x", "", "", 1, "",
                 TNumberList{Num("0", kHome1), Num("1", kHome2), Num("2", kBus1), Num("3", kBus2),
                             Num("4", kMob), Num("5", kOther), Num("6", kFaxHome),
                             Num("7", kFaxBus), Num("16", kInt), Num("x", kNumberTypeInvalid),
                             Num("8", 8)})},
};

INSTANTIATE_TEST_SUITE_P(Contacts, ContactFileRoundTripTest, testing::ValuesIn(kRoundTrips),
                         [](const auto& info) { return std::string(info.param.name); });

// A save that fails part-way must leave the previous file exactly as it was and no
// temporary file beside it.
struct FailedWriteCase {
    const char* name;
    int fileType;
    std::size_t failAfter;  // bytes; kFailNearEnd: one byte short of the whole file
};

void PrintTo(const FailedWriteCase& c, std::ostream* os) { *os << c.name; }

constexpr std::size_t kFailNearEnd = std::numeric_limits<std::size_t>::max();

class ContactFileFailedWriteTest : public ContactFileTest,
                                   public testing::WithParamInterface<FailedWriteCase> {};

TEST_P(ContactFileFailedWriteTest, LeavesPreviousFileByteIdentical) {
    const FailedWriteCase& c = GetParam();
    const fs::path file = m_folder / "target";
    const std::string previous = "previous content\r\n";
    WriteFile(file, previous);

    std::size_t failAfter = c.failAfter;
    if (failAfter == kFailNearEnd) {
        const fs::path probe = MakeTempDir("probe") / "full";
        ASSERT_EQ(Save(probe, GoldenContacts(), c.fileType), 0);
        failAfter = fs::file_size(probe) - 1;
    }
    m_file.SetWriteFailAfterBytes(failAfter);
    EXPECT_EQ(Save(file, GoldenContacts(), c.fileType), -1);

    EXPECT_EQ(ReadFile(file), previous);
    EXPECT_EQ(FolderNames(m_folder), std::vector<std::string>{"target"});
    EXPECT_EQ(m_text, file.string() + ": write failed: No space left on device");
    EXPECT_EQ(LogMessages().back(), "ERR: contactFile: SaveContacts: Exception: " + m_text);
}

const FailedWriteCase kFailedWrites[] = {
    {"XmlAtFirstByte", kFileTypeXml, 0},
    {"XmlInFirstContact", kFileTypeXml, 100},
    {"XmlOneByteShort", kFileTypeXml, kFailNearEnd},
    {"CsvAtFirstByte", kFileTypeCsv, 0},
    {"CsvInHeader", kFileTypeCsv, 30},
    {"CsvOneByteShort", kFileTypeCsv, kFailNearEnd},
};

INSTANTIATE_TEST_SUITE_P(Writes, ContactFileFailedWriteTest, testing::ValuesIn(kFailedWrites),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ContactFileTest, RefusedSavesChangeNothing) {
    const fs::path file = m_folder / "target.xml";
    WriteFile(file, "old");

    EXPECT_EQ(Save(file, GoldenContacts(), 2), -1);
    EXPECT_EQ(m_text, "File type not supported! (2)");
    EXPECT_EQ(LogMessages().back(), "ERR: contactFile: SaveContacts: Invalid fileType: 2");

    // Text that is not UTF-8 would make a file that cannot be read back.
    TContactList bad = ListOf({MakeContact("ok", "", "", 1, "", std::nullopt),
                               MakeContact("M\xfcller", "", "", 2, "", std::nullopt)});
    EXPECT_EQ(Save(file, bad, kFileTypeXml), -1);
    EXPECT_EQ(m_text, file.string() + ": Contact 2: display_name is not UTF-8 text (byte 1)");
    EXPECT_EQ(LogMessages().back(), "ERR: contactFile: SaveContacts: Exception: " + m_text);

    TContactList nul = ListOf({MakeContact("", "", "", 1, "",
                                           TNumberList{Num(std::string("12\0"
                                                                       "3",
                                                                       4),
                                                           kMob)})});
    EXPECT_EQ(Save(file, nul, kFileTypeXml), -1);
    EXPECT_EQ(m_text, file.string() + ": Contact 1: number holds a NUL byte at byte 2");

    EXPECT_EQ(ReadFile(file), "old");
    EXPECT_EQ(FolderNames(m_folder), std::vector<std::string>{"target.xml"});
}

TEST_F(ContactFileTest, MissingFolderFailsWithTheFileError) {
    const fs::path csv = m_folder / "missing" / "a.csv";
    EXPECT_EQ(Save(csv, GoldenContacts(), kFileTypeCsv), -1);
    EXPECT_EQ(m_text, "Could not open file!");
    EXPECT_EQ(LogMessages().back(), "ERR: contactFile: SaveContacts: Could not open file!");

    const fs::path xml = m_folder / "missing" / "a.xml";
    EXPECT_EQ(Save(xml, GoldenContacts(), kFileTypeXml), -1);
    EXPECT_EQ(m_text, xml.string() + ": cannot create temporary file: No such file or directory");
    EXPECT_EQ(LogMessages().back(), "ERR: contactFile: SaveContacts: Exception: " + m_text);
    EXPECT_FALSE(fs::exists(m_folder / "missing"));
}

}  // namespace
}  // namespace korvi::test
