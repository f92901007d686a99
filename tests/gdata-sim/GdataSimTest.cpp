// The emulator over HTTPS, spoken to as the service was: the recorded requests are accepted and
// answered in the recorded shape, paging, entity tags, tokens and the strict checks hold, and
// the state file keeps the store.
#include <pugixml.hpp>

#include <algorithm>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "GdataTestSupport.h"
#include "common/TestEnv.h"
#include "net/UrlText.h"

namespace korvi::test {
namespace {

using gdatasim::GdataSimOptions;
using net::HttpRequest;
using net::HttpResponse;

constexpr char kEmail[] = "anna.test@gmail.com";
constexpr char kPassword[] = "p+ss&w=rd 1";

GdataSimOptions Options() {
    GdataSimOptions o;
    o.accounts = {{kEmail, kPassword}, {"ben.test@gmail.com", "other-secret"}};
    return o;
}

class GdataSimTest : public testing::Test {
protected:
    explicit GdataSimTest(GdataSimOptions options = Options())
        : m_server(std::move(options)), m_http(m_server.MakeTransport()) {}

    void SetUp() override { ASSERT_TRUE(m_server.started()); }

    HttpResponse Send(HttpRequest request) {
        request.timeoutMs = 10'000;
        return m_http->Send(request);
    }

    HttpResponse Login(const std::string& email = kEmail, const std::string& password = kPassword) {
        HttpRequest r;
        r.method = "POST";
        r.url = m_server.url() + "/accounts/ClientLogin";
        r.headers = {{"Content-Type", "application/x-www-form-urlencoded"}};
        r.body = net::FormEncode({{"accountType", "GOOGLE"},
                                  {"Email", email},
                                  {"Passwd", password},
                                  {"service", "cp"},
                                  {"source", "QVX-KorviComm"}});
        return Send(r);
    }

    // Logs in and keeps the token for Feed().
    void LogIn() {
        const HttpResponse r = Login();
        ASSERT_EQ(r.status, 200) << r.error << r.body;
        const std::size_t at = r.body.find("Auth=");
        ASSERT_NE(at, std::string::npos);
        m_token = r.body.substr(at + 5);
        while (!m_token.empty() && m_token.back() == '\n') m_token.pop_back();
    }

    // A feed request with the conventions of every request: version, token, type of a body.
    HttpResponse Feed(const std::string& method, const std::string& pathOrUrl,
                      const std::string& body = "", std::vector<net::HttpHeader> extra = {}) {
        HttpRequest r;
        r.method = method;
        r.url = pathOrUrl.starts_with("https://") ? pathOrUrl : m_server.url() + pathOrUrl;
        r.headers = {{"GData-Version", "3.0"}, {"Authorization", "GoogleLogin auth=" + m_token}};
        const bool ownType = std::any_of(extra.begin(), extra.end(),
                                         [](const auto& h) { return h.name == "Content-Type"; });
        if ((method == "POST" || method == "PUT") && !ownType) {
            r.headers.push_back({"Content-Type", "application/atom+xml"});
        }
        for (auto& h : extra) r.headers.push_back(std::move(h));
        r.body = body;
        return Send(r);
    }

    gdatasim::GdataSimulator& sim() { return m_server.sim(); }

