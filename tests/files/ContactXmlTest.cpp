// Reading the XML form: what is taken from a document, and how a bad or hostile file fails.
#include "files/ContactXml.h"

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FilesTestSupport.h"
#include "common/ResultTesting.h"
#include "common/TestEnv.h"
#include "files/ContactFile.h"

namespace korvi::test {
namespace {

namespace fs = std::filesystem;

struct LoadCase {
    const char* name;
    std::string xml;
    int rc;
    // rc 0: the dump of the contacts read; rc -1: the message after "<file>: ".
    std::string expected;
    std::size_t keptOnFailure = 0;
};

// Test names in ctest show the case by its name, not as raw bytes.
void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.name; }

class ContactXmlLoadTest : public FilesTest, public testing::WithParamInterface<LoadCase> {};

TEST_P(ContactXmlLoadTest, LoadsOrFailsCleanly) {
    const LoadCase& c = GetParam();
    const fs::path file = m_folder / "in.xml";
    WriteFile(file, c.xml);
    NullProgress progress;
    TcontactFile contactFile(progress);
    TContactList list;
    std::string text;

    ASSERT_EQ(CodeOf(contactFile.LoadContacts(file, list), text), c.rc) << text;
    if (c.rc == 0) {
        EXPECT_EQ(Dump(list), c.expected);
    } else {
        EXPECT_EQ(text, file.string() + ": " + c.expected);
        EXPECT_EQ(LogMessages().back(), "ERR: contactFile: LoadContacts: Exception: " + text);
        EXPECT_EQ(list.size(), c.keptOnFailure);
    }
    // A read never touches the disk.
    EXPECT_EQ(ReadFile(file), c.xml);
    EXPECT_EQ(FolderNames(m_folder), std::vector<std::string>{"in.xml"});
}

std::string Contacts(const std::string& body) { return "<contacts>" + body + "</contacts>"; }

const std::string kEmptyContact =
    R"(id=0 type=0 action=0 display="" last="" first="" entry="" numbers=none)";

const std::string kLaughs = R"(<?xml version="1.0"?>
<!DOCTYPE contacts [
 <!ENTITY lol "lol">
 <!ENTITY lol1 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">
 <!ENTITY lol2 "&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;">
 <!ENTITY lol3 "&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;">
 <!ENTITY lol9 "&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;">
]>
<contacts><contact><display_name>&lol9;</display_name></contact></contacts>)";

const std::string kExternal = R"(<?xml version="1.0"?>
<!DOCTYPE contacts [<!ENTITY xxe SYSTEM "file:///etc/passwd">]>
<contacts><contact><display_name>&xxe;</display_name></contact></contacts>)";

