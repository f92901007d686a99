// A contact file or sync list is never written larger than the reader takes: such a file would
// fail every later load, and with it every sync that needs the sync list.
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "FilesTestSupport.h"
#include "common/ResultTesting.h"
#include "common/TestEnv.h"
#include "files/ContactFile.h"
#include "files/ContactXml.h"

namespace korvi {
namespace {

class StringSink final : public ByteSink {
public:
    bool Write(std::string_view data) override {
        bytes.append(data);
        return true;
    }
    std::string bytes;
};

TContactList ThreeContacts() {
    return test::ListOf({test::MakeContact("Anna", "Berg", "Anna", 1, "a", TNumberList{}),
                         test::MakeContact("Ben", "Cole", "Ben", 2, "b", TNumberList{}),
                         test::MakeContact("Carl", "Dorn", "Carl", 3, "c", TNumberList{})});
}

TEST(ContactFileLimitTest, TheWriterStopsWhereTheReaderWould) {
    const TContactList list = ThreeContacts();
    StringSink whole;
    int written = 0;
    ASSERT_TRUE(WriteContactsXml(list, whole, written).ok());
    const std::size_t size = whole.bytes.size();

    StringSink exact;
    EXPECT_TRUE(WriteContactsXml(list, exact, written, size).ok());
    EXPECT_EQ(exact.bytes, whole.bytes);

    for (std::size_t limit : {size - 1, size / 2}) {
        StringSink cut;
        XmlResult r = WriteContactsXml(list, cut, written, limit);
        EXPECT_FALSE(r.ok()) << limit;
        EXPECT_LE(cut.bytes.size(), limit);
        const std::string which = limit == size - 1 ? "3" : "2";
        EXPECT_EQ(r.text, "Contact " + which +
                              ": the list does not fit in a contact file (at most " +
                              std::to_string(limit) +
                              " bytes, which is all that a contact file is read up to); nothing "
                              "was written");
    }
}

// A sync list that would be too large to load again is not written; the one before stays.
TEST(ContactFileLimitTest, ATooLargeSyncListLeavesTheOldOne) {
    test::RecordingProgress progress;
    TcontactFile files(progress, test::MakeTempDir("data"));
    const std::string key = "0123456789ABCDEF0123456789ABCDEF";
    std::string text;
    ASSERT_EQ(CodeOf(files.WriteSyncFile(201, key, ThreeContacts()), text), 0) << text;
    const std::string before = test::ReadFile(files.SyncFilePath(201, key));

    TContactList huge = ThreeContacts();
    huge[1]->displayName.assign(kMaxContactFileBytes, 'x');
    EXPECT_EQ(CodeOf(files.WriteSyncFile(201, key, huge), text), -1);
    EXPECT_EQ(text, files.SyncFilePath(201, key).string() +
                        ": Contact 2: the list does not fit in a contact file (at most 41943040 "
                        "bytes, which is all that a contact file is read up to); nothing was "
                        "written");
    EXPECT_EQ(test::ReadFile(files.SyncFilePath(201, key)), before);
    TContactList loaded;
    EXPECT_EQ(CodeOf(files.LoadSyncFile(201, key, loaded), text), 0) << text;
    EXPECT_EQ(loaded.size(), 3u);
}

}  // namespace
}  // namespace korvi
