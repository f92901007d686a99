// A vdirsyncer filesystem pair and khard on the same collection as `korvi sync`: the setting
// names vdirsyncer's storage folder as it is, a sync with the simulated PBX writes nothing into
// that tree but cards, a card made by the sync travels through vdirsyncer to the other side,
// and an edit made there comes back to the PBX. The programs run as they would for a user.
#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PbxSimulator.h"
#include "StoreTestSupport.h"
#include "common/TestEnv.h"

namespace korvi {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

constexpr int32_t kDesk = 101;
constexpr char kPin[] = "4711";

// Every entry below dir (hidden ones too): its kind, or a file's bytes.
std::map<std::string, std::string> Snapshot(const fs::path& dir) {
    std::map<std::string, std::string> out;
    for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator();
         ++it)
        out[fs::relative(it->path(), dir).string()] =
            it->is_directory() ? std::string("folder") : ReadFile(it->path());
    return out;
}

// The card file of a folder that holds text.
fs::path CardWith(const fs::path& folder, const std::string& text) {
    for (const auto& name : test::CardFiles(folder))
        if (ReadFile(folder / name).find(text) != std::string::npos) return folder / name;
    return {};
}

class VdirsyncerTest : public testing::Test {
protected:
    void SetUp() override {
        for (const char* program : {"vdirsyncer", "khard"})
            if (!test::ProgramOnPath(program)) GTEST_SKIP() << program << " is not installed";
        sim::SimOptions options;
        options.users = {{"alice", kPin}};
        options.extensions = {{"alice", kDesk, "Alice Desk", "201"}};
        m_sim = std::make_unique<sim::PbxSimulator>(options);
        std::string error;
        ASSERT_TRUE(m_sim->Start(error)) << error;

        base = test::MakeTempDir("vdirsyncer");
        a = base / "a";
        b = base / "b";
        fs::create_directories(a);
        fs::create_directories(b / "friends");
        WriteFile(base / "vdirsyncer.conf",
                  "[general]\nstatus_path = \"" + (base / "status").string() +
                      "/\"\n\n[pair book]\na = \"side_a\"\nb = \"side_b\"\n"
                      "collections = [\"from a\", \"from b\"]\n\n"
                      "[storage side_a]\ntype = \"filesystem\"\npath = \"" +
                      a.string() + "/\"\nfileext = \".vcf\"\n\n" +
                      "[storage side_b]\ntype = \"filesystem\"\npath = \"" + b.string() +
                      "/\"\nfileext = \".vcf\"\n");
        WriteFile(base / "khard.conf",
                  "[addressbooks]\n[[friends]]\npath = " + (a / "friends").string() + "\n");
    }

    test::ProgramResult Vdirsyncer(const std::string& command) {
        // discover asks before it makes a collection on the other side.
        return test::RunProgram({"vdirsyncer", "-c", (base / "vdirsyncer.conf").string(), command},
                                "y\ny\ny\n");
    }
    test::ProgramResult Korvi(std::vector<std::string> args, const std::string& input = {}) {
        args.insert(args.begin(), (test::BinDir() / "korvi").string());
        return test::RunProgram(args, input);
    }
    test::ProgramResult Sync() {
        return Korvi({"sync", "--url", "http://127.0.0.1", "--port", std::to_string(m_sim->Port()),
                      "--user", "alice", "--pin-stdin", "--contact-type", std::to_string(kDesk),
                      "--yes", "--similar", "both"},
                     std::string(kPin) + "\n");
    }
    // name -> the numbers of the PBX contact, "type:number" joined by blanks
    std::map<std::string, std::string> Pbx() const {
        std::map<std::string, std::string> out;
        for (const auto& c : m_sim->PbxState(kDesk)) {
            std::string numbers;
            for (const auto& n : c.contactNumbers)
                numbers += std::to_string(n.numberType) + ":" + n.number + " ";
            out[c.displayName] = numbers;
        }
        return out;
    }

    std::unique_ptr<sim::PbxSimulator> m_sim;
    fs::path base, a, b;
};

TEST_F(VdirsyncerTest, ACollectionSyncsWithThePbxAndTravelsBothWays) {
    WriteFile(b / "friends" / "zoe.vcf",
              "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:zoe-1\r\nFN:Zoe Quill\r\nN:Quill;Zoe;;;\r\n"
              "TEL;TYPE=cell:0170 999\r\nEMAIL:zoe@example.com\r\nEND:VCARD\r\n");
    ASSERT_NE(
        m_sim->SeedContact({0, kDesk, "Anna Lee", "Lee", "Anna", {{0, "0170 111", 4, 1, 0, 1}}}),
        0);
    auto run = Vdirsyncer("discover");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    run = Vdirsyncer("sync");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    ASSERT_FALSE(CardWith(a / "friends", "FN:Zoe Quill").empty());
    const auto before = Snapshot(a);

    // The setting names vdirsyncer's storage folder; its only collection is the sync folder.
    run = Korvi({"settings", "set", "AddressBookDir", a.string()});
    ASSERT_EQ(run.exitCode, 0) << run.out;
    run = Sync();
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(Pbx(), (std::map<std::string, std::string>{{"Anna Lee", "4:0170 111 "},
                                                         {"Zoe Quill", "4:0170 999 "}}));

    // Nothing but the new card in vdirsyncer's tree; what was there is as it was.
    auto after = Snapshot(a);
    const fs::path anna = CardWith(a / "friends", "FN:Anna Lee");
    ASSERT_FALSE(anna.empty());
    EXPECT_EQ(after.erase(fs::relative(anna, a).string()), 1u);
    EXPECT_EQ(after, before);

    // khard reads the collection with both cards.
    run = test::RunProgram({"khard", "-c", (base / "khard.conf").string(), "phone", "--parsable"});
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_NE(run.out.find("0170 111\tAnna Lee\tcell"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("0170 999\tZoe Quill\tcell"), std::string::npos) << run.out;

    // The card travels to the other side; an edit there comes back into the PBX.
    run = Vdirsyncer("sync");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const fs::path annaThere = CardWith(b / "friends", "FN:Anna Lee");
    ASSERT_FALSE(annaThere.empty());
    std::string text = ReadFile(annaThere);
    text.replace(text.find("0170 111"), 8, "0170 222");
    WriteFile(annaThere, text);
    run = Vdirsyncer("sync");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    run = Sync();
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(Pbx(), (std::map<std::string, std::string>{{"Anna Lee", "4:0170 222 "},
                                                         {"Zoe Quill", "4:0170 999 "}}));

    // Still no collection on either side that the user did not make.
    for (const fs::path& side : {a, b}) {
        std::vector<std::string> folders;
        for (const auto& entry : fs::directory_iterator(side))
            folders.push_back(entry.path().filename().string());
        EXPECT_EQ(folders, std::vector<std::string>{"friends"}) << side;
    }
}

}  // namespace
}  // namespace korvi
