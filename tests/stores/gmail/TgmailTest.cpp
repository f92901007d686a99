// The cloud store against the emulator over verified HTTPS: login, groups and their counts,
// group creation and the chooser's logic, and the contacts of a group read, written, amended
// and deleted, with every fault the store had mended.
#include "stores/gmail/Tgmail.h"

#include <atomic>
#include <string>

#include <gtest/gtest.h>

#include "GdataTestSupport.h"
#include "app/Log.h"
#include "app/Md5Digest.h"
#include "app/TextIds.h"
#include "app/Texts.h"
#include "common/ResultTesting.h"
#include "common/TestEnv.h"
#include "net/UrlText.h"

namespace korvi {
namespace {

using gdatasim::SimRequest;

constexpr char kEmail[] = "anna.test@gmail.com";
constexpr char kPassword[] = "pa ss&word+1";
constexpr char kMyContacts[] = "System Group: My Contacts";

gdatasim::GdataSimOptions Options() {
    gdatasim::GdataSimOptions o;
    o.accounts = {{kEmail, kPassword}};
    return o;
}

std::string Entry(const std::string& name, const std::string& inner,
                  const std::vector<std::string>& groupIds) {
    std::string xml =
        "<entry xmlns='http://www.w3.org/2005/Atom' xmlns:gd='http://schemas.google.com/g/2005' "
        "xmlns:gContact='http://schemas.google.com/contact/2008'><gd:name><gd:fullName>" +
        name + "</gd:fullName></gd:name>" + inner;
    for (const auto& g : groupIds) {
        xml += "<gContact:groupMembershipInfo deleted='false' href='" + g + "'/>";
    }
    return xml + "</entry>";
}

std::string Phone(const std::string& kind, const std::string& number) {
    return "<gd:phoneNumber rel='http://schemas.google.com/g/2005#" + kind + "'>" + number +
           "</gd:phoneNumber>";
}

TContact Record(const std::string& first, const std::string& last,
                std::vector<std::pair<int32_t, std::string>> numbers) {
    TContact c;
    c.firstName = first;
    c.lastName = last;
    c.displayName = first + " " + last;
    for (const auto& [type, number] : numbers) AddNumber(number, type, c);
    return c;
}

// Progress that can stop an operation once a text containing `at` is shown.
class StoppingProgress final : public Progress {
public:
    explicit StoppingProgress(StopFlag& stop) : m_stop(stop) {}
    std::string stopAt;
    void SetProgress(int, int, int) override {}
    void SetProgressText(const std::string& text, int) override {
        if (!stopAt.empty() && text.find(stopAt) != std::string::npos) m_stop = true;
    }

private:
    StopFlag& m_stop;
};

class TgmailTest : public testing::Test {
protected:
    TgmailTest()
        : m_server(Options()),
          m_transport(m_server.MakeTransport()),
          m_progress(m_stop),
          m_store(m_progress, *m_transport) {}

    void SetUp() override {
        ASSERT_TRUE(m_server.started());
        m_logs = test::MakeTempDir("logs");
        SetLogsFolder(m_logs);
        SetDetailedLogging(true);
        m_store.serviceUrl = m_server.url();
        m_store.accountName = kEmail;
        m_store.accountPassword = kPassword;
    }
    void TearDown() override {
        // Nothing secret in any log line.
        const std::string logs = Logs();
        EXPECT_EQ(logs.find(kPassword), std::string::npos);
        EXPECT_EQ(logs.find(net::PercentEncode(kPassword)), std::string::npos);
        if (!m_store.authToken.empty()) {
            EXPECT_EQ(logs.find(m_store.authToken), std::string::npos);
        }
        SetDetailedLogging(false);
    }

    std::string Logs() const {
        std::string all;
        for (const auto& entry : std::filesystem::directory_iterator(m_logs)) {
            all += test::ReadFile(entry.path());
        }
        return all;
    }

    void LogInTo(const std::string& title) {
        ASSERT_EQ(CodeOf(m_store.LoginToGmail(), m_text), 0) << m_text;
        const std::string id = sim().GroupId(title);
        ASSERT_FALSE(id.empty()) << title;
        m_store.SetFolder(id, title);
    }

