#include "model/ContactMatcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "model/CappedNameDistance.h"
#include "model/ContactCompare.h"
#include "model/NameIndex.h"

namespace korvi {
namespace {

TContactList ListOf(std::vector<TContact> contacts) {
    TContactList list;
    for (auto& c : contacts) list.push_back(std::make_unique<TContact>(std::move(c)));
    return list;
}

TContact Ids(int32_t contactId, std::string entryId, std::string first = "F",
             std::string last = "L") {
    TContact c;
    c.contactId = contactId;
    c.entryId = std::move(entryId);
    c.firstName = std::move(first);
    c.lastName = std::move(last);
    return c;
}

struct Found {
    int result;
    int index;
};

Found MatcherFind(const ContactMatcher& m, TContact a) {
    int index = -2;
    const int result = m.Find(a, index, false);
    return {result, index};
}

TEST(ContactMatcherTest, FirstOccurrenceOfAnIdWins) {
    TContactList list = ListOf(
        {Ids(5, "x", "A"), Ids(6, "", "B"), Ids(5, "y", "C"), Ids(7, "", "D"), Ids(6, "x", "E")});
    list.insert(list.begin(), nullptr);
    const ContactMatcher byId(eMatch_ContactId, list);
    const ContactMatcher byEntry(eMatch_EntryId, list);

    const auto five = MatcherFind(byId, Ids(5, "", "C"));
    EXPECT_EQ(five.index, 1);
    EXPECT_EQ(five.result, 1) << "compared with the first contact of id 5 (A), not C";
    EXPECT_EQ(MatcherFind(byId, Ids(8, "")).index, -1);
    EXPECT_EQ(MatcherFind(byEntry, Ids(0, "x", "A")).index, 1);
    EXPECT_EQ(MatcherFind(byEntry, Ids(0, "", "B")).index, 2) << "empty matches the first empty";
    EXPECT_EQ(MatcherFind(byEntry, Ids(0, "X")).index, -1);

    int index = 3;
    EXPECT_EQ(byId.Find(nullptr, index, true), -1);
    EXPECT_EQ(index, -1);
    const ContactMatcher unknown(7, list);
    EXPECT_EQ(MatcherFind(unknown, Ids(5, "x", "A")).index, -1);
}

TEST(ContactMatcherTest, EmptyListAndGapsOnly) {
    const TContactList empty;
    TContactList gaps;
    gaps.push_back(nullptr);
    for (const TContactList* list : {&empty, static_cast<const TContactList*>(&gaps)}) {
        for (int kind : {eMatch_ContactId, eMatch_EntryId, eMatch_Name}) {
            const ContactMatcher m(kind, *list);
            const auto r = MatcherFind(m, Ids(0, "", "Ann", "Lee"));
            EXPECT_EQ(r.result, -1);
            EXPECT_EQ(r.index, -1);
        }
    }
}

// Short and long keys are filed differently: a key must still find one on the other side.
TEST(ContactMatcherTest, LengthChangesAcrossTheShortLongBorder) {
    const std::string base = "abcdefghijklmnopqrstuvwxyz0123";
    for (std::size_t keyLength = NameIndex::kShortKeyLength - 3;
         keyLength <= NameIndex::kShortKeyLength + 4; ++keyLength) {
        const std::string key = base.substr(0, keyLength);
        const TContactList list = ListOf({Ids(0, "", "Far", "Away"), Ids(0, "", key, "")});
        const ContactMatcher m(eMatch_Name, list);
        const std::string variants[] = {
            key.substr(2), key.substr(1), key.substr(0, keyLength - 2), "#" + key,
            "##" + key,    key + "##",    "#" + key.substr(1),          key + "###",
            "###" + key,   key.substr(3),
        };
        for (const std::string& query : variants) {
            TContact a = Ids(0, "", "", query);
            int scanIndex = -2;
            const int scanResult = FindContact(eMatch_Name, a, list, scanIndex, false);
            const auto found = MatcherFind(m, a);
            EXPECT_EQ(found.index, scanIndex) << key << " / " << query;
            EXPECT_EQ(found.result, scanResult) << key << " / " << query;
        }
    }
}

TEST(CappedNameDistanceTest, AgreesWithTheFullTable) {
    std::mt19937 rng(11);
    const std::string alphabet = "ab\xC3";
    auto randomText = [&](std::size_t maxLength) {
        std::string s(std::uniform_int_distribution<std::size_t>(0, maxLength)(rng), 'a');
        for (char& ch : s) ch = alphabet[rng() % alphabet.size()];
        return s;
    };
    for (int i = 0; i < 20000; ++i) {
        const std::string s = randomText(9);
        const std::string t = randomText(9);
        const int full =
            (s.empty() || t.empty()) ? static_cast<int>(s.size() + t.size()) : NameDistance(s, t);
        ASSERT_EQ(CappedNameDistance(s, t), std::min(full, kNameMatchDistance + 1))
            << "'" << s << "' '" << t << "'";
    }
}

// --- Differential: the matcher against the plain scan ------------------------------------------

struct Profile {
    const char* name;
    unsigned seed;
    int listSize;
    int querySize;
    std::string alphabet;  // bytes names are made of
    std::size_t minPart;   // shortest and longest random first or last name
    std::size_t maxPart;
    int longPercent;  // names of 11 to 40 bytes
    int hugeCount;    // names around the 1000-byte key limit
    bool noise;       // white space and control bytes around names
    bool gaps;        // null entries in the list
};

void PrintTo(const Profile& p, std::ostream* os) { *os << p.name; }

class Generator {
public:
    explicit Generator(const Profile& p) : m_p(p), m_rng(p.seed) {}