    TlsGdataSim m_server;
    std::unique_ptr<net::CurlTransport> m_http;
    std::string m_token;
};

pugi::xml_document Parse(const std::string& xml) {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_string(xml.c_str())) << xml;
    return doc;
}

std::string LinkHref(const pugi::xml_node& node, const char* rel) {
    for (pugi::xml_node link : node.children("link")) {
        if (std::string_view(link.attribute("rel").value()) == rel) {
            return link.attribute("href").value();
        }
    }
    return "";
}

const char kEntry[] =
    "<atom:entry xmlns:atom='http://www.w3.org/2005/Atom' xmlns:gd='http://schemas.google.com/g/"
    "2005' xmlns:gContact='http://schemas.google.com/contact/2008'><atom:category "
    "scheme='http://schemas.google.com/g/2005#kind' "
    "term='http://schemas.google.com/contact/2008#contact'/><gd:name><gd:givenName>Zo\xC3\xAB</"
    "gd:givenName><gd:familyName>O'Neil</gd:familyName><gd:fullName>Zo\xC3\xAB "
    "O'Neil</gd:fullName></gd:name><gd:phoneNumber "
    "rel='http://schemas.google.com/g/2005#home'>040 1</gd:phoneNumber><gd:email "
    "rel='http://schemas.google.com/g/2005#home' address='zoe@example.invalid'/>"
    "<gContact:groupMembershipInfo deleted='false' href='http://elsewhere.invalid/m8/feeds/"
    "groups/default/base/6'/></atom:entry>";

TEST_F(GdataSimTest, Login_AnswersTokenLinesOrRefuses) {
    HttpResponse r = Login();
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.Header("Content-Type"), "text/plain; charset=UTF-8");
    ASSERT_TRUE(r.body.starts_with("SID=")) << r.body;
    EXPECT_NE(r.body.find("\nLSID="), std::string::npos);
    EXPECT_NE(r.body.find("\nAuth=DQAAA"), std::string::npos);
    EXPECT_EQ(r.body.back(), '\n');

    sim().SetLoginFinalNewline(false);
    r = Login();
    ASSERT_EQ(r.status, 200);
    EXPECT_NE(r.body.back(), '\n');

    // The same fields in the query of a GET, as a client of the old protocol sent them.
    HttpRequest get;
    get.url = m_server.url() + "/accounts/ClientLogin?" +
              net::FormEncode({{"accountType", "GOOGLE"},
                               {"Email", kEmail},
                               {"Passwd", kPassword},
                               {"service", "cp"}});
    EXPECT_EQ(Send(get).status, 200);

    // Unencoded, the '+', '&' and '=' of the password change it: the login fails.
    get.url = m_server.url() + "/accounts/ClientLogin?accountType=GOOGLE&Email=" + kEmail +
              "&Passwd=p+ss&w=rd%201&service=cp";
    r = Send(get);
    EXPECT_TRUE(r.status == 403 || r.status == 400) << r.status;

    r = Login(kEmail, "wrong-password");
    EXPECT_EQ(r.status, 403);
    EXPECT_EQ(r.body, "Error=BadAuthentication\n");
    EXPECT_EQ(Login("nobody@gmail.com", kPassword).status, 403);
}