const LoadCase kLoadCases[] = {
    {"UnknownElements_AreIgnored",
     Contacts("<contact><display_name>A</display_name><nickname>x</nickname>"
              "<number><ref>1</ref><color>red</color><number>12</number></number></contact>"),
     0,
     R"(id=0 type=0 action=0 display="A" last="" first="" entry="" numbers=[ (1 "12" t0 b0 la0 cli0 s0) ])"
     "\n"},
    {"ChildrenOfAnyName_AreContacts",
     Contacts("<person><last_name>A</last_name></person><entry><first_name>B</first_name></entry>"),
     0,
     "id=0 type=0 action=0 display=\"\" last=\"A\" first=\"\" entry=\"\" numbers=none\n"
     "id=0 type=0 action=0 display=\"\" last=\"\" first=\"B\" entry=\"\" numbers=none\n"},
    {"RepeatedElements_Overwrite",
     Contacts("<contact><display_name>A</display_name><display_name>B</display_name>"
              "<contact_id>1</contact_id><contact_id>2</contact_id><entry_id>e1</entry_id>"
              "<entry_id>e2</entry_id><number><ref>1</ref><ref>2</ref><number>a</number>"
              "<number>b</number><cli>1</cli><cli>0</cli></number></contact>"),
     0,
     R"(id=2 type=0 action=0 display="B" last="" first="" entry="e2" numbers=[ (2 "b" t0 b0 la0 cli0 s0) ])"
     "\n"},
    {"EveryNumberElement_AddsANumber",
     Contacts("<contact><number/><number><number>1</number><number_type>4</number_type>"
              "<barring>1</barring><line_access>2</line_access><cli>1</cli></number>"
              "<number></number></contact>"),
     0,
     R"(id=0 type=0 action=0 display="" last="" first="" entry="" numbers=[ (0 "" t0 b0 la0 cli0 s0) (0 "1" t4 b1 la2 cli1 s0) (0 "" t0 b0 la0 cli0 s0) ])"
     "\n"},
    {"ElementNamesAreExact",
     Contacts("<contact><Display_Name>X</Display_Name><x:display_name xmlns:x=\"u\">Y"
              "</x:display_name><contact_id >5</contact_id ></contact>"),
     0,
     R"(id=5 type=0 action=0 display="" last="" first="" entry="" numbers=none)"
     "\n"},
    {"IntegersWithSignAndBlanks_AreRead",
     Contacts("<contact><contact_id> +12\n</contact_id><number><ref>-3</ref></number></contact>"),
     0,
     R"(id=12 type=0 action=0 display="" last="" first="" entry="" numbers=[ (-3 "" t0 b0 la0 cli0 s0) ])"
     "\n"},
    {"TextAroundCommentsAndCdata_IsJoined",
     Contacts("<contact><display_name>An<!-- x -->na</display_name>"
              "<last_name><![CDATA[<b>]]>&amp;&#65;&#x42;</last_name></contact>"),
     0,
     R"(id=0 type=0 action=0 display="Anna" last="<b>&AB" first="" entry="" numbers=none)"
     "\n"},
    {"TextBetweenContacts_IsNoContact", Contacts("junk<contact/>more"), 0, kEmptyContact + "\n"},
    {"NoContacts_LoadsNothing", "<contacts/>", 0, ""},
    {"BillionLaughs_AreNotExpanded", kLaughs, 0,
     R"(id=0 type=0 action=0 display="&lol9;" last="" first="" entry="" numbers=none)"
     "\n"},
    {"ExternalEntity_IsNotLoaded", kExternal, 0,
     R"(id=0 type=0 action=0 display="&xxe;" last="" first="" entry="" numbers=none)"
     "\n"},

    {"ContactIdAbc_FailsTheLoad", Contacts("<contact><contact_id>abc</contact_id></contact>"), -1,
     "'abc' is not a decimal integer in <contact_id> at offset 19"},
    {"EmptyInteger_Fails", Contacts("<contact><number><ref/></number></contact>"), -1,
     "'' is not a decimal integer in <ref> at offset 27"},
    {"IntegerOutOfRange_Fails",
     Contacts("<contact><number><cli>2147483648</cli></number></contact>"), -1,
     "'2147483648' is not a decimal integer in <cli> at offset 27"},
    {"HexInteger_Fails",
     Contacts("<contact><number><number_type>0x10</number_type></number></contact>"), -1,
     "'0x10' is not a decimal integer in <number_type> at offset 27"},
    {"LongBadValue_IsCutInTheMessage",
     Contacts("<contact><contact_id>" + std::string(100, '9') + "</contact_id></contact>"), -1,
     "'" + std::string(40, '9') + "...' is not a decimal integer in <contact_id> at offset 19"},
    {"LongBadValue_IsCutBeforeACharacter",
     Contacts("<contact><contact_id>" + std::string(39, '9') + "\xc3\xa9</contact_id></contact>"),
     -1, "'" + std::string(39, '9') + "...' is not a decimal integer in <contact_id> at offset 19"},
    {"FailurePartWay_KeepsEarlierContacts",
     Contacts("<contact/><contact><contact_id>1</contact_id></contact>"
              "<contact><contact_id>x</contact_id></contact><contact/>"),
     -1, "'x' is not a decimal integer in <contact_id> at offset 74", 2},
    {"WrongRootElement_Fails", "<?xml version=\"1.0\"?>\n<phonebook><contact/></phonebook>", -1,
     "Document element is <phonebook>, not <contacts>, at offset 22"},
    {"EmptyFile_Fails", "", -1, "No document element found at offset 0"},
    {"DeclarationOnly_Fails", "<?xml version=\"1.0\"?>\n", -1,
     "No document element found at offset 22"},
    {"NotUtf8_Fails", Contacts("<contact><display_name>M\xfcller</display_name></contact>"), -1,
     "Invalid UTF-8 byte at offset 34"},
    {"UnclosedContact_Fails", Contacts("<contact>"), -1, "Start-end tags mismatch at offset 21"},
    {"TwoRoots_Fail", "<contacts/><contacts/>", -1, "More than one document element at offset 11"},
};