    std::string Add(const std::string& name, const std::string& inner,
                    std::vector<std::string> groupTitles = {kMyContacts}) {
        std::vector<std::string> ids;
        for (const auto& t : groupTitles) ids.push_back(sim().GroupId(t));
        std::string cid;
        EXPECT_EQ(sim().AddContactXml(Entry(name, inner, ids), cid), "");
        return cid;
    }

    TContactList Load(int expectedCode = 0) {
        TContactList list;
        EXPECT_EQ(CodeOf(m_store.LoadContacts(list, m_stop), m_text), expectedCode) << m_text;
        return list;
    }

    int Requests(const std::string& method, const std::string& pathPart) {
        int n = 0;
        for (const auto& r : m_server.sim().Requests()) {
            if (r.method == method && r.target.find(pathPart) != std::string::npos) ++n;
        }
        return n;
    }

    gdatasim::GdataSimulator& sim() { return m_server.sim(); }

    test::TlsGdataSim m_server;
    std::unique_ptr<net::CurlTransport> m_transport;
    StopFlag m_stop{false};
    StoppingProgress m_progress;
    Tgmail m_store;
    std::string m_text;
    std::filesystem::path m_logs;
};

TEST_F(TgmailTest, Login_PostsAnEncodedFormOnceAndFollowsAChangedAccount) {
    ASSERT_EQ(CodeOf(m_store.LoginToGmail(), m_text), 0) << m_text;
    EXPECT_EQ(m_store.loggedIn, 1);
    EXPECT_FALSE(m_store.authToken.empty());
    auto log = sim().Requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].method, "POST");
    EXPECT_EQ(log[0].target, "/accounts/ClientLogin") << "no password in the address";
    EXPECT_EQ(log[0].Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_NE(log[0].body.find("&Passwd=pa%20ss%26word%2B1&"), std::string::npos) << log[0].body;
    EXPECT_NE(log[0].body.find("Email=anna.test%40gmail.com"), std::string::npos);

    // Logged in: nothing is sent again.
    EXPECT_EQ(CodeOf(m_store.LoginToGmail(), m_text), 0);
    EXPECT_EQ(sim().RequestCount(), 1);

    // Another password is another login, and a refused one leaves no token behind.
    m_store.accountPassword = "wrong-password";
    EXPECT_EQ(CodeOf(m_store.LoginToGmail(), m_text), kResultGmailFailure);
    EXPECT_EQ(m_text, Text(kTextGmailLoginFailed) + " HTTP/1.1 403 Forbidden");
    EXPECT_EQ(m_store.loggedIn, 0);
    EXPECT_TRUE(m_store.authToken.empty());
    EXPECT_NE(Logs().find("ERR: GMAIL: Login Exception: userName anna.test@gmail.com : HTTP/1.1 "
                          "403 Forbidden"),
              std::string::npos);

    // An answer without a final line end: the whole token, which the service then takes.
    sim().SetLoginFinalNewline(false);
    m_store.accountPassword = kPassword;
    ASSERT_EQ(CodeOf(m_store.LoginToGmail(), m_text), 0);
    m_store.SetFolder(sim().GroupId(kMyContacts), kMyContacts);
    Load();
    EXPECT_EQ(Requests("GET", "/m8/feeds/contacts/"), 1);
    EXPECT_NE(Logs().find("LOG: GMAIL: Login Success: userName anna.test@gmail.com"),
              std::string::npos);
}

TEST_F(TgmailTest, RefusedToken_GetsOneFreshLoginAndOneRetry) {
    LogInTo(kMyContacts);
    Add("Ann One", Phone("mobile", "1"));
    sim().ExpireTokens();
    sim().ResetCounters();
    EXPECT_EQ(Load().size(), 1u);
    std::vector<std::string> seen;
    for (const auto& r : sim().Requests())
        seen.push_back(r.method + " " + std::to_string(r.status));
    EXPECT_EQ(seen, (std::vector<std::string>{"GET 401", "POST 200", "GET 200"}));

    // Refused again on the retry: a failure, not a loop.
    sim().ResetCounters();
    sim().ExpireTokens();
    sim().SetExpireTokensAt(3);
    Load(kResultGmailFailure);
    EXPECT_EQ(m_text, Text(kTextGmailLoadFailed));
    EXPECT_EQ(sim().RequestCount(), 3);
}

TEST_F(TgmailTest, Groups_TreeWithCountsEveryPageAndAFailedCountShowsZero) {
    ASSERT_EQ(sim().SeedContacts(3, "System Group: Family"), 3);
    ASSERT_EQ(sim().SeedContacts(2, "Korvi"), 2);
    for (int i = 0; i < 25; ++i) ASSERT_EQ(sim().SeedContacts(0, "Extra " + std::to_string(i)), 0);
    ASSERT_EQ(CodeOf(m_store.LoginToGmail(), m_text), 0);
    ASSERT_EQ(CodeOf(m_store.GetGmailFolderInfo(), m_text), 0) << m_text;
    const GmailGroupNode& root = m_store.folderTree;
    EXPECT_EQ(root.text, Text(kTextGmailGroupsCaption));
    EXPECT_EQ(root.imageIndex, 0);
    EXPECT_FALSE(root.record.has_value());
    // Four system groups, Korvi and 25 more: past the feed's first page of 25.
    EXPECT_EQ(m_store.numFolders, 30);
    ASSERT_EQ(root.children.size(), 30u);
    EXPECT_EQ(root.children[0].text, "System Group: My Contacts (0)");
    EXPECT_EQ(root.children[2].text, "System Group: Family (3)");
    EXPECT_EQ(root.children[4].text, "Korvi (2)");
    EXPECT_EQ(root.children[4].imageIndex, 1);
    EXPECT_EQ(root.children[4].record->id, sim().GroupId("Korvi"));
    EXPECT_EQ(root.children[29].text, "Extra 24 (0)");

    // The count of Family (the third count request) fails: 0, and the listing goes on.
    sim().ResetCounters();
    sim().SetFailRequest(2 + 3);
    m_text.clear();
    ASSERT_EQ(CodeOf(m_store.GetGmailFolderInfo(), m_text), 0);
    EXPECT_EQ(m_store.folderTree.children[2].text, "System Group: Family (0)");
    EXPECT_EQ(m_store.folderTree.children[4].text, "Korvi (2)");
    EXPECT_EQ(m_text, Text(kTextGmailFolderCountFailed));
}

TEST_F(TgmailTest, CreateGroup_TakesTheListedIdAndTheChooserLogicHolds) {
    ASSERT_EQ(CodeOf(m_store.LoginToGmail(), m_text), 0);
    m_store.folderTitle = "Korvi Export";
    ASSERT_EQ(CodeOf(m_store.CreateNewGmailFolder(), m_text), 0) << m_text;
    const std::string id = sim().GroupId("Korvi Export");
    EXPECT_EQ(m_store.folderID, id) << "the id the groups feed lists, not the Location rewritten";
    EXPECT_TRUE(id.starts_with("http://"));
    std::string key;
    ASSERT_TRUE(Md5Hex(id, key));
    EXPECT_EQ(m_store.contactStoreID(), key);
    EXPECT_EQ(m_store.folderContactCount, 0);

    // A title the service refuses: a failure, and the chosen group stays.
    EXPECT_EQ(CodeOf(m_store.CreateNewGmailFolder(), m_text), kResultGmailFailure);
    EXPECT_EQ(m_text, Text(kTextGmailCreateFolderFailed));
    EXPECT_EQ(m_store.folderID, id);

    ASSERT_EQ(CodeOf(m_store.GetGmailFolderInfo(), m_text), 0);
    m_store.ResetChooser();
    EXPECT_FALSE(m_store.SelectGroupNode(&m_store.folderTree));
    EXPECT_FALSE(m_store.SelectGroupNode(nullptr));
    const GmailGroupNode& family = m_store.folderTree.children[2];
    EXPECT_TRUE(m_store.SelectGroupNode(&family));
    EXPECT_EQ(m_store.folderTitle, "System Group: Family");
    EXPECT_EQ(m_store.folderID, family.record->id);

    EXPECT_EQ(m_store.RequestNewGroup(""), Text(kTextFolderNameInvalid));
    EXPECT_EQ(m_store.createCancelled, 1);
    EXPECT_EQ(m_store.newFolderRequested, 0);
    m_store.ResetChooser();
    EXPECT_EQ(m_store.RequestNewGroup("Sales"), "");
    EXPECT_EQ(m_store.newFolderRequested, 1);
    EXPECT_EQ(m_store.folderTitle, "Sales");
    m_store.ResetChooser();
    m_store.loggedIn = 0;
    EXPECT_EQ(m_store.RequestNewGroup("Sales"), Text(kTextGmailNotLoggedIn));
    EXPECT_EQ(m_store.newFolderRequested, 0);
    EXPECT_EQ(m_store.createCancelled, 0);
}

TEST_F(TgmailTest, Load_MapsTheGroupsContactsAndWarnsOfWhatItDrops) {
    LogInTo("System Group: Friends");
    Add("Hanna Home", Phone("home", "1") + Phone("home", "2") + Phone("home", "3"),
        {"System Group: Friends"});
    Add("Labelled Only", "<gd:phoneNumber label='Grand Central'>425</gd:phoneNumber>",
        {"System Group: Friends"});
    Add("Mail Only", "<gd:email address='m@example.invalid'/>", {"System Group: Friends"});
    Add("Other Group", Phone("mobile", "9"), {"System Group: Family"});
    const TContactList list = Load();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->displayName, "Hanna Home");
    ASSERT_EQ(list[0]->numbers->size(), 2u);
    EXPECT_EQ((*list[0]->numbers)[1].numberType, kHome2);
    EXPECT_EQ(list[0]->entryId, sim().Contacts("System Group: Friends")[0].editUrl);
    EXPECT_TRUE(list[1]->numbers.has_value());
    EXPECT_TRUE(list[1]->numbers->empty());
    EXPECT_EQ(m_store.numbersSkipped, 1);
    const std::string history = test::ReadFile(HistoryFilePath());
    EXPECT_NE(history.find("Warning: No capacity to add 'home' number [3] for Gmail contact "
                           "[Hanna Home]"),
              std::string::npos)
        << history;
    EXPECT_NE(history.find("Warning: Cannot add number [425] for Gmail contact [Labelled Only] - "
                           "number type not mapped (tag=Grand Central)"),
              std::string::npos);
    EXPECT_NE(Logs().find("LOG: GMAIL: LoadContacts: [Mail Only] has no numbers - not loading."),
              std::string::npos);
    // The feed itself (names, numbers) is not in the detailed log.
    EXPECT_EQ(Logs().find("<gd:phoneNumber"), std::string::npos);

