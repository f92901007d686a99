// `korvi` with the CardDAV partner as a user runs it: in process, against the PBX simulator and
// an address book on Radicale (both on 127.0.0.1), the account in the stored settings, and
// another CardDAV client (vdirsyncer) on the same address book.
#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/AppPaths.h"
#include "app/Log.h"
#include "app/Texts.h"
#include "carddav/CardDavWorld.h"
#include "carddav/SharedRadicale.h"
#include "carddav/VdirsyncerPair.h"
#include "cli/CliTestSupport.h"
#include "common/TestEnv.h"
#include "services/Services.h"
#include "sync/SyncTestSupport.h"

namespace korvi::test {
namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;
using testing::Not;

constexpr char kPin[] = "1234";

struct Ran {
    int code = -1;
    std::string out;
    std::string err;
};

class CardDavCliTest : public testing::Test {
protected:
    void SetUp() override {
        m_world = MakeCardDavWorld();
        ASSERT_TRUE(m_world);
        ASSERT_EQ(0, Korvi({"settings", "set", "CardDavUrl", m_world->collectionUrl()}).code);
        ASSERT_EQ(0, Korvi({"settings", "set", "CardDavUser", RadicaleServer::kUser}).code);
        const Ran pwd = Korvi({"settings", "set", "CardDavPwd", "-"},
                              std::string(RadicaleServer::kPassword) + "\n");
        ASSERT_EQ(0, pwd.code) << pwd.err;
        EXPECT_EQ("CardDavPwd=********\n", pwd.out);
    }

    // Any command line; the input is what the user types.
    Ran Korvi(const std::vector<std::string>& args, const std::string& input = {}) {
        CliRun run(input);
        run.io.SetServicesFactory([] {
            auto services = std::make_unique<Services>();
            services->ctrl.SetWorkerSleeps(0ms, 0ms);
            services->RegisterActions();
            return services;
        });
        Ran ran;
        ran.code = run.Run(args);
        ran.out = run.out.str();
        ran.err = run.err.str();
        // Neither the account's password nor the PIN is ever shown.
        EXPECT_THAT(ran.out + ran.err, Not(HasSubstr(RadicaleServer::kPassword)));
        EXPECT_THAT(ran.out + ran.err, Not(HasSubstr("PIN")));
        return ran;
    }

    // A command that reaches the PBX: the simulator's connection options after the command.
    Ran WithPbx(const std::string& command, std::vector<std::string> args) {
        std::vector<std::string> line = {command,
                                         "--url",
                                         "http://127.0.0.1",
                                         "--port",
                                         std::to_string(m_world->PbxPort()),
                                         "--user",
                                         "user",
                                         "--pin-stdin",
                                         "--timeout",
                                         "5",
                                         "--contact-type",
                                         std::to_string(CardDavWorld::kPbxContactType)};
        line.insert(line.end(), args.begin(), args.end());
        return Korvi(line, std::string(kPin) + "\n");
    }

    std::vector<std::string> Pbx() { return Canon(m_world->PbxState()); }
    std::vector<std::string> Book() { return Canon(m_world->PartnerState()); }