INSTANTIATE_TEST_SUITE_P(Files, ContactXmlLoadTest, testing::ValuesIn(kLoadCases),
                         [](const auto& info) { return std::string(info.param.name); });

class ContactXmlFileTest : public FilesTest {
protected:
    int Load(const fs::path& file) { return CodeOf(m_file.LoadContacts(file, m_list), m_text); }
    NullProgress m_progress;
    TcontactFile m_file{m_progress};
    TContactList m_list;
    std::string m_text;
};

TEST_F(ContactXmlFileTest, FilesThatAreNoContactFilesFail) {
    const fs::path missing = m_folder / "missing.xml";
    EXPECT_EQ(Load(missing), -1);
    EXPECT_EQ(m_text, missing.string() + ": Could not open file");
    EXPECT_EQ(LogMessages().back(), "ERR: contactFile: LoadContacts: Exception: " + m_text);

    EXPECT_EQ(Load(m_folder), -1);
    EXPECT_EQ(m_text, m_folder.string() + ": Is a folder, not a contact file");

    // 50 MB is refused from its size alone, before a byte of it is read.
    const fs::path huge = m_folder / "huge.xml";
    WriteFile(huge, "<contacts>");
    fs::resize_file(huge, 50u * 1024 * 1024);
    EXPECT_EQ(Load(huge), -1);
    EXPECT_EQ(m_text,
              huge.string() +
                  ": File is too large (52428800 bytes; a contact file holds at most 41943040)");
    EXPECT_EQ(fs::file_size(huge), 50u * 1024 * 1024);
    EXPECT_TRUE(m_list.empty());
}

TEST_F(ContactXmlFileTest, DeepNestingIsNeverWalked) {
    constexpr int kDepth = 200000;
    std::string xml = "<contacts><contact><display_name>A</display_name><number>";
    for (int i = 0; i < kDepth; ++i) xml += "<number>";
    for (int i = 0; i < kDepth; ++i) xml += "</number>";
    xml += "</number></contact></contacts>";
    const fs::path file = m_folder / "deep.xml";
    WriteFile(file, xml);
    ASSERT_EQ(Load(file), 0) << m_text;
    EXPECT_EQ(
        Dump(m_list),
        R"(id=0 type=0 action=0 display="A" last="" first="" entry="" numbers=[ (0 "" t0 b0 la0 cli0 s0) ])"
        "\n");
}

// Every prefix of a real file either fails with a message or, once the document element is
// closed, loads all of it. The prefixes are parsed from memory: the file path is the same code
// after one read.
TEST(ContactXmlTruncationTest, EveryPrefixFailsCleanlyOrLoadsEverything) {
    const std::string full = ReadFile(TestDataDir() / "contacts-golden.xml");
    ASSERT_FALSE(full.empty());
    const std::size_t complete = full.rfind("</contacts>") + std::string("</contacts>").size();
    auto load = [](std::string_view text, TContactList& list) {
        pugi::xml_document doc;
        XmlResult r = LoadXmlText(text, doc, "prefix.xml");
        int count = 0;
        return r.ok() ? ReadContactsXml(doc, "prefix.xml", list, count) : r;
    };
    TContactList expected;
    ASSERT_TRUE(load(full, expected).ok());
    const std::string expectedDump = Dump(expected);

    for (std::size_t size = 0; size <= full.size(); ++size) {
        TContactList list;
        const XmlResult r = load(std::string_view(full).substr(0, size), list);
        if (size < complete) {
            ASSERT_EQ(r.code, -1) << "prefix of " << size << " bytes";
            ASSERT_EQ(r.text.rfind("prefix.xml: ", 0), 0u) << r.text;
            ASSERT_GE(r.offset, 0) << r.text;
            ASSERT_LE(r.offset, static_cast<std::ptrdiff_t>(size)) << r.text;
        } else {
            ASSERT_EQ(r.code, 0) << "prefix of " << size << " bytes: " << r.text;
            ASSERT_EQ(Dump(list), expectedDump);
        }
    }
}

}  // namespace
}  // namespace korvi::test