    // The group's address goes encoded into the query.
    const auto log = sim().Requests();
    EXPECT_NE(log.back().target.find("&group=" + net::PercentEncode(m_store.folderID)),
              std::string::npos)
        << log.back().target;
}

TEST_F(TgmailTest, Load_TenThousandAndOneContactsOverTwoPages) {
    ASSERT_EQ(sim().SeedContacts(10'001), 10'001);
    LogInTo(kMyContacts);
    sim().ResetCounters();
    const TContactList list = Load();
    EXPECT_EQ(list.size(), 10'001u);
    EXPECT_EQ(sim().RequestCount(), 2);
    EXPECT_EQ(list.back()->entryId, sim().Contacts().back().editUrl);
}

TEST_F(TgmailTest, Save_WritesEntriesReplacesAndLeavesOtherGroupsContacts) {
    ASSERT_EQ(sim().SeedContacts(0, "Korvi"), 0);
    LogInTo("Korvi");
    const std::string onlyHere = Add("Only Here", Phone("mobile", "1"), {"Korvi"});
    const std::string alsoFamily =
        Add("Also Family", Phone("mobile", "2"), {"Korvi", "System Group: Family"});

    TContactList list;
    list.push_back(std::make_unique<TContact>(
        Record("Anna", "Meyer", {{kHome1, "040 1"}, {kInt, "201"}, {kMob, "0170 2"}})));
    list.push_back(std::make_unique<TContact>(Record("Ben", "Ng", {{kBus1, "030 3"}})));
    m_store.folderContactCount = 0;  // as after a restart: what the group holds is read
    ASSERT_EQ(CodeOf(m_store.SaveContacts(list, m_stop), m_text), 0) << m_text;

    const auto korvi = sim().Contacts("Korvi");
    ASSERT_EQ(korvi.size(), 2u);
    EXPECT_EQ(korvi[0].fullName, "Anna Meyer");
    ASSERT_EQ(korvi[0].phones.size(), 2u) << "the internal number is not written";
    EXPECT_EQ(korvi[0].phones[0].rel, "home");
    EXPECT_EQ(korvi[0].phones[1].rel, "mobile");
    EXPECT_EQ(list[0]->entryId, korvi[0].editUrl);
    EXPECT_EQ(list[1]->entryId, korvi[1].editUrl);
    // Replaced: the contact only in this group is gone; the one also in Family only left it.
    const auto family = sim().Contacts("System Group: Family");
    ASSERT_EQ(family.size(), 1u);
    EXPECT_EQ(family[0].cid, alsoFamily);
    EXPECT_EQ(family[0].groupTitles, std::vector<std::string>{"System Group: Family"});
    for (const auto& c : sim().Contacts()) EXPECT_NE(c.cid, onlyHere);

    // Kept once: the save that was told to keep adds, the next one replaces again.
    m_store.keepExisting = 1;
    TContactList more;
    more.push_back(std::make_unique<TContact>(Record("Cleo", "Park", {{kMob, "3"}})));
    ASSERT_EQ(CodeOf(m_store.SaveContacts(more, m_stop), m_text), 0);
    EXPECT_EQ(sim().Contacts("Korvi").size(), 3u);
    EXPECT_EQ(m_store.keepExisting, 0);
    ASSERT_EQ(CodeOf(m_store.SaveContacts(more, m_stop), m_text), 0);
    EXPECT_EQ(sim().Contacts("Korvi").size(), 1u);
}

TEST_F(TgmailTest, Save_StopsBeforeTheNextContactOrDeletion) {
    ASSERT_EQ(sim().SeedContacts(3, "Korvi"), 3);
    LogInTo("Korvi");
    TContactList list;
    for (int i = 0; i < 4; ++i) {
        list.push_back(std::make_unique<TContact>(
            Record("P" + std::to_string(i), "Q", {{kMob, std::to_string(i)}})));
    }
    // Stopped while the second existing contact is deleted: the third stays.
    m_progress.stopAt = Text(kTextDeletingGmailContact, {}, {}, "2", "3");
    EXPECT_EQ(CodeOf(m_store.SaveContacts(list, m_stop), m_text), kResultCancelled);
    EXPECT_EQ(sim().Contacts("Korvi").size(), 1u);

    // Stopped while the second contact is written: two written, then -7.
    m_stop = false;
    m_progress.stopAt = Text(kTextWritingGmailContact, {}, {}, "2", "4");
    m_store.keepExisting = 1;
    EXPECT_EQ(CodeOf(m_store.SaveContacts(list, m_stop), m_text), kResultCancelled);
    EXPECT_EQ(sim().Contacts("Korvi").size(), 3u);
}

TEST_F(TgmailTest, Update_AddAmendDeleteKeepWhatTheRecordDoesNotHold) {
    LogInTo(kMyContacts);
    const std::string cid = Add("Old Name",
                                Phone("home", "1") + Phone("mobile", "2") +
                                    "<gd:phoneNumber label='Grand Central'>425</gd:phoneNumber>"
                                    "<gd:email address='keep@example.invalid'/>"
                                    "<gd:structuredPostalAddress><gd:street>Main St</gd:street>"
                                    "</gd:structuredPostalAddress>",
                                {kMyContacts, "System Group: Coworkers"});
    TContactList loaded = Load();
    ASSERT_EQ(loaded.size(), 1u);
    TContact amended = Record("New", "Name", {{kHome1, "11"}, {kBus1, "33"}});
    amended.entryId = loaded[0]->entryId;
    ASSERT_EQ(CodeOf(m_store.UpdateContact(PartnerStore::kUpdateAmend, amended), m_text), 0)
        << m_text;
    auto now = sim().Contacts(kMyContacts);
    ASSERT_EQ(now.size(), 1u);
    EXPECT_EQ(now[0].cid, cid);
    EXPECT_EQ(now[0].fullName, "New Name");
    ASSERT_EQ(now[0].phones.size(), 3u);
    EXPECT_EQ(now[0].phones[0].number, "11");
    EXPECT_EQ(now[0].phones[1].number, "33");
    EXPECT_EQ(now[0].phones[2].label, "Grand Central");
    EXPECT_NE(now[0].entryXml.find("keep@example.invalid"), std::string::npos);
    EXPECT_NE(now[0].entryXml.find("Main St"), std::string::npos);
    EXPECT_EQ(now[0].groupTitles,
              (std::vector<std::string>{kMyContacts, "System Group: Coworkers"}));
    const auto put = sim().Requests().back();
    EXPECT_EQ(put.method, "PUT");
    // The tag of the version read, not "*": another client's change is not overwritten.
    EXPECT_TRUE(put.Header("If-Match").starts_with("\"Q")) << put.Header("If-Match");

    TContact added = Record("Added", "Person", {{kMob, "7"}});
    ASSERT_EQ(CodeOf(m_store.UpdateContact(PartnerStore::kUpdateAdd, added), m_text), 0);
    EXPECT_EQ(added.entryId, sim().Contacts(kMyContacts).back().editUrl);

    // A delete: the contact also in Coworkers only leaves this group; the other is deleted.
    ASSERT_EQ(CodeOf(m_store.UpdateContact(PartnerStore::kUpdateDelete, amended), m_text), 0)
        << m_text;
    ASSERT_EQ(CodeOf(m_store.UpdateContact(PartnerStore::kUpdateDelete, added), m_text), 0)
        << m_text;
    EXPECT_TRUE(sim().Contacts(kMyContacts).empty());
    ASSERT_EQ(sim().Contacts().size(), 1u);
    EXPECT_EQ(sim().Contacts()[0].groupTitles, std::vector<std::string>{"System Group: Coworkers"});

    EXPECT_EQ(CodeOf(m_store.UpdateContact(7, added), m_text), -1);
    EXPECT_EQ(m_text, "UpdateContact: action Unknown");
    TContact noUrl;
    EXPECT_EQ(CodeOf(m_store.AmendContact(noUrl), m_text), -1);
    EXPECT_EQ(m_text, "ERR: GMAIL: AmendContact: Null url");
    EXPECT_EQ(CodeOf(m_store.DeleteContact(""), m_text), -1);
    EXPECT_EQ(m_text, "ERR: GMAIL: DeleteContact: Null url");
}

TEST_F(TgmailTest, Amend_ChangedMeanwhileIsReadAgainOnceThenFails) {
    LogInTo(kMyContacts);
    const std::string cid = Add("Old Name", Phone("mobile", "2"));
    TContactList loaded = Load();
    TContact amended = Record("New", "Name", {{kMob, "3"}});
    amended.entryId = loaded[0]->entryId;

    std::atomic<int> touches{1};
    sim().SetBeforeRequest([&](const SimRequest& r) {
        if (r.method == "PUT" && touches > 0) {
            --touches;
            sim().TouchContact(cid);
        }
    });
    ASSERT_EQ(CodeOf(m_store.AmendContact(amended), m_text), 0) << m_text;
    EXPECT_EQ(sim().Contacts()[0].fullName, "New Name");
    EXPECT_EQ(Requests("PUT", "/full/"), 2);
    EXPECT_EQ(Requests("GET", "/full/" + cid), 2);

    touches = 2;
    amended = Record("Third", "Name", {{kMob, "4"}});
    amended.entryId = loaded[0]->entryId;
    EXPECT_EQ(CodeOf(m_store.AmendContact(amended), m_text), kResultGmailFailure);
    EXPECT_EQ(m_text, Text(kTextGmailAmendFailed));
    EXPECT_EQ(sim().Contacts()[0].fullName, "New Name");

    // Another client renamed it between our read and our write: its name is not overwritten.
    sim().ResetCounters();
    std::atomic<bool> renamed{false};
    sim().SetBeforeRequest([&](const SimRequest& r) {
        if (r.method == "PUT" && !renamed.exchange(true)) {
            EXPECT_EQ(sim().EditContactXml(cid, Entry("Their Name", Phone("mobile", "3"), {})), "");
        }
    });
    EXPECT_EQ(CodeOf(m_store.AmendContact(amended), m_text), kResultGmailFailure);
    EXPECT_EQ(sim().Contacts()[0].fullName, "Their Name");
    EXPECT_EQ(Requests("PUT", "/full/"), 1);
    EXPECT_NE(Logs().find("changed by another client since it was read"), std::string::npos);
    sim().SetBeforeRequest(nullptr);
}

// ---- Answers no well-behaved service gives ----

class CannedTransport final : public net::HttpTransport {
public:
    std::vector<net::HttpResponse> answers;
    std::vector<net::HttpRequest> seen;
    net::HttpResponse Send(const net::HttpRequest& request) override {
        seen.push_back(request);
        if (answers.empty()) return {};
        net::HttpResponse r = answers.front();
        answers.erase(answers.begin());
        return r;
    }
};

net::HttpResponse Canned(long status, std::vector<net::HttpHeader> headers, std::string body) {
    net::HttpResponse r;
    r.status = status;
    r.headers = std::move(headers);
    r.body = std::move(body);
    return r;
}

TEST(TgmailCannedTest, CreatesWithoutA201OrLocation_AndNextLinksOffTheService) {
    NullProgress progress;
    CannedTransport canned;
    Tgmail store(progress, canned);
    store.serviceUrl = "https://cloud.test";
    store.authToken = "token";
    store.loggedIn = 1;
    store.SetFolder("http://cloud.test/m8/feeds/groups/default/base/6", "My Contacts");
    std::string text;

    // A success that is not "201 Created" made nothing we can name: a failure, no id.
    TContact c = Record("A", "B", {{kMob, "1"}});
    canned.answers = {Canned(200, {}, "")};
    EXPECT_EQ(CodeOf(store.WriteNewContact(c), text), kResultGmailFailure);
    EXPECT_EQ(text, Text(kTextGmailWriteFailed));
    EXPECT_TRUE(c.entryId.empty());

    // 201 without a Location: the new entry's own edit link names it.
    canned.answers = {
        Canned(201, {},
               "<entry xmlns='http://www.w3.org/2005/Atom'><link rel='edit' "
               "href='https://cloud.test/m8/feeds/contacts/default/full/9'/></entry>")};
    EXPECT_EQ(CodeOf(store.WriteNewContact(c), text), 0);
    EXPECT_EQ(c.entryId, "https://cloud.test/m8/feeds/contacts/default/full/9");
    canned.answers = {Canned(201, {}, "")};
    TContact d = Record("C", "D", {{kMob, "2"}});
    EXPECT_EQ(CodeOf(store.WriteNewContact(d), text), kResultGmailFailure);
    EXPECT_EQ(text, Text(kTextGmailNoContactLocation));

    // A group answered 200: not made, the chosen group stays.
    store.folderTitle = "New";
    canned.answers = {
        Canned(200, {}, "<entry><id>http://x/m8/feeds/groups/default/base/z</id></entry>")};
    EXPECT_EQ(CodeOf(store.CreateNewGmailFolder(), text), kResultGmailFailure);
    EXPECT_EQ(text, Text(kTextGmailCreateFolderFailed));
    EXPECT_EQ(store.folderID, "http://cloud.test/m8/feeds/groups/default/base/6");

    // A next link to another host is not followed: the token goes to the service only.
    canned.seen.clear();
    canned.answers = {Canned(200, {},
                             "<feed xmlns='http://www.w3.org/2005/Atom'><link rel='next' "
                             "href='https://elsewhere.invalid/m8/feeds/contacts/default/full?"
                             "start-index=2'/></feed>")};
    TContactList list;
    StopFlag stop{false};
    EXPECT_EQ(CodeOf(store.LoadContacts(list, stop), text), kResultGmailFailure);
    EXPECT_EQ(text, Text(kTextGmailLoadFailed));
    ASSERT_EQ(canned.seen.size(), 1u);
    EXPECT_TRUE(canned.seen[0].url.starts_with("https://cloud.test/"));
    TContact far;
    far.entryId = "https://elsewhere.invalid/m8/feeds/contacts/default/full/1";
    EXPECT_EQ(CodeOf(store.AmendContact(far), text), kResultGmailFailure);
    EXPECT_EQ(canned.seen.size(), 1u);

    // No password over plain HTTP to another machine.
    store.serviceUrl = "http://cloud.test";
    store.loggedIn = 0;
    store.accountName = "anna.test@gmail.com";
    store.accountPassword = "secret-password";
    canned.seen.clear();
    EXPECT_EQ(CodeOf(store.LoginToGmail(), text), kResultGmailFailure);
    EXPECT_NE(text.find("must begin with https://"), std::string::npos) << text;
    EXPECT_TRUE(canned.seen.empty());
}

}  // namespace
}  // namespace korvi