TEST_F(GdataSimTest, StrictChecks_RefuseWithTheReason) {
    LogIn();
    const std::string feed = "/m8/feeds/contacts/default/full";
    struct Case {
        const char* name;
        std::string method, path, body;
        std::vector<net::HttpHeader> extra;
        const char* reason;
    };
    const std::string entryHead =
        "<entry xmlns='http://www.w3.org/2005/Atom' xmlns:gd='http://schemas.google.com/g/2005'"
        " xmlns:gContact='http://schemas.google.com/contact/2008'>";
    const Case cases[] = {
        {"NotXml", "POST", feed, "<entry", {}, "not well-formed XML at offset"},
        {"NotAnEntry",
         "POST",
         feed,
         "<feed xmlns='http://www.w3.org/2005/Atom'/>",
         {},
         "must be an Atom entry"},
        {"EntryOutsideAtom", "POST", feed, "<entry/>", {}, "must be an Atom entry"},
        {"PhoneWithoutRelOrLabel",
         "POST",
         feed,
         entryHead + "<gd:phoneNumber>1</gd:phoneNumber></entry>",
         {},
         "exactly one of rel"},
        {"PhoneWithBoth",
         "POST",
         feed,
         entryHead + "<gd:phoneNumber rel='http://schemas.google.com/g/2005#home' "
                     "label='x'>1</gd:phoneNumber></entry>",
         {},
         "exactly one of rel"},
        {"UnknownRel",
         "POST",
         feed,
         entryHead +
             "<gd:phoneNumber rel='http://schemas.google.com/g/2005#Home'>1</gd:phoneNumber>"
             "</entry>",
         {},
         "Unknown phone number rel"},
        {"UnknownGroup",
         "POST",
         feed,
         entryHead +
             "<gContact:groupMembershipInfo href='http://x/m8/feeds/groups/default/base/77'/>"
             "</entry>",
         {},
         "Unknown group"},
        {"GroupKindForContact",
         "POST",
         feed,
         entryHead + "<category scheme='http://schemas.google.com/g/2005#kind' "
                     "term='http://schemas.google.com/contact/2008#group'/></entry>",
         {},
         "Wrong kind"},
        {"UnknownParameter",
         "GET",
         feed + "?max-results=10&orderby=x",
         "",
         {},
         "Unknown query parameter 'orderby'"},
        {"BadMaxResults", "GET", feed + "?max-results=0", "", {}, "Invalid value for max-results"},
        {"BadEscape", "GET", feed + "?group=%zz", "", {}, "Malformed percent-encoding"},
        {"UnknownGroupFilter",
         "GET",
         feed + "?group=" + net::PercentEncode("http://x/m8/feeds/groups/default/base/77"),
         "",
         {},
         "Invalid group id"},
        {"EmptyGroupTitle",
         "POST",
         "/m8/feeds/groups/default/full",
         "<entry xmlns='http://www.w3.org/2005/Atom'><title> </title></entry>",
         {},
         "needs a title"},
        {"WrongOverride",
         "POST",
         feed,
         "",
         {{"X-HTTP-Method-Override", "DELETE"}},
         "X-HTTP-Method-Override"},
    };
    for (const auto& c : cases) {
        const HttpResponse r = Feed(c.method, c.path, c.body, c.extra);
        EXPECT_EQ(r.status, 400) << c.name << ": " << r.body;
        EXPECT_NE(r.body.find(c.reason), std::string::npos) << c.name << ": " << r.body;
    }

    // Not a form; not Atom.
    HttpRequest form;
    form.method = "POST";
    form.url = m_server.url() + "/accounts/ClientLogin";
    form.body = "Email=a";
    EXPECT_EQ(Send(form).status, 400);
    HttpResponse r = Feed("POST", feed, kEntry, {{"Content-Type", "text/xml"}});
    EXPECT_EQ(r.status, 400) << r.body;

    // Tokens, versions and accounts.
    const std::string token = m_token;
    m_token = "not-a-token";
    r = Feed("GET", feed);
    EXPECT_EQ(r.status, 401);
    EXPECT_TRUE(r.Header("WWW-Authenticate").has_value());
    m_token = token;
    HttpRequest noVersion;
    noVersion.url = m_server.url() + feed;
    noVersion.headers = {{"Authorization", "GoogleLogin auth=" + m_token}};
    EXPECT_EQ(Send(noVersion).status, 400);
    EXPECT_EQ(Feed("GET", "/m8/feeds/contacts/ben.test%40gmail.com/full").status, 403);
    EXPECT_EQ(Feed("GET", "/m8/feeds/contacts/anna.test%40gmail.com/full").status, 200);
    sim().ExpireTokens();
    EXPECT_EQ(Feed("GET", feed).status, 401);
}

TEST_F(GdataSimTest, ContactLifecycle_EntityTagsGuardEveryChange) {
    LogIn();
    HttpResponse r = Feed("POST", "/m8/feeds/contacts/default/full", kEntry);
    ASSERT_EQ(r.status, 201) << r.body;
    const std::string location = r.Header("Location").value_or("");
    const std::string etag1 = r.Header("ETag").value_or("");
    EXPECT_EQ(r.Header("Content-Location"), location);
    ASSERT_TRUE(
        location.starts_with(m_server.url() + "/m8/feeds/contacts/anna.test%40gmail.com/full/"))
        << location;
    {
        const auto doc = Parse(r.body);
        const pugi::xml_node entry = doc.document_element();
        EXPECT_EQ(LinkHref(entry, "edit"), location);
        EXPECT_EQ(std::string(entry.attribute("gd:etag").value()), etag1);
        EXPECT_EQ(std::string(entry.child("title").text().get()), "Zo\xC3\xAB O'Neil");
        // Kept although we do not read it; the group written with the group's own id.
        EXPECT_TRUE(entry.child("gd:email"));
        EXPECT_EQ(
            std::string(entry.child("gContact:groupMembershipInfo").attribute("href").value()),
            sim().GroupId("System Group: My Contacts"));
    }

    r = Feed("GET", location);
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.Header("ETag"), etag1);

    const std::string changed =
        std::string(kEntry).replace(std::string(kEntry).find("040 1"), 5, "040 2");
    r = Feed("PUT", location, changed, {{"If-Match", "\"stale.\""}});
    EXPECT_EQ(r.status, 412);
    EXPECT_TRUE(r.body.starts_with("Mismatch: etags = [")) << r.body;
    r = Feed("PUT", location, changed);
    EXPECT_EQ(r.status, 403) << "no If-Match";
    r = Feed("PUT", location, changed, {{"If-Match", etag1}});
    ASSERT_EQ(r.status, 200) << r.body;
    const std::string etag2 = r.Header("ETag").value_or("");
    EXPECT_NE(etag2, etag1);
    EXPECT_EQ(sim().Contacts()[0].phones[0].number, "040 2");

    sim().TouchContact(sim().Contacts()[0].cid);
    r = Feed("DELETE", location, "", {{"If-Match", etag2}});
    EXPECT_EQ(r.status, 412) << "another client changed it";
    r = Feed("POST", location, "", {{"If-Match", "*"}, {"X-HTTP-Method-Override", "DELETE"}});
    EXPECT_EQ(r.status, 200) << r.body;
    EXPECT_TRUE(r.body.empty());
    EXPECT_EQ(Feed("GET", location).status, 404);
    EXPECT_EQ(Feed("DELETE", location, "", {{"If-Match", "*"}}).status, 404);
}

TEST_F(GdataSimTest, Paging_NextLinksWalkEveryContactOnce) {
    ASSERT_EQ(sim().SeedContacts(7, "System Group: Family"), 7);
    ASSERT_EQ(sim().SeedContacts(2), 2);
    sim().SetPageCap(3);
    LogIn();
    const std::string group = sim().GroupId("System Group: Family");
    ASSERT_FALSE(group.empty());
    std::string url =
        "/m8/feeds/contacts/default/full?max-results=10000&group=" + net::PercentEncode(group);
    std::set<std::string> ids;
    int pages = 0;
    while (!url.empty()) {
        const HttpResponse r = Feed("GET", url);
        ASSERT_EQ(r.status, 200) << r.body;
        ++pages;
        const auto doc = Parse(r.body);
        const pugi::xml_node feed = doc.document_element();
        EXPECT_EQ(std::string(feed.child("openSearch:totalResults").text().get()), "7");
        for (pugi::xml_node e : feed.children("entry")) ids.insert(e.child("id").text().get());
        url = LinkHref(feed, "next");
        ASSERT_LE(pages, 5);
    }
    EXPECT_EQ(pages, 3);
    EXPECT_EQ(ids.size(), 7u);
}

TEST_F(GdataSimTest, Groups_SystemGroupsFirstAndNewGroupsIdsDifferFromTheirLocation) {
    LogIn();
    HttpResponse r = Feed("POST", "/m8/feeds/groups/default/full",
                          "<entry xmlns='http://www.w3.org/2005/Atom'><title type='text'>New "
                          "Group!</title></entry>");
    ASSERT_EQ(r.status, 201) << r.body;
    const std::string location = r.Header("Location").value_or("");
    const auto created = Parse(r.body);
    const std::string id = created.document_element().child("id").text().get();
    // As the service answered: the id has http and base where the Location has https and full.
    EXPECT_TRUE(location.starts_with("https://")) << location;
    EXPECT_TRUE(id.starts_with("http://")) << id;
    EXPECT_EQ(location.substr(location.rfind('/')), id.substr(id.rfind('/')));
    EXPECT_NE(location.find("/full/"), std::string::npos);
    EXPECT_NE(id.find("/base/"), std::string::npos);

    r = Feed("GET", "/m8/feeds/groups/default/full");
    ASSERT_EQ(r.status, 200);
    const auto doc = Parse(r.body);
    std::vector<std::string> titles;
    for (pugi::xml_node e : doc.document_element().children("entry")) {
        titles.push_back(e.child("title").text().get());
        const bool system = e.child("gContact:systemGroup");
        EXPECT_EQ(LinkHref(e, "edit").empty(), system) << titles.back();
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"System Group: My Contacts",
                                                "System Group: Friends", "System Group: Family",
                                                "System Group: Coworkers", "New Group!"}));
    EXPECT_EQ(sim().GroupId("New Group!"), id);
}

TEST_F(GdataSimTest, RecordedRequests_AreAcceptedAndAnsweredInTheRecordedShape) {
    SKIP_WITHOUT_GDATA_FIXTURES();
    LogIn();
    const auto insert = ReadTrace("contact-insert-201.trace");
    ASSERT_EQ(insert.size(), 1u);
    HttpResponse r = Feed("POST", "/m8/feeds/contacts/default/full", insert[0].request.body);
    ASSERT_EQ(r.status, 201) << r.body;
    for (const char* header : {"Location", "Content-Location", "ETag", "Content-Type"}) {
        EXPECT_FALSE(insert[0].response.Header(header).empty()) << header;
        EXPECT_TRUE(r.Header(header).has_value()) << header;
    }
    EXPECT_EQ(r.Header("Content-Type"), insert[0].response.Header("Content-Type"));
    const auto ours = Parse(r.body);
    const auto theirs = Parse(insert[0].response.body);
    // Every element the service kept of the request, we keep too (same names, same order of
    // the phone numbers, the non-ASCII value intact).
    std::multiset<std::string> ourNames, theirNames;
    for (pugi::xml_node c : ours.document_element().children()) ourNames.insert(c.name());
    for (pugi::xml_node c : theirs.document_element().children()) theirNames.insert(c.name());
    for (const auto& name : theirNames) {
        if (name == "content") continue;  // the service keeps it; so do we
        EXPECT_TRUE(ourNames.count(name) > 0) << name;
    }
    EXPECT_NE(r.body.find("\xC2\xA3"
                          "10"),
              std::string::npos);

    const auto group = ReadTrace("group-insert-201.trace");
    ASSERT_EQ(group.size(), 1u);
    r = Feed("POST", "/m8/feeds/groups/default/full", group[0].request.body);
    ASSERT_EQ(r.status, 201) << r.body;
    EXPECT_NE(r.body.find("<title>New Group!</title>"), std::string::npos);
    EXPECT_NE(r.body.find("barfoo"), std::string::npos);

    // Another client's create: atom-prefixed, memberships of a group this account lacks.
    const RecordedMessage create = ReadRawMessage("contact-create-request.txt");
    EXPECT_EQ(create.Header("Content-Type"), "application/atom+xml");
    r = Feed("POST", "/m8/feeds/contacts/default/full", create.body);
    EXPECT_EQ(r.status, 400);
    EXPECT_NE(r.body.find("Unknown group"), std::string::npos) << r.body;
    std::string mine = create.body;
    const std::string foreign =
        "http://www.google.com/m8/feeds/groups/MockAccount/base/5c25332b8f4c8a99";
    ASSERT_NE(mine.find(foreign), std::string::npos);
    mine.replace(mine.find(foreign), foreign.size(), sim().GroupId("New Group!"));
    mine.replace(mine.find("MockAccount"), 11, "default");
    r = Feed("POST", "/m8/feeds/contacts/default/full", mine);
    ASSERT_EQ(r.status, 201) << r.body;
    const std::string location = r.Header("Location").value_or("");

    // The recorded update with If-Match: * replaces the entry.
    const RecordedMessage modify = ReadRawMessage("contact-modify-request-if-match-star.txt");
    EXPECT_EQ(modify.Header("If-Match"), "*");
    r = Feed("PUT", location, mine, {{"If-Match", modify.Header("If-Match")}});
    EXPECT_EQ(r.status, 200) << r.body;

    // Refusals in the recorded words.
    const RecordedMessage refused412 = ReadRawMessage("precondition-failed-412.txt");
    r = Feed("PUT", location, mine, {{"If-Match", "oldetag"}});
    EXPECT_EQ(r.status, 412);
    EXPECT_TRUE(refused412.body.starts_with("Mismatch: etags = [oldetag], version = ["));
    EXPECT_TRUE(r.body.starts_with("Mismatch: etags = [oldetag], version = [")) << r.body;
    const auto bad = ReadTrace("clientlogin-bad-auth.trace");
    ASSERT_EQ(bad.size(), 1u);
    r = Login(kEmail, "bad-password");
    EXPECT_EQ(std::to_string(r.status), bad[0].response.startLine.substr(9, 3));
    EXPECT_EQ(r.body, bad[0].response.body + "\n");
}