    TContact Contact() {
        TContact c;
        c.contactId = Pick({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 65535});
        c.entryId = Pick<std::string>(
            {"", "", "A", "a", "B", std::string("x\0y", 3), "x", "\xFF\xFE", "C"});
        c.firstName = Part();
        c.lastName = Part();
        c.displayName = Chance(50) ? c.firstName + " " + c.lastName : Pick<std::string>({"", "D"});
        if (Chance(70)) {
            c.numbers.emplace();
            const int count = Below(4);
            for (int i = 0; i < count; ++i) {
                c.numbers->push_back(TContactNumber{
                    .ref = Below(3),
                    .number = Pick<std::string>({"1", "1 ", " 1", "2", "+44 1", "+441", "\t2"}),
                    .numberType = Pick({kHome1, kBus1, kMob, kInt}),
                    .barring = Below(2),
                    .lineAccess = 0,
                    .cli = 1,
                    .state = Below(4)});
            }
        }
        return c;
    }

    // A copy of c with up to three random byte edits spread over its names; a query copy may
    // also get ids that no listed contact has.
    TContact NearCopy(const TContact& c, bool query) {
        TContact d = c;
        const int edits = Below(4);
        for (int i = 0; i < edits; ++i) Edit(Chance(50) ? d.firstName : d.lastName);
        if (Chance(30)) d.contactId = query ? 12345 : Pick({0, 1, 2, 65535});
        if (Chance(30)) d.entryId = query ? "not listed" : Pick<std::string>({"", "A", "Z"});
        return d;
    }

    bool Chance(int percent) { return Below(100) < percent; }
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }

private:
    template <class T>
    T Pick(std::initializer_list<T> values) {
        return *(values.begin() + Below(static_cast<int>(values.size())));
    }

    std::string Text(std::size_t length) {
        std::string s(length, ' ');
        for (char& ch : s)
            ch = m_p.alphabet[static_cast<std::size_t>(
                Below(static_cast<int>(m_p.alphabet.size())))];
        return s;
    }

    std::string Part() {
        std::string s;
        if (m_hugeMade < m_p.hugeCount && Chance(5)) {
            ++m_hugeMade;
            // Around the 1000-byte limit of the joined key, both sides of it.
            s = Text(static_cast<std::size_t>(990 + Below(15)));
        } else if (Chance(m_p.longPercent)) {
            s = Text(static_cast<std::size_t>(11 + Below(30)));
        } else {
            s = Text(m_p.minPart + static_cast<std::size_t>(
                                       Below(static_cast<int>(m_p.maxPart - m_p.minPart) + 1)));
        }
        if (m_p.noise) {
            static const std::string kNoise(" \t\r\n\x01\x7f\0", 7);
            while (Chance(30)) s.insert(s.begin(), kNoise[static_cast<std::size_t>(Below(7))]);
            while (Chance(30)) s.push_back(kNoise[static_cast<std::size_t>(Below(7))]);
        }
        return s;
    }

