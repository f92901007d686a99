// The XML services: parse errors that say where, UTF-8 checks, no entity expansion, names
// and text as written, and indented UTF-8 output.
#include "app/XmlDocument.h"

#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "common/TestEnv.h"

namespace korvi::test {
namespace {

namespace fs = std::filesystem;

struct ParseCase {
    const char* name;
    std::string text;
    std::string error;  // empty: the text loads
    std::ptrdiff_t offset = -1;
};

// Test names in ctest show the case by its name, not as raw bytes.
void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }

class XmlParseTest : public testing::TestWithParam<ParseCase> {};

TEST_P(XmlParseTest, LoadsOrSaysWhere) {
    const ParseCase& c = GetParam();
    pugi::xml_document doc;
    doc.append_child("stale");
    XmlResult r = LoadXmlText(c.text, doc, "reply.xml");
    if (c.error.empty()) {
        EXPECT_TRUE(r.ok()) << r.text;
        EXPECT_STRNE(doc.document_element().name(), "stale");
        return;
    }
    EXPECT_EQ(r.code, -1);
    EXPECT_EQ(r.text, "reply.xml: " + c.error);
    EXPECT_EQ(r.offset, c.offset);
    EXPECT_FALSE(doc.first_child()) << "a failed parse leaves an empty document";
}

const ParseCase kParseCases[] = {
    {"Plain_Loads", "<a><b>x</b></a>", ""},
    {"Utf8WithBom_Loads", "\xef\xbb\xbf<a>\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80</a>", ""},
    {"EndTagMismatch_Fails", "<a><b></a>", "Start-end tags mismatch at offset 8", 8},
    {"BadEndTag_Fails", "<a></a", "Error parsing end element tag at offset 5", 5},
    {"Empty_Fails", "", "No document element found at offset 0", 0},
    {"CommentOnly_Fails", "<!-- x -->", "No document element found at offset 10", 10},
    {"TwoDocumentElements_Fail", "<a/>\n<b/>", "More than one document element at offset 5", 5},
    {"Latin1Byte_Fails", "<a>M\xfc</a>", "Invalid UTF-8 byte at offset 4", 4},
    {"OverlongEncoding_Fails", "<a>\xc0\x80</a>", "Invalid UTF-8 byte at offset 3", 3},
    {"OverlongThreeBytes_Fails", "<a>\xe0\x80\x80</a>", "Invalid UTF-8 byte at offset 3", 3},
    {"Surrogate_Fails", "<a>x\xed\xa0\x80</a>", "Invalid UTF-8 byte at offset 4", 4},
    {"BeyondUnicode_Fails", "<a>\xf4\x90\x80\x80</a>", "Invalid UTF-8 byte at offset 3", 3},
    {"CutSequenceAtEnd_Fails", "<a/>\xe2\x82", "Invalid UTF-8 byte at offset 4", 4},
    {"StrayContinuation_Fails", "<a>\x80</a>", "Invalid UTF-8 byte at offset 3", 3},
};

INSTANTIATE_TEST_SUITE_P(Texts, XmlParseTest, testing::ValuesIn(kParseCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(XmlDocumentTest, EntitiesAreNeverDefinedOrLoaded) {
    const std::string text = R"(<?xml version="1.0"?>
<!DOCTYPE a [
 <!ENTITY x "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx">
 <!ENTITY y "&x;&x;&x;&x;&x;&x;&x;&x;&x;&x;&x;&x;&x;&x;&x;&x;&x;&x;&x;&x;">
 <!ENTITY z SYSTEM "file:///etc/passwd">
]>
<a><y>&y;</y><z>&z;</z><p>&lt;&amp;&#65;&#x42;</p></a>)";
    pugi::xml_document doc;
    ASSERT_TRUE(LoadXmlText(text, doc, "t").ok());
    pugi::xml_node a = doc.document_element();
    EXPECT_EQ(XmlText(a.child("y")), "&y;");
    EXPECT_EQ(XmlText(a.child("z")), "&z;");
    EXPECT_EQ(XmlText(a.child("p")), "<&AB");
    EXPECT_FALSE(a.previous_sibling()) << "the DOCTYPE is not kept as a node";
}

TEST(XmlDocumentTest, NamesAndTextAsWritten) {
    pugi::xml_document doc;
    ASSERT_TRUE(LoadXmlText(R"(<feed xmlns:gd="g"><gd:phoneNumber rel="home">+1 2</gd:phoneNumber>)"
                            R"(<openSearch:totalResults>7</openSearch:totalResults><e/>)"
                            R"(<c><![CDATA[<x>]]></c></feed>)",
                            doc, "feed")
                    .ok());
    pugi::xml_node feed = doc.document_element();
    pugi::xml_node phone = feed.first_child();
    EXPECT_STREQ(phone.name(), "gd:phoneNumber");
    EXPECT_EQ(XmlLocalName(phone), "phoneNumber");
    EXPECT_EQ(XmlText(phone), "+1 2");
    EXPECT_TRUE(phone.attribute("rel"));
    EXPECT_FALSE(phone.attribute("label"));
    EXPECT_EQ(XmlLocalName(phone.next_sibling()), "totalResults");
    EXPECT_EQ(XmlText(feed.child("e")), "");
    EXPECT_EQ(XmlText(feed.child("c")), "<x>");
    EXPECT_EQ(XmlLocalName(feed), "feed");
}

TEST(XmlDocumentTest, WritesIndentedUtf8WithDeclaration) {
    pugi::xml_document doc;
    StartXmlDocument(doc);
    pugi::xml_node root = doc.append_child("soap:Envelope");
    root.append_attribute("xmlns:soap") = "http://schemas.xmlsoap.org/soap/envelope/";
    root.append_child("soap:Body").append_child("n").text().set("a&b \xc3\xa9");
    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">\n"
        "  <soap:Body>\n"
        "    <n>a&amp;b \xc3\xa9</n>\n"
        "  </soap:Body>\n"
        "</soap:Envelope>\n";
    EXPECT_EQ(XmlToString(doc), expected);

    const fs::path folder = MakeTempDir("xml");
    const fs::path file = folder / "out.xml";
    ASSERT_TRUE(SaveXmlFile(doc, file).ok());
    EXPECT_EQ(ReadFile(file), expected);
    pugi::xml_document back;
    ASSERT_TRUE(LoadXmlFile(file, back).ok());
    EXPECT_EQ(XmlText(back.document_element().child("soap:Body").child("n")), "a&b \xc3\xa9");

    XmlResult r = SaveXmlFile(doc, folder / "missing" / "out.xml");
    EXPECT_EQ(r.code, -1);
    EXPECT_EQ(r.text, (folder / "missing" / "out.xml").string() +
                          ": cannot create temporary file: No such file or directory");

    r = LoadXmlFile(folder / "absent.xml", back);
    EXPECT_EQ(r.text, (folder / "absent.xml").string() + ": Could not open file");
    EXPECT_FALSE(back.first_child());
}

}  // namespace
}  // namespace korvi::test
