// Interoperation with khard, a command line address book on the same kind of folder: what we
// write it lists and shows with the right names and numbers, and what it writes we load into
// the right slots.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "StoreTestSupport.h"
#include "common/ResultTesting.h"
#include "common/TestEnv.h"
#include "stores/outlook/Toutlook.h"

namespace korvi {
namespace {

namespace fs = std::filesystem;

class KhardTest : public testing::Test {
protected:
    KhardTest()
        : store(progress, [this] { return outlook::ConnectVcfAddressBook(book.Options()); }) {
        store.versionCode = 8;
    }
    void SetUp() override {
        if (!test::ProgramOnPath("khard")) GTEST_SKIP() << "khard is not installed";
        config = book.root.parent_path() / "khard.conf";
        test::WriteFile(config, "[addressbooks]\n[[pbx]]\npath = " + book.contacts.string() + "\n");
    }
    test::ProgramResult Khard(std::vector<std::string> args, const std::string& input = {}) {
        std::vector<std::string> argv = {"khard", "-c", config.string()};
        argv.insert(argv.end(), args.begin(), args.end());
        return test::RunProgram(argv, input);
    }

    test::TempBook book{"khard"};
    fs::path config;
    test::RecordingProgress progress;
    Toutlook store;
    StopFlag stop{false};
    std::string text;
};

TEST_F(KhardTest, ListsAndShowsWhatWeExport) {
    TContactList list;
    list.push_back(std::make_unique<TContact>(test::MakeContact(
        "Anna Berg", "Berg", "Anna",
        {{kHome1, "0301111"}, {kHome2, "0302222"}, {kMob, "0170333"}, {kFaxBus, "0404444"}})));
    list.push_back(std::make_unique<TContact>(test::MakeContact(
        "Jörg Müller", "Müller", "Jörg", {{kBus2, "0405555"}, {kOther, "0999"}})));
    ASSERT_EQ(CodeOf(store.SaveContacts(list, stop), text), 0) << text;

    auto listed = Khard({"list"});
    ASSERT_EQ(listed.exitCode, 0) << listed.out;
    EXPECT_NE(listed.out.find("Anna Berg"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("Jörg Müller"), std::string::npos) << listed.out;

    auto phones = Khard({"phone", "--parsable"});
    ASSERT_EQ(phones.exitCode, 0) << phones.out;
    for (const char* line :
         {"0301111\tAnna Berg\thome, voice\n", "0302222\tAnna Berg\thome, voice, home2\n",
          "0170333\tAnna Berg\tcell\n", "0404444\tAnna Berg\twork, fax\n",
          "0405555\tJörg Müller\twork, voice, work2\n", "0999\tJörg Müller\tvoice\n"})
        EXPECT_NE(phones.out.find(line), std::string::npos) << line << "\n" << phones.out;

    auto shown = Khard({"show", "--format", "yaml", "uid:" + list[1]->entryId});
    ASSERT_EQ(shown.exitCode, 0) << shown.out;
    EXPECT_NE(shown.out.find("Last name: Müller"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("First name: Jörg"), std::string::npos) << shown.out;
}

TEST_F(KhardTest, LoadsWhatKhardWrites) {
    const std::string yaml =
        "First name : Carl\n"
        "Last name  : Dorn\n"
        "Organisation : Dorn AG\n"
        "Phone :\n"
        "    home :\n"
        "        - 0301111\n"
        "        - 0302222\n"
        "    work : 0403333\n"
        "    cell : 0170444\n"
        "    home, fax : 0305555\n"
        "Email :\n"
        "    work : carl@example.com\n";
    auto made = Khard({"new", "-a", "pbx"}, yaml);
    ASSERT_EQ(made.exitCode, 0) << made.out;

    TContactList loaded;
    ASSERT_EQ(CodeOf(store.LoadContacts(loaded, stop), text), 0) << text;
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0]->displayName, "Carl Dorn");
    EXPECT_EQ(loaded[0]->firstName, "Carl");
    EXPECT_EQ(loaded[0]->lastName, "Dorn");
    EXPECT_EQ(test::NumbersOf(*loaded[0]),
              (std::vector<std::pair<int, std::string>>{{kHome1, "0301111"},
                                                        {kHome2, "0302222"},
                                                        {kBus1, "0403333"},
                                                        {kMob, "0170444"},
                                                        {kFaxHome, "0305555"}}));

    // We amend khard's card; khard still reads it, with the new number and its e-mail.
    loaded[0]->numbers->at(2).number = "0409999";
    ASSERT_EQ(CodeOf(store.BeginUpdates(), text), 0);
    ASSERT_EQ(CodeOf(store.UpdateContact(PartnerStore::kUpdateAmend, *loaded[0]), text), 0) << text;
    store.EndUpdates();
    auto shown = Khard({"show", "Carl"});
    ASSERT_EQ(shown.exitCode, 0) << shown.out;
    EXPECT_NE(shown.out.find("0409999"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("carl@example.com"), std::string::npos) << shown.out;
    EXPECT_EQ(shown.out.find("0403333"), std::string::npos) << shown.out;
}

}  // namespace
}  // namespace korvi