    void Edit(std::string& s) {
        const char ch =
            m_p.alphabet[static_cast<std::size_t>(Below(static_cast<int>(m_p.alphabet.size())))];
        const auto at = static_cast<std::size_t>(Below(static_cast<int>(s.size()) + 1));
        switch (Below(3)) {
            case 0:
                s.insert(s.begin() + static_cast<std::ptrdiff_t>(at), ch);
                break;
            case 1:
                if (at < s.size()) s.erase(at, 1);
                break;
            default:
                if (at < s.size()) s[at] = ch;
                break;
        }
    }

    const Profile& m_p;
    std::mt19937 m_rng;
    int m_hugeMade = 0;
};

class MatcherDifferentialTest : public testing::TestWithParam<Profile> {};

TEST_P(MatcherDifferentialTest, SameAsScanOnEveryQuery) {
    const Profile& p = GetParam();
    Generator gen(p);
    std::vector<TContact> contacts;
    for (int i = 0; i < p.listSize; ++i) {
        contacts.push_back(!contacts.empty() && gen.Chance(40)
                               ? gen.NearCopy(contacts[static_cast<std::size_t>(
                                                  gen.Below(static_cast<int>(contacts.size())))],
                                              false)
                               : gen.Contact());
    }
    std::vector<TContact> queries;
    for (int i = 0; i < p.querySize; ++i) {
        queries.push_back(gen.Chance(60) ? gen.NearCopy(contacts[static_cast<std::size_t>(gen.Below(
                                                            static_cast<int>(contacts.size())))],
                                                        true)
                                         : gen.Contact());
    }
    TContactList list = ListOf(contacts);
    if (p.gaps) {
        for (int i = 0; i < p.listSize / 10; ++i) {
            list[static_cast<std::size_t>(gen.Below(p.listSize))].reset();
        }
    }
    const TContactList before = [&] {
        TContactList copy;
        for (const auto& c : list) copy.push_back(c ? std::make_unique<TContact>(*c) : nullptr);
        return copy;
    }();

    for (int kind : {eMatch_ContactId, eMatch_EntryId, eMatch_Name}) {
        const ContactMatcher matcher(kind, list);
        int found = 0;
        for (std::size_t q = 0; q < queries.size(); ++q) {
            const bool compareNumbers = q % 2 == 1;
            TContact scanned = queries[q];
            TContact indexed = queries[q];
            int scanIndex = -2;
            int matchIndex = -2;
            const int scanResult = FindContact(kind, scanned, list, scanIndex, compareNumbers);
            const int matchResult = matcher.Find(indexed, matchIndex, compareNumbers);
            ASSERT_EQ(matchResult, scanResult) << "kind " << kind << " query " << q;
            ASSERT_EQ(matchIndex, scanIndex) << "kind " << kind << " query " << q;
            ASSERT_EQ(indexed, scanned) << "kind " << kind << " query " << q;
            if (scanIndex >= 0) ++found;
        }
        // A differential test that never matches proves nothing.
        EXPECT_GT(found, p.querySize / 10) << "kind " << kind;
        EXPECT_LT(found, p.querySize) << "kind " << kind;
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        ASSERT_EQ(list[i] == nullptr, before[i] == nullptr);
        if (list[i]) {
            ASSERT_EQ(*list[i], *before[i]) << "the list is never changed";
        }
    }
}

const Profile kProfiles[] = {
    {"TinyAlphabet_ManyNearDuplicates", 1, 400, 400, "ab", 0, 6, 0, 0, false, false},
    {"Letters_ShortNames", 2, 300, 300, "abcdefghijklmnopqrstuvwxyzABC", 0, 9, 0, 0, false, true},
    {"Utf8AndInvalidBytes", 3, 300, 300, "a\xC3\xA9\xD0\x96\xE4\xB8\xAD\xFF\x80", 0, 10, 5, 0,
     false, false},
    {"SpaceAndControlAround", 4, 300, 300, "abc \t", 0, 8, 0, 0, true, true},
    {"KeysAcrossTheShortLongBorder", 5, 250, 250, "abc", 9, 11, 0, 0, false, false},
    {"MixedLengths", 8, 200, 200, "abcd", 0, 14, 30, 0, false, false},
    {"LongKeys", 6, 150, 150, "abcdef\xC3\xA4", 0, 10, 80, 0, true, false},
    {"KeysAroundThousandBytes", 7, 120, 120, "ab", 0, 8, 10, 8, false, true},
};

INSTANTIATE_TEST_SUITE_P(Matcher, MatcherDifferentialTest, testing::ValuesIn(kProfiles),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvi
