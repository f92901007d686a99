// Reading real cards: what each fixture's mapped properties read as, which inputs are refused
// (and why), and that every prefix of a real file either reads or fails cleanly.
#include "stores/outlook/VcardParser.h"

#include <array>
#include <string>

#include <gtest/gtest.h>

#include "StoreTestSupport.h"
#include "common/TestEnv.h"
#include "stores/outlook/VcardContact.h"

namespace korvi::outlook {
namespace {

using P = ContactProperty;

struct FixtureCase {
    const char* name;
    const char* file;
    int card;  // index of the card checked
    int cardCount;
    VcardDialect dialect;
    const char* fileAs;
    const char* last;
    const char* first;
    const char* middle;
    const char* company;
    std::array<const char*, 8> slots;  // Home1 .. Fax_Bus
    const char* uid;
    bool isGroup;
};

const FixtureCase kFixtures[] = {
    {"GoogleEscapedCommaAndCell",
     "google-3.0-x-ablabel.vcf",
     0,
     1,
     VcardDialect::V30,
     "Mr. John Richter, James Doe Sr.",
     "Doe",
     "John",
     "Richter, James",
     "IBM",
     {"905-666-1234", "", "", "", "905-555-1234", "", "", ""},
     "",
     false},
    {"GoogleEveryTelKind_FirstOfEachKind",
     "google-3.0-many-tel-types.vcf",
     0,
     1,
     VcardDialect::V30,
     "VCard Test",
     "Test",
     "VCard",
     "",
     "TheCompany",
     {"5555551112", "", "5555551113", "", "5555551115", "5555551111", "5555551117", "5555551118"},
     "",
     false},
    {"GoogleGroupedTelWithoutType_IsOther",
     "google-3.0-grand-central-label.vcf",
     0,
     1,
     VcardDialect::V30,
     "Greg Dartmouth",
     "Dartmouth",
     "Greg",
     "",
     "TheCompany",
     {"", "", "", "", "555 555 1111", "555 555 2222", "", ""},
     "",
     false},
    {"Outlook2003QuotedPrintable_BareTypes",
     "outlook-2.1-quoted-printable.vcf",
     0,
     1,
     VcardDialect::V21,
     "John Doe III",
     "Doe",
     "John",
     "",
     "Company, The",
     {"HomePhone", "", "BusinessPhone", "", "MobilePhone", "", "", "BusinessFaxPhone"},
     "",
     false},
    {"Outlook2007CharsetAndPhoto",
     "outlook-2007-2.1-charset-photo.vcf",
     0,
     1,
     VcardDialect::V21,
     "Mr. Michael Angstadt Jr.",
     "Angstadt",
     "Michael",
     "",
     "TheCompany",
     {"(111) 555-2222", "", "(111) 555-1111", "", "(111) 555-4444", "", "", "(111) 555-3333"},
     "",
     false},
    {"EvolutionFoldedInsideNumbers",
     "evolution-3.0-file-as.vcf",
     0,
     1,
     VcardDialect::V30,
     "Mr. John Richter, James Doe Sr.",
     "Doe",
     "John",
     "Richter, James",
     "IBM",
     {"", "", "905-555-1234", "", "905-666-1234", "", "", ""},
     "477343c8e6bf375a9bac1f96a5000837",
     false},
    {"Rfc6350TelUris",
     "rfc6350-4.0-example.vcf",
     0,
     1,
     VcardDialect::V40,
     "Simon Perreault",
     "Perreault",
     "Simon",
     "",
     "Viagenie",
     {"", "", "+1-418-656-9254;ext=102", "", "+1-418-262-6501", "", "", ""},
     "",
     false},
    {"Utf8FoldedInsideCharacter",
     "utf8-3.0-folded-inside-character.vcf",
     0,
     1,
     VcardDialect::V30,
     "βγδεαβγδ1βγδεαβγδ1βγδεαβγδ1βγδεαβγδ1βγδεαβγδ1βγδεαβγδ1βγδεαβγδ1βγδεαβγδ1βγδεαβγδ1βγδεαβγδ1"
     "βγδεαβγδ1",
     "123ㄓㄕㄖbcdeαβγδαβγδαβγδαβγδαβγδαβγδαβㄤㄓㄕㄖ",
     "",
     "",
     "",
     {"", "", "", "", "", "", "", ""},
     "20140316T155019.877e370c11@martin",
     false},
    {"PhotoCardWithoutNumbers",
     "photo-3.0-base64-png.vcf",
     0,
     1,
     VcardDialect::V30,
     "Good Looking",
     "Looking",
     "Good",
     "",
     "",
     {"", "", "", "", "", "", "", ""},
     "pas-id-54B2522600000001",
     false},
    {"AppleWorkPrefVoice",
     "apple-3.0-show-as-company.vcf",
     0,
     1,
     VcardDialect::V30,
     "Name of Broken Card",
     "",
     "SOMENAME",
     "",
     "SOME COMPANY",
     {"", "", "(111) 111-1111", "", "", "", "", ""},
     "fe395f83-d5a6-49e3-ae22-ae0799a5aa99",
     false},
    {"AppleRepeatedLowerCaseTypes",
     "apple-3.0-item-labels.vcf",
     0,
     1,
     VcardDialect::V30,
     "Mulberry Contact",
     "Contact",
     "Mulberry",
     "",
     "Apple Inc.",
     {"555-555-5555", "", "555-555-5555", "", "", "", "", "555-555-5555"},
     "782DAAF92CB1ED1BC155CDB3@D76FAF7B10D9E8D2D41F779D",
     false},
    {"AppleGroup_IsDistributionList",
     "apple-3.0-group-x-addressbookserver.vcf",
     0,
     1,
     VcardDialect::V30,
     "Group 123",
     "Group123",
     "",
     "",
     "",
     {"", "", "", "", "", "", "", ""},
     "760d9b28-5a13-4880-b7eb-5769e6688fa3",
     true},
    {"AppleGroupDuplicateMembers_IsDistributionList",
     "apple-3.0-group-duplicate-members.vcf",
     0,
     1,
     VcardDialect::V30,
     "user02",
     "user02",
     "",
     "",
     "",
     {"", "", "", "", "", "", "", ""},
     "78b64b6b-80b9-4b8a-bd81-8f36645d8bbf",
     true},
    {"OrganisationOnly",
     "org-only-4.0-kind-org.vcf",
     0,
     1,
     VcardDialect::V40,
     "ACME Inc.",
     "",
     "",
     "",
     "ACME Inc.",
     {"", "", "", "", "", "", "", ""},
     "429A43AB-52F2-4714-AA62-077528A12464",
     false},
    {"Rfc2426SecondCard",
     "rfc2426-3.0-two-cards.vcf",
     1,
     2,
     VcardDialect::V30,
     "Tim Howes",
     "",
     "",
     "",
     "Netscape Communications Corp.",
     {"", "", "+1-415-937-3419", "", "", "", "", "+1-415-528-4164"},
     "",
     false},
    {"AndroidQuotedPrintableFourthCard",
     "android-2.1-quoted-printable-utf8.vcf",
     3,
     5,
     VcardDialect::V21,
     "Dr. med. Surname Name",
     "Name",
     "Surname",
     "",
     "",
     {"", "", "", "", "", "", "", ""},
     "b4fc4930-043f-446a-9a76-cf0b548368d8",
     false},
    {"EvolutionNoVersion_BareFn",
     "evolution-2.1-org-only-no-version.vcf",
     0,
     1,
     VcardDialect::V21,
     "",
     "",
     "",
     "",
     "Ximian, Inc.",
     {"", "", "(617) 236-0442", "", "", "", "", "(617) 236-8630"},
     "pas-id-3E136F9B00000000",
     false},
    {"KoreanNameOnly",
     "korean-4.0-name-only.vcf",
     0,
     1,
     VcardDialect::V40,
     "최유림",
     "",
     "",
     "",
     "",
     {"", "", "", "", "", "", "", ""},
     "",
     false},
    {"KAddressBookExtensions",
     "kaddressbook-3.0-x-properties.vcf",
     0,
     1,
     VcardDialect::V30,
     "My Name",
     "Name",
     "My",
     "",
     "",
     {"", "", "", "", "", "", "", ""},
     "628d6072-5385-41d3-ad45-cb79a3afa987",
     false},
};

class FixtureReadTest : public testing::TestWithParam<FixtureCase> {};

TEST_P(FixtureReadTest, MappedPropertiesReadAsWritten) {
    KORVI_SKIP_WITHOUT_FIXTURES();
    const FixtureCase& c = GetParam();
    VcardFile file;
    std::string error;
    ASSERT_TRUE(ParseVcardFile(test::ReadFile(test::VcardFixture(c.file)), file, error)) << error;
    ASSERT_EQ(static_cast<int>(file.cards.size()), c.cardCount);
    const VcardCard& card = file.cards[c.card];
    EXPECT_EQ(card.problem, "");
    EXPECT_EQ(card.dialect, c.dialect);
    CardFields f;
    ASSERT_TRUE(ReadCardFields(card, f, error)) << error;
    auto prop = [&](P p) { return f.props[static_cast<int>(p)]; };
    EXPECT_EQ(prop(P::FileAs), c.fileAs);
    EXPECT_EQ(prop(P::LastName), c.last);
    EXPECT_EQ(prop(P::FirstName), c.first);
    EXPECT_EQ(prop(P::MiddleName), c.middle);
    EXPECT_EQ(prop(P::CompanyName), c.company);
    for (int s = 0; s < 8; ++s)
        EXPECT_EQ(prop(kSlotProperties[s]), c.slots[s]) << NumberTypeName(s);
    EXPECT_EQ(f.uid, c.uid);
    EXPECT_EQ(f.isGroup, c.isGroup);
}

TEST_P(FixtureReadTest, UnchangedAmendKeepsEveryByte) {
    KORVI_SKIP_WITHOUT_FIXTURES();
    const FixtureCase& c = GetParam();
    const std::string text = test::ReadFile(test::VcardFixture(c.file));
    VcardFile file;
    std::string error;
    ASSERT_TRUE(ParseVcardFile(text, file, error)) << error;
    CardFields f;
    ASSERT_TRUE(ReadCardFields(file.cards[c.card], f, error));
    // Writing back what was read changes nothing.
    CardChanges changes;
    for (int p = 0; p < kContactPropertyCount; ++p) changes.values[p] = f.props[p];
    std::string out;
    ASSERT_TRUE(EditCard(file, file.cards[c.card], changes, out, error)) << error;
    const VcardCard& card = file.cards[c.card];
    EXPECT_EQ(out, text.substr(card.begin, card.end - card.begin));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureReadTest, testing::ValuesIn(kFixtures),
                         [](const auto& info) { return std::string(info.param.name); });

struct BadFileCase {
    const char* name;
    std::string text;
    const char* error;  // start of the reason
};

const BadFileCase kBadFiles[] = {
    {"Empty_Refused", "", "empty file"},
    {"OnlyBlankLines_Refused", "\r\n\n  \n", "empty file"},
    {"NulByte_RefusedAsBinary", std::string("BEGIN:VCARD\r\nFN:A\0B\r\nEND:VCARD\r\n", 30),
     "binary data"},
    {"PlainText_RefusedAsNotVcard", "hello world\n", "not a vCard: no BEGIN:VCARD at line 1"},
    {"NoEnd_RefusedAsTruncated", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Cut",
     "truncated: the card at line 1 has no END:VCARD"},
    {"CutInsideFold_RefusedAsTruncated", "BEGIN:VCARD\nVERSION:3.0\nNOTE:abc\n de", "truncated"},
    {"TextAfterCard_Refused", "BEGIN:VCARD\nFN:A\nEND:VCARD\ngarbage\n",
     "unexpected text after a card at line 4"},
};

class BadFileTest : public testing::TestWithParam<BadFileCase> {};

TEST_P(BadFileTest, RefusedWithReason) {
    VcardFile file;
    std::string error;
    EXPECT_FALSE(ParseVcardFile(GetParam().text, file, error));
    EXPECT_EQ(error.rfind(GetParam().error, 0), 0u) << error;
}

INSTANTIATE_TEST_SUITE_P(Parser, BadFileTest, testing::ValuesIn(kBadFiles),
                         [](const auto& info) { return std::string(info.param.name); });

struct BadCardCase {
    const char* name;
    std::string card;
    const char* problem;
};

const BadCardCase kBadCards[] = {
    {"InvalidUtf8_Skipped", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:M\xC3\x28ller\r\nEND:VCARD\r\n",
     "invalid UTF-8 in line 7"},
    {"BadPropertyName_Skipped", "BEGIN:VCARD\nVERSION:3.0\nF?N:x\nEND:VCARD\n", "malformed line 7"},
    {"UnknownVersion_Skipped", "BEGIN:VCARD\nVERSION:5.0\nFN:x\nEND:VCARD\n",
     "unsupported vCard version 5.0"},
    {"OpenQuoteInAParameter_Skipped",
     "BEGIN:VCARD\nVERSION:4.0\nFN:x\nTEL;TYPE=\"work,cell:tel:+49 170\nEND:VCARD\n",
     "malformed line 8"},
};

class BadCardTest : public testing::TestWithParam<BadCardCase> {};

TEST_P(BadCardTest, OtherCardsOfTheFileStillRead) {
    const std::string good = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Good\r\nEND:VCARD\r\n";
    VcardFile file;
    std::string error;
    ASSERT_TRUE(ParseVcardFile(good + GetParam().card + good, file, error)) << error;
    ASSERT_EQ(file.cards.size(), 3u);
    EXPECT_EQ(file.cards[0].problem, "");
    EXPECT_EQ(file.cards[2].problem, "");
    // Lines are counted from the start of the file.
    EXPECT_EQ(file.cards[1].problem, GetParam().problem);
}

INSTANTIATE_TEST_SUITE_P(Parser, BadCardTest, testing::ValuesIn(kBadCards),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(VcardDecodeTest, CharsetsAndQuotedPrintableBecomeUtf8) {
    const std::string text =
        "BEGIN:VCARD\r\nVERSION:2.1\r\n"
        "FN;CHARSET=ISO-8859-1:M\xFCller\r\n"
        "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:M=C3=BCller;J=C3=B6=\r\nrg;;;\r\n"
        "ORG;QUOTED-PRINTABLE:Caf=E9 =\r\nAG\r\n"
        "END:VCARD\r\n";
    VcardFile file;
    std::string error;
    ASSERT_TRUE(ParseVcardFile(text, file, error)) << error;
    CardFields f;
    // A quoted-printable value without a character set is taken as UTF-8: =E9 alone is not.
    EXPECT_FALSE(ReadCardFields(file.cards[0], f, error));
    EXPECT_EQ(error, "invalid UTF-8 in line 6");

    const std::string fixed = text.substr(0, text.find("ORG")) + "END:VCARD\r\n";
    ASSERT_TRUE(ParseVcardFile(fixed, file, error)) << error;
    ASSERT_TRUE(ReadCardFields(file.cards[0], f, error)) << error;
    EXPECT_EQ(f.props[static_cast<int>(P::FileAs)], "Müller");
    EXPECT_EQ(f.props[static_cast<int>(P::LastName)], "Müller");
    EXPECT_EQ(f.props[static_cast<int>(P::FirstName)], "Jörg");
}

TEST(VcardDecodeTest, TypeSpellingsOfEveryVersion) {
    const std::string text =
        "BEGIN:VCARD\nVERSION:3.0\nFN:T\n"
        "TEL;HOME;VOICE:1\n"                // 2.1 bare values
        "TEL;TYPE=\"work,voice\":2\n"       // 4.0 quoted list
        "TEL;type=CELL;type=pref:3\n"       // repeated lower-case parameter
        "item1.TEL;TYPE=home;TYPE=fax:4\n"  // grouped, one TYPE per value
        "TEL;TYPE=WORK,FAX:5\n"
        "TEL;X-FOO=\"a;b:c\";TYPE=PAGER:6\n"  // quoted parameter with ; and :
        "END:VCARD\n";
    VcardFile file;
    std::string error;
    ASSERT_TRUE(ParseVcardFile(text, file, error)) << error;
    CardFields f;
    ASSERT_TRUE(ReadCardFields(file.cards[0], f, error)) << error;
    const std::array<const char*, 8> expected = {"1", "", "2", "", "3", "6", "4", "5"};
    for (int s = 0; s < 8; ++s)
        EXPECT_EQ(f.props[static_cast<int>(kSlotProperties[s])], expected[s]) << NumberTypeName(s);
}

// Every prefix of a real card file reads or is refused; none crashes, and one that reads
// gives back its bytes unchanged.
TEST(VcardTruncationTest, EveryPrefixReadsOrFailsCleanly) {
    KORVI_SKIP_WITHOUT_FIXTURES();
    for (const char* name : {"evolution-3.0-file-as.vcf", "outlook-2.1-quoted-printable.vcf",
                             "android-2.1-quoted-printable-utf8.vcf"}) {
        const std::string text = test::ReadFile(test::VcardFixture(name));
        int read = 0;
        for (std::size_t n = 0; n <= text.size(); n += (n % 97 == 0) ? 1 : 3) {
            VcardFile file;
            std::string error;
            if (!ParseVcardFile(text.substr(0, n), file, error)) {
                EXPECT_FALSE(error.empty());
                continue;
            }
            ++read;
            for (const auto& card : file.cards) {
                CardFields f;
                if (card.problem.empty()) (void)ReadCardFields(card, f, error);  // must not crash
            }
        }
        EXPECT_GT(read, 0) << name;
    }
}

}  // namespace
}  // namespace korvi::outlook
