// Before a whole side is copied onto the other, the sync lists that describe the target go:
// for the PBX every list of the contact type, for a partner store the pair's list. They stay
// gone when the copy fails; the lists of other contact types and other stores stay.
#include "sync/WholeSideCopy.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Log.h"
#include "common/TestEnv.h"
#include "sync/MemoryPartnerStore.h"
#include "sync/SyncTestSupport.h"

namespace korvi::test {
namespace {

class WholeSideCopyTest : public testing::Test {
protected:
    void SetUp() override { SetLogsFolder(MakeTempDir("logs")); }

    void WriteList(int32_t contactType, const std::string& storeId) {
        TContactList list;
        list.push_back(std::make_unique<TContact>(MakeContact("Anna Lee: Mob=0170 111")));
        const Result written = files.WriteSyncFile(contactType, storeId, list);
        ASSERT_TRUE(written.ok()) << written.text;
    }
    std::vector<std::string> Lists() {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder)) {
            names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    NullProgress progress;
    std::filesystem::path folder = MakeTempDir("data");
    TcontactFile files{progress, folder};
    const std::string storeA = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA";
    const std::string storeB = "BBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBB";
};

TEST_F(WholeSideCopyTest, PbxReplaced_EveryListOfTheContactTypeGoes) {
    WriteList(12, storeA);
    WriteList(12, storeB);
    WriteList(120, storeA);
    const Result forgotten = ForgetPbxSyncLists(files, 12);
    ASSERT_TRUE(forgotten.ok()) << forgotten.text;
    EXPECT_EQ(std::vector<std::string>{files.SyncFilePath(120, storeA).filename().string()},
              Lists());
}

TEST_F(WholeSideCopyTest, PartnerReplaceFailsHalfway_ItsListStaysGoneOthersStay) {
    MemoryPartnerStore partner(storeA);
    partner.SetSaveFilter([](int item) { return item == 2 ? -1 : 0; });
    WriteList(12, storeA);
    WriteList(12, storeB);
    TContactList list;
    for (const char* spec : {"Anna Lee: Mob=0170 111", "Ben Ode: Bus1=030 222"}) {
        list.push_back(std::make_unique<TContact>(MakeContact(spec)));
    }
    StopFlag stop{false};
    EXPECT_EQ(-1, ReplacePartnerContacts(partner, files, 12, list, stop).code);
    EXPECT_EQ(std::vector<std::string>{files.SyncFilePath(12, storeB).filename().string()},
              Lists());
}

}  // namespace
}  // namespace korvi::test