    std::unique_ptr<CardDavWorld> m_world;
};

// The promise of the partner: `korvi sync --partner carddav` keeps the PBX and the address book
// in step both ways, and another CardDAV client sees the cards and is heard.
TEST_F(CardDavCliTest, SyncKeepsPbxAndAddressBookInStep_AnotherClientSeesTheCards) {
    if (!VdirsyncerPair::Installed()) GTEST_SKIP() << "vdirsyncer is not installed";
    m_world->PbxAdd("Anna Lee: Mob=0170 111");
    m_world->PbxAdd("Ben Ode: Bus1=030 222");
    m_world->PartnerAdd("Cleo Park: Home1=040 333");

    // First time: a question, answered by --yes; then each side gets the other's contacts.
    Ran first = WithPbx("sync", {"--partner", "carddav", "--yes"});
    ASSERT_EQ(0, first.code) << first.err;
    EXPECT_THAT(first.err, HasSubstr("first time syncing CardDAV address book [" +
                                     m_world->collectionUrl() + "]"));
    const auto linked =
        CanonSpecs({"Anna Lee: Mob=0170 111", "Ben Ode: Bus1=030 222", "Cleo Park: Home1=040 333"});
    EXPECT_EQ(linked, Pbx());
    EXPECT_EQ(linked, Book());

    // The other client sees every card.
    VdirsyncerPair other(m_world->collectionUrl(), RadicaleServer::kUser,
                         RadicaleServer::kPassword);
    auto [code, said] = other.Run("discover");
    ASSERT_EQ(0, code) << said;
    std::tie(code, said) = other.Run("sync");
    ASSERT_EQ(0, code) << said;
    ASSERT_EQ(3u, other.CardFiles().size());
    std::string cards = other.AllCards();
    for (const char* seen : {"FN:Anna Lee", "0170 111", "FN:Ben Ode", "030 222", "FN:Cleo Park"})
        EXPECT_THAT(cards, HasSubstr(seen));

    // Changes on both sides: on the PBX one new, one amended, one deleted; through the other
    // client one number changed and one new card.
    m_world->PbxAdd("Dan Roe: Mob=0171 444");
    m_world->PbxAmend("Anna Lee", "Anna Lee: Mob=0170 112");
    m_world->PbxDelete("Cleo Park");
    for (const auto& f : other.CardFiles()) {
        std::string text = ReadFile(f);
        const auto at = text.find("030 222");
        if (at == std::string::npos) continue;
        text.replace(at, 7, "030 333");
        WriteFile(f, text);
    }
    WriteFile(other.local() / "eve.vcf",
              "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:eve-from-vdirsyncer\r\nFN:Eve Sand\r\n"
              "N:Sand;Eve;;;\r\nTEL;TYPE=cell:0172 555\r\nEND:VCARD\r\n");
    std::tie(code, said) = other.Run("sync");
    ASSERT_EQ(0, code) << said;

    Ran second = WithPbx("sync", {"--partner", "carddav"});
    ASSERT_EQ(0, second.code) << second.err;
    EXPECT_THAT(second.out, HasSubstr("PBX: 1 added, 0 deleted, 1 amended. CardDAV: 1 added, 1 "
                                      "deleted, 1 amended."));
    const auto inStep = CanonSpecs({"Anna Lee: Mob=0170 112", "Ben Ode: Bus1=030 333",
                                    "Dan Roe: Mob=0171 444", "Eve Sand: Mob=0172 555"});
    EXPECT_EQ(inStep, Pbx());
    EXPECT_EQ(inStep, Book());

    // The other client hears of the sync's changes.
    std::tie(code, said) = other.Run("sync");
    ASSERT_EQ(0, code) << said;
    EXPECT_EQ(4u, other.CardFiles().size());
    cards = other.AllCards();
    for (const char* seen : {"0170 112", "FN:Dan Roe", "0171 444", "030 333", "FN:Eve Sand"})
        EXPECT_THAT(cards, HasSubstr(seen));
    EXPECT_THAT(cards, Not(HasSubstr("Cleo Park")));

    Ran third = WithPbx("sync", {"--partner", "carddav"});
    ASSERT_EQ(0, third.code) << third.err;
    EXPECT_EQ(Text(kTextSyncNoUpdates) + "\n", third.out);

    const auto history = LogLines(HistoryFilePath().string());
    EXPECT_THAT(history, testing::Contains(HasSubstr(
                             "Sync started [Manually] - Direction [PBX <-> CardDAV] - CardDAV "
                             "Address Book [" +
                             m_world->collectionUrl() + "] - Device [")));
    EXPECT_THAT(history, testing::Contains(HasSubstr(
                             "Successful Sync - [PBX: 1 added 0 deleted 1 amended] [CardDAV: 1 "
                             "added 1 deleted 1 amended]")));
}

// Export adds the PBX contacts to the address book (asking first when it holds cards), and the
// pair is linked after it; import replaces the PBX phonebook with the address book's cards.
TEST_F(CardDavCliTest, ExportAddsToTheAddressBook_ImportReplacesThePbxPhonebook) {
    m_world->PbxAdd("Anna Lee: Mob=0170 111");
    m_world->PbxAdd("Ben Ode: Bus1=030 222");
    Ran exported = WithPbx("export", {"--to", "carddav"});
    ASSERT_EQ(0, exported.code) << exported.err;
    EXPECT_EQ("Saved 2 contacts to the CardDAV address book for Extension 201\n", exported.out);
    EXPECT_EQ(CanonSpecs({"Anna Lee: Mob=0170 111", "Ben Ode: Bus1=030 222"}), Book());
    // The export's sync list links the pair: nothing to do, no first-time question.
    Ran synced = WithPbx("sync", {"--partner", "carddav"});
    ASSERT_EQ(0, synced.code) << synced.err;
    EXPECT_EQ(Text(kTextSyncNoUpdates) + "\n", synced.out);

    // A second export would double the cards: declined where nobody can answer.
    Ran again = WithPbx("export", {"--to", "carddav"});
    EXPECT_EQ(1, again.code);
    EXPECT_THAT(again.err, HasSubstr("already contains 2 contacts"));
    EXPECT_EQ(2u, Book().size());

    m_world->PartnerAdd("Cleo Park: Home1=040 333");
    m_world->PbxAdd("Dan Roe: Mob=0171 444");
    Ran imported = WithPbx("import", {"--from", "carddav", "--yes"});
    ASSERT_EQ(0, imported.code) << imported.err;
    EXPECT_EQ(
        CanonSpecs({"Anna Lee: Mob=0170 111", "Ben Ode: Bus1=030 222", "Cleo Park: Home1=040 333"}),
        Pbx());
}

// The address books of the account: the stored address book itself, or every one of the
// server's for the user when the address is the server's.
TEST_F(CardDavCliTest, CollectionsListsTheAccountsAddressBooks) {
    Ran stored = Korvi({"carddav", "collections"});
    ASSERT_EQ(0, stored.code) << stored.err;
    EXPECT_THAT(stored.out, testing::StartsWith(m_world->collectionUrl() + "\t"));
    EXPECT_EQ(1, std::count(stored.out.begin(), stored.out.end(), '\n'));

    std::string whyNot;
    RadicaleServer* server = SharedRadicale(whyNot);
    ASSERT_NE(nullptr, server) << whyNot;
    Ran all = Korvi({"carddav", "collections", "--url", server->Url() + "/"});
    ASSERT_EQ(0, all.code) << all.err;
    EXPECT_THAT(all.out, HasSubstr(m_world->collectionUrl() + "\t"));

    Ran wrong = Korvi({"carddav", "collections", "--password-stdin"}, "not the password\n");
    EXPECT_EQ(1, wrong.code);
    EXPECT_THAT(wrong.err, HasSubstr("(Error Code -1)"));
}

// With the server gone the sync fails with the reason and changes nothing; once it is back, a
// sync carries everything across.
TEST_F(CardDavCliTest, ServerGone_SyncFailsWithItsReason_ThenSyncsOnceBack) {
    m_world->PbxAdd("Anna Lee: Mob=0170 111");
    ASSERT_EQ(0, WithPbx("sync", {"--partner", "carddav", "--yes"}).code);
    m_world->PbxAdd("Ben Ode: Bus1=030 222");

    std::string whyNot;
    RadicaleServer* server = SharedRadicale(whyNot);
    ASSERT_NE(nullptr, server) << whyNot;
    server->Stop();
    Ran gone = WithPbx("sync", {"--partner", "carddav"});
    EXPECT_EQ(1, gone.code);
    EXPECT_THAT(gone.err, HasSubstr("(Error Code -1)"));
    ASSERT_TRUE(server->Restart(whyNot)) << whyNot;

    Ran back = WithPbx("sync", {"--partner", "carddav"});
    ASSERT_EQ(0, back.code) << back.err;
    EXPECT_EQ(CanonSpecs({"Anna Lee: Mob=0170 111", "Ben Ode: Bus1=030 222"}), Book());
}

}  // namespace
}  // namespace korvi::test
