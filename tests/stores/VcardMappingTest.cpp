// Writing cards: the eight number slots read back into the slots they were written from in
// every combination and every change between two combinations; an amend of a real card changes
// only the mapped lines; what new cards look like.
#include "stores/outlook/VcardContact.h"

#include <array>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "StoreTestSupport.h"
#include "common/TestEnv.h"
#include "stores/outlook/VcardParser.h"

namespace korvi::outlook {
namespace {

using P = ContactProperty;

std::string SlotNumber(int slot, int variant = 0) {
    return "0" + std::to_string(30 + slot) + std::to_string(1000 + variant);
}

ContactProps PropsForMask(int mask, int variant = 0) {
    ContactProps props;
    props[static_cast<int>(P::FileAs)] = "Slot Test";
    props[static_cast<int>(P::LastName)] = "Test";
    props[static_cast<int>(P::FirstName)] = "Slot";
    for (int s = 0; s < 8; ++s)
        if (mask & (1 << s)) props[static_cast<int>(kSlotProperties[s])] = SlotNumber(s, variant);
    return props;
}

CardFields ReadOne(const std::string& text) {
    VcardFile file;
    std::string error;
    EXPECT_TRUE(ParseVcardFile(text, file, error)) << error;
    CardFields f;
    if (file.cards.empty()) return f;
    EXPECT_EQ(file.cards[0].problem, "");
    EXPECT_TRUE(ReadCardFields(file.cards[0], f, error)) << error;
    return f;
}

std::string SlotsText(const ContactProps& props) {
    std::string out;
    for (int s = 0; s < 8; ++s)
        out += std::string(NumberTypeName(s)) + "=" + props[static_cast<int>(kSlotProperties[s])] +
               " ";
    return out;
}

// Sets every slot to what mask b holds (empty for the others) on the card `text`.
std::string Amend(const std::string& text, int mask, int variant) {
    VcardFile file;
    std::string error;
    EXPECT_TRUE(ParseVcardFile(text, file, error)) << error;
    CardChanges changes;
    ContactProps want = PropsForMask(mask, variant);
    for (int s = 0; s < 8; ++s)
        changes.values[static_cast<int>(kSlotProperties[s])] =
            want[static_cast<int>(kSlotProperties[s])];
    std::string out;
    EXPECT_TRUE(EditCard(file, file.cards[0], changes, out, error)) << error;
    return out;
}

TEST(SlotRoundTripTest, NewCardReadsBackEverySlotCombination) {
    for (int mask = 0; mask < 256; ++mask) {
        ContactProps props = PropsForMask(mask);
        CardFields f = ReadOne(NewCardText(props, "uid-1"));
        ASSERT_EQ(SlotsText(f.props), SlotsText(props)) << "mask " << mask;
    }
}

// From every combination: each slot added or removed alone, all of them changed at once (which
// swaps a lone first number for a lone second one), all removed, all set.
TEST(SlotRoundTripTest, AmendFromEveryCombination) {
    for (int from = 0; from < 256; ++from) {
        const std::string card = NewCardText(PropsForMask(from), "uid-1");
        std::vector<int> targets = {0, 255, 255 & ~from};
        for (int bit = 0; bit < 8; ++bit) targets.push_back(from ^ (1 << bit));
        for (int to : targets) {
            CardFields f = ReadOne(Amend(card, to, 1));
            ASSERT_EQ(SlotsText(f.props), SlotsText(PropsForMask(to, 1)))
                << "from " << from << " to " << to;
        }
    }
}

// Cards of other programs mark no second slot: a second HOME or WORK line is the second slot,
// and keeps being read so after the first one goes.
TEST(SlotRoundTripTest, ForeignCardsWithUnmarkedSecondNumbers) {
    KORVI_SKIP_WITHOUT_FIXTURES();
    const std::string khardStyle =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:k1\r\nFN:Anna Berg\r\nN:Berg;Anna;;;\r\n"
        "TEL;TYPE=home:0301111\r\nTEL;TYPE=home:0302222\r\nTEL;TYPE=work:0403333\r\n"
        "TEL;TYPE=work:0404444\r\nEND:VCARD\r\n";
    const std::string outlook21 =
        test::ReadFile(test::VcardFixture("outlook-2.1-quoted-printable.vcf"));
    for (const std::string* card : {&khardStyle, &outlook21}) {
        for (int to = 0; to < 256; ++to) {
            const std::string amended = Amend(*card, to, 2);
            CardFields f = ReadOne(amended);
            ASSERT_EQ(SlotsText(f.props), SlotsText(PropsForMask(to, 2))) << "to " << to << "\n"
                                                                          << amended;
        }
    }
}

TEST(SlotRoundTripTest, DeletingTheFirstHomeNumberMarksTheSecond) {
    const std::string card =
        "BEGIN:VCARD\nVERSION:3.0\nFN:A\nTEL;TYPE=home:1\nTEL;TYPE=\"home,voice\":2\nEND:VCARD\n";
    VcardFile file;
    std::string error;
    ASSERT_TRUE(ParseVcardFile(card, file, error));
    CardChanges changes;
    changes.values[static_cast<int>(P::HomeTelephoneNumber)] = "";
    std::string out;
    ASSERT_TRUE(EditCard(file, file.cards[0], changes, out, error));
    EXPECT_EQ(out,
              "BEGIN:VCARD\nVERSION:3.0\nFN:A\nTEL;TYPE=\"home,voice,x-home2\":2\nEND:VCARD\n");
}

// A card with more numbers than slots: every kind twice, HOME and WORK three times. The extra
// lines (values starting with "x") are never read into a slot, also not after the sync empties
// the slot they would move up into, and never change.
const std::string kCrowdedCard =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:c1\r\nFN:Crowded\r\n"
    "TEL;TYPE=home:h1\r\nTEL;TYPE=home:h2\r\nTEL;TYPE=home:xh3\r\n"
    "TEL;TYPE=work:w1\r\nTEL;TYPE=work:w2\r\nTEL;TYPE=work:xw3\r\n"
    "TEL;TYPE=cell:c1\r\nTEL;TYPE=cell:xc2\r\n"
    "TEL;TYPE=voice:o1\r\nTEL;TYPE=pager:xo2\r\nTEL;TYPE=main:xo3\r\n"
    "TEL;TYPE=home,fax:fh1\r\nTEL;TYPE=home,fax:xfh2\r\n"
    "TEL;TYPE=work,fax:fb1\r\nTEL;TYPE=work,fax:xfb2\r\n"
    "EMAIL:c@example.com\r\nEND:VCARD\r\n";

std::vector<std::string> ExtraLines(const std::string& card) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < card.size()) {
        std::size_t end = card.find("\r\n", start);
        std::string line = card.substr(start, end - start);
        if (line.rfind("TEL", 0) == 0 && line.find(":x") != std::string::npos)
            lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

TEST(SlotRoundTripTest, ClearedSlotsStayClearedBesideExtraNumbers) {
    const std::vector<std::string> extras = ExtraLines(kCrowdedCard);
    ASSERT_EQ(extras.size(), 7u);
    for (int to = 0; to < 256; ++to) {
        // There and back again, and once more: marks from one write must not confuse the next.
        std::string card = kCrowdedCard;
        for (int step = 1; step <= 3; ++step) {
            const int mask = step == 2 ? (~to & 255) : to;
            card = Amend(card, mask, step);
            CardFields f = ReadOne(card);
            ASSERT_EQ(SlotsText(f.props), SlotsText(PropsForMask(mask, step)))
                << "to " << to << " step " << step << "\n"
                << card;
            ASSERT_EQ(ExtraLines(card), extras) << "to " << to << " step " << step;
        }
    }
}

struct ClearCase {
    const char* name;
    std::string card;
    P slot;
    std::string expected;  // the whole card after the slot was emptied
};

const ClearCase kClears[] = {
    {"SecondCell_StaysOutOfMob",
     "BEGIN:VCARD\nVERSION:3.0\nFN:A\nTEL;TYPE=cell:1\nTEL;TYPE=cell:2\nEND:VCARD\n",
     P::MobileTelephoneNumber,
     "BEGIN:VCARD\nVERSION:3.0\nFN:A\nX-KORVI-CLEARED:Mob 370cabd5\nTEL;TYPE=cell:2\nEND:VCARD\n"},
    {"PagerBesideVoice_StaysOutOfOther",
     "BEGIN:VCARD\nVERSION:3.0\nFN:A\nTEL;TYPE=voice:1\nTEL;TYPE=pager:2\nEND:VCARD\n",
     P::OtherTelephoneNumber,
     "BEGIN:VCARD\nVERSION:3.0\nFN:A\nX-KORVI-CLEARED:Other 370cabd5\nTEL;TYPE=pager:2\n"
     "END:VCARD\n"},
    {"ThirdHome_StaysOutOfHome1_SecondKeepsHome2",
     "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:A\r\nTEL;HOME:1\r\nTEL;HOME:2\r\nTEL;HOME:3\r\n"
     "END:VCARD\r\n",
     P::HomeTelephoneNumber,
     "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:A\r\nX-KORVI-CLEARED:Home1 360caa42\r\n"
     "TEL;HOME;X-HOME2:2\r\nTEL;HOME:3\r\nEND:VCARD\r\n"},
    {"ThirdWork_StaysOutOfBus2",
     "BEGIN:VCARD\nVERSION:4.0\nFN:A\nTEL;TYPE=work:1\nTEL;TYPE=work:2\nTEL;TYPE=work:3\n"
     "END:VCARD\n",
     P::Business2TelephoneNumber,
     "BEGIN:VCARD\nVERSION:4.0\nFN:A\nTEL;TYPE=work:1\nX-KORVI-CLEARED:Bus2 360caa42\n"
     "TEL;TYPE=work:3\nEND:VCARD\n"},
    {"NoOtherLineOfTheKind_LineJustGoes",
     "BEGIN:VCARD\nVERSION:3.0\nFN:A\nTEL;TYPE=cell:1\nTEL;TYPE=home:2\nEND:VCARD\n",
     P::MobileTelephoneNumber, "BEGIN:VCARD\nVERSION:3.0\nFN:A\nTEL;TYPE=home:2\nEND:VCARD\n"},
};

void PrintTo(const ClearCase& c, std::ostream* os) { *os << c.name; }

class ClearTest : public testing::TestWithParam<ClearCase> {};

TEST_P(ClearTest, WritesExactlyAndReadsBackEmpty) {
    const ClearCase& c = GetParam();
    VcardFile file;
    std::string error;
    ASSERT_TRUE(ParseVcardFile(c.card, file, error)) << error;
    CardFields before;
    ASSERT_TRUE(ReadCardFields(file.cards[0], before, error)) << error;
    CardChanges changes;
    changes.values[static_cast<int>(c.slot)] = "";
    std::string out;
    ASSERT_TRUE(EditCard(file, file.cards[0], changes, out, error)) << error;
    EXPECT_EQ(out, c.expected);
    CardFields after = ReadOne(out);
    before.props[static_cast<int>(c.slot)].clear();
    EXPECT_EQ(after.props, before.props);
}

INSTANTIATE_TEST_SUITE_P(Mapping, ClearTest, testing::ValuesIn(kClears),
                         [](const auto& info) { return std::string(info.param.name); });

// The mark keeps out only the line it names: once that line is gone or holds another number,
// a number of that kind fills the slot again, and a later write drops the mark.
TEST(SlotRoundTripTest, AClearedSlotMarkNamesOneLine) {
    const std::string cleared =
        "BEGIN:VCARD\nVERSION:3.0\nFN:A\nX-KORVI-CLEARED:Mob 370cabd5\nTEL;TYPE=cell:2\n"
        "END:VCARD\n";
    EXPECT_EQ(ReadOne(cleared).props[static_cast<int>(P::MobileTelephoneNumber)], "");
    const std::string edited =
        "BEGIN:VCARD\nVERSION:3.0\nFN:A\nX-KORVI-CLEARED:Mob 370cabd5\nTEL;TYPE=cell:3\n"
        "END:VCARD\n";
    EXPECT_EQ(ReadOne(edited).props[static_cast<int>(P::MobileTelephoneNumber)], "3");
    VcardFile file;
    std::string error;
    ASSERT_TRUE(ParseVcardFile(edited, file, error)) << error;
    CardChanges changes;
    changes.values[static_cast<int>(P::HomeTelephoneNumber)] = "4";
    std::string out;
    ASSERT_TRUE(EditCard(file, file.cards[0], changes, out, error)) << error;
    EXPECT_EQ(out,
              "BEGIN:VCARD\nVERSION:3.0\nFN:A\nTEL;TYPE=cell:3\nTEL;TYPE=home,voice:4\n"
              "END:VCARD\n");
}

struct AmendFixture {
    const char* name;
    const char* file;
    int card;
};

const AmendFixture kAmendFixtures[] = {
    {"Google", "google-3.0-x-ablabel.vcf", 0},
    {"GoogleManyTels", "google-3.0-many-tel-types.vcf", 0},
    {"GoogleGroupedTel", "google-3.0-grand-central-label.vcf", 0},
    {"Outlook2003", "outlook-2.1-quoted-printable.vcf", 0},
    {"Outlook2007Photo", "outlook-2007-2.1-charset-photo.vcf", 0},
    {"Evolution", "evolution-3.0-file-as.vcf", 0},
    {"EvolutionNoVersion", "evolution-2.1-org-only-no-version.vcf", 0},
    {"Rfc6350", "rfc6350-4.0-example.vcf", 0},
    {"Rfc2426", "rfc2426-3.0-two-cards.vcf", 1},
    {"Apple", "apple-3.0-item-labels.vcf", 0},
    {"AppleCompany", "apple-3.0-show-as-company.vcf", 0},
    {"Photo", "photo-3.0-base64-png.vcf", 0},
    {"KAddressBook", "kaddressbook-3.0-x-properties.vcf", 0},
    {"Android", "android-2.1-quoted-printable-utf8.vcf", 3},
    {"Utf8Folded", "utf8-3.0-folded-inside-character.vcf", 0},
};

class FixtureAmendTest : public testing::TestWithParam<AmendFixture> {};

struct RawLines {
    std::vector<std::string> other;  // every line but FN, N, ORG and the mapped TELs
    std::vector<std::string> tels;
};

RawLines Split(const VcardFile& file, const VcardCard& card, int skipTel) {
    RawLines out;
    std::vector<TelKind> kinds(card.lines.size());
    for (std::size_t i = 0; i < card.lines.size(); ++i) {
        kinds[i].isTel = card.lines[i].name == "TEL" && !card.lines[i].nested;
        kinds[i].types = card.lines[i].Types();
    }
    auto slots = AssignTelSlots(kinds);
    for (std::size_t i = 0; i < card.lines.size(); ++i) {
        const VcardLine& l = card.lines[i];
        std::string raw = file.text.substr(l.begin, l.end - l.begin);
        if (l.name == "FN" || l.name == "N") continue;
        if (l.name == "TEL") {
            if (skipTel < 0 || static_cast<int>(i) != slots[skipTel]) out.tels.push_back(raw);
            continue;
        }
        out.other.push_back(raw);
    }
    return out;
}

// Load, amend the mobile number and the names, write: every line that is not FN, N or the
// mobile's TEL is unchanged, byte for byte and in its place.
TEST_P(FixtureAmendTest, OnlyMappedLinesChange) {
    KORVI_SKIP_WITHOUT_FIXTURES();
    const AmendFixture& c = GetParam();
    VcardFile file;
    std::string error;
    ASSERT_TRUE(ParseVcardFile(test::ReadFile(test::VcardFixture(c.file)), file, error)) << error;
    const VcardCard& card = file.cards[c.card];
    CardFields before;
    ASSERT_TRUE(ReadCardFields(card, before, error)) << error;

    CardChanges changes;
    changes.values[static_cast<int>(P::MobileTelephoneNumber)] = "+49 170 7654321";
    changes.values[static_cast<int>(P::FileAs)] = "Zoë Example";
    changes.values[static_cast<int>(P::FirstName)] = "Zoë";
    changes.values[static_cast<int>(P::LastName)] = "Example";
    std::string out;
    ASSERT_TRUE(EditCard(file, card, changes, out, error)) << error;

    VcardFile written;
    ASSERT_TRUE(ParseVcardFile(out, written, error)) << error;
    ASSERT_EQ(written.cards.size(), 1u);
    CardFields after;
    ASSERT_TRUE(ReadCardFields(written.cards[0], after, error)) << error;
    EXPECT_EQ(after.props[static_cast<int>(P::MobileTelephoneNumber)], "+49 170 7654321");
    EXPECT_EQ(after.props[static_cast<int>(P::FileAs)], "Zoë Example");
    EXPECT_EQ(after.props[static_cast<int>(P::FirstName)], "Zoë");
    EXPECT_EQ(after.props[static_cast<int>(P::LastName)], "Example");
    EXPECT_EQ(after.props[static_cast<int>(P::MiddleName)],
              before.props[static_cast<int>(P::MiddleName)]);
    EXPECT_EQ(after.props[static_cast<int>(P::CompanyName)],
              before.props[static_cast<int>(P::CompanyName)]);
    for (int s = 0; s < 8; ++s) {
        if (s == kMob) continue;
        EXPECT_EQ(after.props[static_cast<int>(kSlotProperties[s])],
                  before.props[static_cast<int>(kSlotProperties[s])]);
    }

    RawLines old = Split(file, card, kMob);
    RawLines now = Split(written, written.cards[0], kMob);
    EXPECT_EQ(now.other, old.other);
    EXPECT_EQ(now.tels, old.tels);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureAmendTest, testing::ValuesIn(kAmendFixtures),
                         [](const auto& info) { return std::string(info.param.name); });

struct EditCase {
    const char* name;
    std::string card;
    P property;
    std::string value;
    std::string expected;  // the whole card after the edit
};

const EditCase kEdits[] = {
    {"TelUriKeepsItsScheme",
     "BEGIN:VCARD\nVERSION:4.0\nFN:S\nTEL;VALUE=uri;TYPE=\"work,voice\":tel:+1-418\nEND:VCARD\n",
     P::BusinessTelephoneNumber, "+1-999",
     "BEGIN:VCARD\nVERSION:4.0\nFN:S\nTEL;VALUE=uri;TYPE=\"work,voice\":tel:+1-999\nEND:VCARD\n"},
    {"Version21NonAsciiNamesItsCharset", "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Joe\r\nEND:VCARD\r\n",
     P::FileAs, "Jörg", "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=UTF-8:Jörg\r\nEND:VCARD\r\n"},
    {"Version21QuotedPrintableStaysQuotedPrintable",
     "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:J=F6rg\r\n"
     "END:VCARD\r\n",
     P::FileAs, "Jörg Müller",
     "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:J=C3=B6rg "
     "M=C3=BCller\r\nEND:VCARD\r\n"},
    {"Version30EscapesSpecialCharacters", "BEGIN:VCARD\nVERSION:3.0\nFN:x\nN:a;b;;;\nEND:VCARD\n",
     P::LastName, "O'Neil, Jr; \\x",
     "BEGIN:VCARD\nVERSION:3.0\nFN:x\nN:O'Neil\\, Jr\\; \\\\x;b;;;\nEND:VCARD\n"},
    {"CompanyRemovedWithItsLine", "BEGIN:VCARD\nVERSION:3.0\nFN:x\nORG:Apple Inc.;\nEND:VCARD\n",
     P::CompanyName, "", "BEGIN:VCARD\nVERSION:3.0\nFN:x\nEND:VCARD\n"},
    {"EmptyCompanyKeepsDepartment", "BEGIN:VCARD\nVERSION:3.0\nFN:x\nORG:IBM;Acc\nEND:VCARD\n",
     P::CompanyName, "", "BEGIN:VCARD\nVERSION:3.0\nFN:x\nORG:;Acc\nEND:VCARD\n"},
    {"GroupedTelKeepsItsGroup",
     "BEGIN:VCARD\nVERSION:3.0\nFN:x\nitem1.TEL:1\nitem1.X-ABLabel:GC\nEND:VCARD\n",
     P::OtherTelephoneNumber, "2",
     "BEGIN:VCARD\nVERSION:3.0\nFN:x\nitem1.TEL:2\nitem1.X-ABLabel:GC\nEND:VCARD\n"},
    {"NewNumberGoesAfterTheLastTel",
     "BEGIN:VCARD\nVERSION:3.0\nFN:x\nTEL;TYPE=CELL:1\nEMAIL:a@b\nEND:VCARD\n",
     P::Home2TelephoneNumber, "2",
     "BEGIN:VCARD\nVERSION:3.0\nFN:x\nTEL;TYPE=CELL:1\nTEL;TYPE=home,voice,x-home2:2\nEMAIL:a@b\n"
     "END:VCARD\n"},
    {"MissingNameIsAdded", "BEGIN:VCARD\nVERSION:4.0\nFN:x\nEND:VCARD", P::FirstName, "Ann",
     "BEGIN:VCARD\nVERSION:4.0\nFN:x\nN:;Ann;;;\nEND:VCARD"},
    {"NumberBeginningWithTelSchemeKeepsIt", "BEGIN:VCARD\nVERSION:4.0\nFN:S\nEND:VCARD\n",
     P::OtherTelephoneNumber, "tel:+1-418",
     "BEGIN:VCARD\nVERSION:4.0\nFN:S\nTEL;TYPE=voice:tel:tel:+1-418\nEND:VCARD\n"},
    {"Version21BackslashBeforeAnEscapeLetterIsDoubled",
     "BEGIN:VCARD\r\nVERSION:2.1\r\nN:x;y\r\nFN:x\r\nEND:VCARD\r\n", P::LastName, "C:\\new\\temp\\",
     "BEGIN:VCARD\r\nVERSION:2.1\r\nN:C:\\\\new\\temp\\\\;y;;;\r\nFN:x\r\nEND:VCARD\r\n"},
    {"CompanyClearedBeforeASecondOrgKeepsItsLine",
     "BEGIN:VCARD\nVERSION:3.0\nFN:x\nORG:A\nORG:B\nEND:VCARD\n", P::CompanyName, "",
     "BEGIN:VCARD\nVERSION:3.0\nFN:x\nORG:\nORG:B\nEND:VCARD\n"},
    {"LongNameFoldsOutsideCharacters", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:x\r\nEND:VCARD\r\n",
     P::FileAs, std::string(70, 'a') + "äöü",
     "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + std::string(70, 'a') + "ä\r\n öü\r\nEND:VCARD\r\n"},
};

class EditTest : public testing::TestWithParam<EditCase> {};

TEST_P(EditTest, WritesExactly) {
    const EditCase& c = GetParam();
    VcardFile file;
    std::string error;
    ASSERT_TRUE(ParseVcardFile(c.card, file, error)) << error;
    CardChanges changes;
    changes.values[static_cast<int>(c.property)] = c.value;
    std::string out;
    ASSERT_TRUE(EditCard(file, file.cards[0], changes, out, error)) << error;
    EXPECT_EQ(out, c.expected);
    CardFields f = ReadOne(out);
    EXPECT_EQ(f.props[static_cast<int>(c.property)], c.value);
}

INSTANTIATE_TEST_SUITE_P(Mapping, EditTest, testing::ValuesIn(kEdits),
                         [](const auto& info) { return std::string(info.param.name); });

// The text-only interface for stores that hold one card per resource.
TEST(SingleCardTest, EditsTheOnlyCardAndRefusesSeveral) {
    const std::string text =
        "\xEF\xBB\xBF"
        "BEGIN:VCARD\nVERSION:3.0\nFN:A\nTEL:1\nEND:VCARD\n\n";
    CardChanges changes;
    changes.values[static_cast<int>(P::OtherTelephoneNumber)] = "2";
    std::string out, error;
    ASSERT_TRUE(EditSingleCard(text, changes, out, error)) << error;
    EXPECT_EQ(out,
              "\xEF\xBB\xBF"
              "BEGIN:VCARD\nVERSION:3.0\nFN:A\nTEL:2\nEND:VCARD\n\n");
    CardFields f;
    ASSERT_TRUE(ReadSingleCard(out, f, error)) << error;
    EXPECT_EQ(f.props[static_cast<int>(P::OtherTelephoneNumber)], "2");

    EXPECT_FALSE(ReadSingleCard(text + "BEGIN:VCARD\nVERSION:3.0\nFN:B\nEND:VCARD\n", f, error));
    EXPECT_EQ(error, "the text holds more than one card");
    EXPECT_FALSE(EditSingleCard("BEGIN:VCARD\nVERSION:9.9\nEND:VCARD\n", changes, out, error));
    EXPECT_EQ(error, "unsupported vCard version 9.9");
}

TEST(NewCardTest, Version30WithUidNameNumbersAndOurProdId) {
    ContactProps props;
    props[static_cast<int>(P::FileAs)] = "Berg, Anna";
    props[static_cast<int>(P::LastName)] = "Berg";
    props[static_cast<int>(P::FirstName)] = "Anna";
    props[static_cast<int>(P::HomeTelephoneNumber)] = "0301111";
    props[static_cast<int>(P::Business2TelephoneNumber)] = "0402222";
    props[static_cast<int>(P::MobileTelephoneNumber)] = "0170333";
    props[static_cast<int>(P::BusinessFaxNumber)] = "0404444";
    EXPECT_EQ(NewCardText(props, "0c9a3f2e-1b2d-4c5e-8f90-123456789abc"),
              "BEGIN:VCARD\r\n"
              "VERSION:3.0\r\n"
              "PRODID:-//Korvi//Korvi Communicator 1.1.17//EN\r\n"
              "UID:0c9a3f2e-1b2d-4c5e-8f90-123456789abc\r\n"
              "FN:Berg\\, Anna\r\n"
              "N:Berg;Anna;;;\r\n"
              "TEL;TYPE=home,voice:0301111\r\n"
              "TEL;TYPE=work,voice,x-work2:0402222\r\n"
              "TEL;TYPE=cell:0170333\r\n"
              "TEL;TYPE=work,fax:0404444\r\n"
              "END:VCARD\r\n");
}

TEST(NewCardTest, UidAddedAfterVersionOfACardWithoutOne) {
    const std::string card = "BEGIN:vCard\nVERSION:3.0\nFN:Frank\nEND:vCard\n";
    VcardFile file;
    std::string error;
    ASSERT_TRUE(ParseVcardFile(card, file, error));
    CardChanges changes;
    changes.addUid = "u-1";
    std::string out;
    ASSERT_TRUE(EditCard(file, file.cards[0], changes, out, error));
    EXPECT_EQ(out, "BEGIN:vCard\nVERSION:3.0\nUID:u-1\nFN:Frank\nEND:vCard\n");
}

}  // namespace
}  // namespace korvi::outlook