class GdataSimStateTest : public testing::Test {};

TEST_F(GdataSimStateTest, StateFile_KeepsTheStoreAcrossRestarts) {
    const auto file = MakeTempDir("gdata-state") / "state.xml";
    GdataSimOptions options = Options();
    options.stateFile = file;
    options.seeds = {{3, "Work"}};
    std::vector<gdatasim::SimContact> before;
    {
        TlsGdataSim server(options);
        ASSERT_TRUE(server.started());
        std::string cid;
        ASSERT_EQ(server.sim().AddContactXml(kEntry, cid), "");
        before = server.sim().Contacts();
        ASSERT_EQ(before.size(), 4u);
    }
    const std::string text = ReadFile(file);
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(text.c_str()));
    EXPECT_STREQ(doc.document_element().name(), "feed");
    EXPECT_EQ(text.find(kPassword), std::string::npos) << "passwords are not stored";

    options.seeds = {{50, ""}};  // ignored: the state file exists
    TlsGdataSim again(options);
    ASSERT_TRUE(again.started());
    const auto after = again.sim().Contacts();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].cid, before[i].cid);
        EXPECT_EQ(after[i].etag, before[i].etag);
        EXPECT_EQ(after[i].fullName, before[i].fullName);
        EXPECT_EQ(after[i].groupTitles, before[i].groupTitles);
        EXPECT_EQ(after[i].phones.size(), before[i].phones.size());
    }
    EXPECT_EQ(again.sim().Contacts("Work").size(), 3u);
}

TEST_F(GdataSimTest, Faults_FailOrDropTheKthRequest) {
    LogIn();
    sim().ResetCounters();
    sim().SetFailRequest(2);
    sim().SetDropRequest(3);
    EXPECT_EQ(Feed("GET", "/m8/feeds/groups/default/full").status, 200);
    EXPECT_EQ(Feed("GET", "/m8/feeds/groups/default/full").status, 500);
    const HttpResponse dropped = Feed("POST", "/m8/feeds/contacts/default/full", kEntry);
    EXPECT_FALSE(dropped.Completed());
    EXPECT_EQ(Feed("GET", "/m8/feeds/groups/default/full").status, 200);
    EXPECT_EQ(sim().RequestCount(), 4);
    const auto log = sim().Requests();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[2].method, "POST");
    EXPECT_EQ(log[3].Header("GData-Version"), "3.0");
}

}  // namespace
}  // namespace korvi::test
