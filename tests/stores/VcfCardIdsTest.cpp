// The ids of cards without a UID in a file that holds several: deleting or editing one card
// never changes another card's id, neither in the connection that deletes nor in the next one,
// so that the sync list keeps finding every card.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "StoreTestSupport.h"
#include "common/TestEnv.h"
#include "stores/outlook/VcfAddressBook.h"

namespace korvi {
namespace {

using namespace outlook;

const std::string kPhoneExport =
    "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Berg;Anna\r\nFN:Anna Berg\r\nTEL;CELL:0170111\r\n"
    "END:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Cole;Ben\r\nFN:Ben Cole\r\nTEL;HOME:0302222\r\n"
    "END:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:carl-1\r\nFN:Carl Dorn\r\nTEL:0403333\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Eck;Dora\r\nFN:Dora Eck\r\nTEL;WORK:0404444\r\n"
    "END:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Falk;Emil\r\nFN:Emil Falk\r\nTEL;WORK:0405555\r\n"
    "END:VCARD\r\n";

struct Card {
    std::string id;
    std::string name;
    bool operator==(const Card&) const = default;
};

void PrintTo(const Card& c, std::ostream* os) { *os << c.id << "=" << c.name; }

std::vector<Card> Cards(OlItems& items) {
    std::vector<Card> cards;
    const int n = items.Count();
    for (int k = 1; k <= n; ++k) {
        OlContactItem* c = items.Item(k)->QueryContactItem();
        if (c != nullptr) cards.push_back({c->EntryID(), c->FileAs()});
    }
    return cards;
}

OlContactItem* FindCard(OlItems& items, const std::string& id, std::shared_ptr<OlItem>& keep) {
    const int n = items.Count();
    for (int k = 1; k <= n; ++k) {
        keep = items.Item(k);
        OlContactItem* c = keep->QueryContactItem();
        if (c != nullptr && c->EntryID() == id) return c;
    }
    return nullptr;
}

class VcfCardIdsTest : public testing::TestWithParam<int> {
protected:
    std::unique_ptr<OlApplication> Connect() { return ConnectVcfAddressBook(book.Options()); }
    // The folder lives as long as the test's reference to it.
    OlItems& Items(OlApplication& app) {
        m_folder = app.GetNamespace("MAPI").GetDefaultFolder(olFolderContacts);
        return m_folder->Items();
    }
    test::TempBook book{"ids"};
    std::shared_ptr<OlMAPIFolder> m_folder;
};

// Deleting the card at each place: the other cards keep their ids, and an amend of the last
// card by its id works in the same connection.
TEST_P(VcfCardIdsTest, DeletingACardKeepsTheOthersIds) {
    const int victim = GetParam();
    test::WriteFile(book.contacts / "phone.vcf", kPhoneExport);
    std::vector<Card> before;
    {
        auto app = Connect();
        before = Cards(Items(*app));
    }
    ASSERT_EQ(before, (std::vector<Card>{{"phone.vcf", "Anna Berg"},
                                         {"phone.vcf#2", "Ben Cole"},
                                         {"carl-1", "Carl Dorn"},
                                         {"phone.vcf#4", "Dora Eck"},
                                         {"phone.vcf#5", "Emil Falk"}}));
    std::vector<Card> expected = before;
    expected.erase(expected.begin() + victim);
    Card& last = expected.back();
    {
        auto app = Connect();
        OlItems& items = Items(*app);
        std::shared_ptr<OlItem> held;
        OlContactItem* card = FindCard(items, before[victim].id, held);
        ASSERT_NE(card, nullptr);
        card->Delete();
        EXPECT_EQ(Cards(items), expected);
        OlContactItem* amended = FindCard(items, last.id, held);
        ASSERT_NE(amended, nullptr) << last.id;
        amended->Set(ContactProperty::BusinessTelephoneNumber, "0409999");
        amended->Save();
        // A card without a UID gets one when it is written: its own id may change (the store
        // hands the new one back), no other card's does.
        last.id = amended->EntryID();
    }
    auto app = Connect();
    OlItems& items = Items(*app);
    EXPECT_EQ(Cards(items), expected);
    std::shared_ptr<OlItem> held;
    OlContactItem* amended = FindCard(items, last.id, held);
    ASSERT_NE(amended, nullptr);
    EXPECT_EQ(amended->Get(ContactProperty::BusinessTelephoneNumber), "0409999");
    EXPECT_EQ(test::ReadFile(book.contacts / "phone.vcf").find(before[victim].name),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(EveryPlace, VcfCardIdsTest, testing::Range(0, 5));

}  // namespace
}  // namespace korvi
