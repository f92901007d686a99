// A card file is never written larger than the reader takes: the next load would skip it, and
// its cards would read as deleted.
#include <string>

#include <gtest/gtest.h>

#include "StoreTestSupport.h"
#include "common/TestEnv.h"
#include "stores/outlook/VcardParser.h"
#include "stores/outlook/VcfAddressBook.h"

namespace korvi {
namespace {

using namespace outlook;

TEST(VcfCardLimitTest, AnAmendThatWouldOutgrowTheReaderIsRefused) {
    test::TempBook book("limit");
    const std::string head = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:big\r\nFN:A\r\nTEL:1\r\nNOTE:";
    const std::string tail = "\r\nEND:VCARD\r\n";
    std::string card = head;
    card.append(kMaxVcardFileBytes - head.size() - tail.size(), 'n');
    card += tail;
    ASSERT_EQ(card.size(), kMaxVcardFileBytes);
    test::WriteFile(book.contacts / "big.vcf", card);

    auto app = ConnectVcfAddressBook(book.Options());
    auto folder = app->GetNamespace("MAPI").GetDefaultFolder(olFolderContacts);
    ASSERT_EQ(folder->Items().Count(), 1);
    auto item = folder->Items().Item(1);
    OlContactItem* contact = item->QueryContactItem();
    contact->SetFileAs("A longer name");
    try {
        contact->Save();
        ADD_FAILURE() << "the card was written";
    } catch (const OlError& e) {
        EXPECT_EQ(std::string(e.what()),
                  (book.contacts / "big.vcf").string() +
                      ": the card file would grow to 67108876 bytes, more than a card file is "
                      "read up to (67108864); it was not written");
    }
    EXPECT_TRUE(test::ReadFile(book.contacts / "big.vcf") == card);
    contact->SetFileAs("B");  // the same size: written
    contact->Save();
    EXPECT_EQ(test::ReadFile(book.contacts / "big.vcf").size(), kMaxVcardFileBytes);
}

}  // namespace
}  // namespace korvi
