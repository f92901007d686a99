// The address book server store against Radicale: finding the address book, cards written
// and read with the address book's mapping, changes made by another client, writes guarded
// by ETags, the sync token, and the address rules (TLS verified, plain HTTP only to loopback).
#include "stores/carddav/TcardDav.h"

#include <algorithm>
#include <sstream>

#include <gtest/gtest.h>

#include "app/Log.h"
#include "carddav/CardDavWorld.h"
#include "carddav/OtherClient.h"
#include "carddav/SharedRadicale.h"
#include "common/ResultTesting.h"
#include "common/TestEnv.h"
#include "net/CurlTransport.h"
#include "stores/carddav/CardCache.h"
#include "sync/SyncTestSupport.h"

namespace korvi::test {
namespace {

class TcardDavTest : public testing::Test {
protected:
    void SetUp() override {
        SetLogsFolder(MakeTempDir("logs"));
        SetDetailedLogging(true);
        std::string whyNot;
        m_url = FreshAddressBook(whyNot);
        ASSERT_FALSE(m_url.empty()) << whyNot;
    }

    std::unique_ptr<TcardDav> Store(const std::string& url) {
        auto s = std::make_unique<TcardDav>(m_progress, MakeTempDir("cache"));
        s->settings = RadicaleSettings(url);
        return s;
    }
    std::unique_ptr<TcardDav> Store() { return Store(m_url); }

    std::vector<TContact> Load(TcardDav& s) {
        TContactList list;
        std::string text;
        StopFlag stop{false};
        EXPECT_EQ(0, CodeOf(s.LoadContacts(list, stop), text)) << text;
        std::vector<TContact> out;
        for (const auto& c : list) out.push_back(*c);
        return out;
    }

    int Update(TcardDav& s, int kind, TContact& c, std::string& text) {
        EXPECT_EQ(0, CodeOf(s.BeginUpdates(), text)) << text;
        const int rc = CodeOf(s.UpdateContact(kind, c), text);
        s.EndUpdates();
        return rc;
    }

    static const TContact* Find(const std::vector<TContact>& list, const std::string& first) {
        for (const auto& c : list)
            if (c.firstName == first) return &c;
        return nullptr;
    }

    NullProgress m_progress;
    std::string m_url;
    OtherClient m_other;
};

// Unfolded content lines, sorted: what a card says whatever order the server writes it in.
std::vector<std::string> Lines(const std::string& card) {
    std::string unfolded;
    for (std::size_t i = 0; i < card.size(); ++i) {
        if (card[i] == '\r' && i + 2 < card.size() && card[i + 1] == '\n' &&
            (card[i + 2] == ' ' || card[i + 2] == '\t')) {
            i += 2;
            continue;
        }
        unfolded += card[i];
    }
    std::vector<std::string> lines;
    std::istringstream in(unfolded);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST_F(TcardDavTest, TheAddressBookIsFoundFromTheServerThePrincipalOrItself) {
    std::string whyNot;
    RadicaleServer* server = SharedRadicale(whyNot);
    for (const std::string& start : {m_url, server->Url(), server->PrincipalUrl()}) {
        auto s = Store(start);
        std::string text;
        ASSERT_EQ(0, CodeOf(s->BeginUpdates(), text)) << start << ": " << text;
        EXPECT_EQ(m_url, s->collectionUrl()) << start;
        EXPECT_EQ(0u, s->contactStoreID().find(m_url + "#")) << s->contactStoreID();
    }
    // With a second address book the account no longer names one: the store refuses to
    // guess, the list offers both.
    const std::string second = FreshAddressBook(whyNot);
    auto s = Store(server->Url());
    std::string text;
    EXPECT_EQ(-1, CodeOf(s->BeginUpdates(), text));
    EXPECT_NE(std::string::npos, text.find("offers 2 address books")) << text;
    std::vector<carddav::AddressBookInfo> books;
    ASSERT_EQ(0, CodeOf(s->ListAddressBooks(books), text)) << text;
    ASSERT_EQ(2u, books.size());
    std::vector<std::string> urls = {books[0].url, books[1].url};
    std::sort(urls.begin(), urls.end());
    std::vector<std::string> expected = {m_url, second};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, urls);
}

TEST_F(TcardDavTest, SavedContactsLoadBackWithTheirResourceAddressesAsEntryIds) {
    TContactList list;
    for (const char* spec :
         {"Anna Lee: Mob=0170 111, Home1=040 1", "Ben Ode: Bus1=030 222, Bus2=030 223",
          "Cleo Park: Fax_Home=040 9, Fax_Bus=030 9, Other=050 9, Home2=040 2"}) {
        list.push_back(std::make_unique<TContact>(MakeContact(spec)));
    }
    auto writer = Store();
    StopFlag stop{false};
    std::string text;
    ASSERT_EQ(0, CodeOf(writer->SaveContacts(list, stop), text)) << text;
    for (const auto& c : list) {
        EXPECT_EQ(0u, c->entryId.find(m_url)) << c->entryId;
        EXPECT_NE(std::string::npos, c->entryId.find(".vcf")) << c->entryId;
    }
    auto reader = Store();
    const auto loaded = Load(*reader);
    EXPECT_EQ(Canon(list), Canon(loaded));
    for (const auto& c : loaded) {
        const auto it = std::find_if(list.begin(), list.end(),
                                     [&](const auto& w) { return w->firstName == c.firstName; });
        ASSERT_NE(it, list.end());
        EXPECT_EQ((*it)->entryId, c.entryId);
    }
    // A save over the address book replaces what was there.
    TContactList one;
    one.push_back(std::make_unique<TContact>(MakeContact("Dan Roe: Mob=0171 444")));
    ASSERT_EQ(0, CodeOf(writer->SaveContacts(one, stop), text)) << text;
    EXPECT_EQ(Canon(one), Canon(Load(*reader)));
}

const char kForeignCard[] =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:foreign-1\r\nFN:Eve Sand\r\nN:Sand;Eve;Marie;Dr.;\r\n"
    "ORG:Sand Works;Sales\r\nitem1.EMAIL;TYPE=INTERNET:eve@sand.example\r\n"
    "item1.X-ABLabel:private\r\nADR;TYPE=home:;;Main St 1;Town;;12345;Country\r\n"
    "NOTE:Line one\\nline two\\, with a comma\r\n"
    "TEL;TYPE=cell:0170 555\r\nTEL;TYPE=work:030 555\r\nX-CUSTOM;X-P=1:keep me\r\n"
    "END:VCARD\r\n";

TEST_F(TcardDavTest, AnAmendChangesOnlyTheMappedLinesOfAForeignCard) {
    const std::string url = m_url + "foreign-1.vcf";
    ASSERT_EQ(201, m_other.Put(url, kForeignCard));
    auto s = Store();
    const auto loaded = Load(*s);
    ASSERT_EQ(1u, loaded.size());
    EXPECT_EQ(url, loaded[0].entryId);
    EXPECT_EQ("Eve Marie", loaded[0].firstName);
    EXPECT_EQ("Sand", loaded[0].lastName);
    EXPECT_EQ("Eve Sand", loaded[0].displayName);
    TContact numbers = MakeContact("x: Mob=0170 555, Bus1=030 555");
    numbers.firstName = loaded[0].firstName;
    numbers.lastName = loaded[0].lastName;
    numbers.displayName = loaded[0].displayName;
    EXPECT_EQ(Canon(numbers), Canon(loaded[0]));

    const std::string before = m_other.Get(url);
    TContact amended = loaded[0];
    for (auto& n : *amended.numbers)
        if (n.numberType == kMob) n.number = "0170 556";
    std::string text;
    ASSERT_EQ(0, Update(*s, PartnerStore::kUpdateAmend, amended, text)) << text;
    auto beforeLines = Lines(before);
    auto afterLines = Lines(m_other.Get(url));
    auto drop = [](std::vector<std::string>& v, const std::string& line) {
        auto it = std::find(v.begin(), v.end(), line);
        ASSERT_NE(it, v.end()) << line;
        v.erase(it);
    };
    drop(beforeLines, "TEL;TYPE=cell:0170 555");
    drop(afterLines, "TEL;TYPE=cell:0170 556");
    EXPECT_EQ(beforeLines, afterLines);
}

TEST_F(TcardDavTest, ChangesOfAnotherClientAreSeenAndAnUnchangedBookCostsOneRequest) {
    auto s = Store();
    TContact anna = MakeContact("Anna Lee: Mob=0170 111");
    TContact ben = MakeContact("Ben Ode: Bus1=030 222");
    std::string text;
    ASSERT_EQ(0, Update(*s, PartnerStore::kUpdateAdd, anna, text)) << text;
    ASSERT_EQ(0, Update(*s, PartnerStore::kUpdateAdd, ben, text)) << text;
    EXPECT_EQ(2u, Load(*s).size());

    const long before = s->RequestCount();
    EXPECT_EQ(2u, Load(*s).size());
    EXPECT_EQ(1, s->RequestCount() - before) << "a load of an unchanged address book";

    std::string card = m_other.Get(anna.entryId);
    card.replace(card.find("0170 111"), 8, "0170 999");
    ASSERT_EQ(201, m_other.Put(anna.entryId, card));
    EXPECT_EQ(200, m_other.Send("DELETE", ben.entryId).status);
    ASSERT_EQ(201, m_other.Put(m_url + "new.vcf",
                               "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:new\r\nFN:Cleo Park\r\n"
                               "N:Park;Cleo;;;\r\nTEL;TYPE=home:040 333\r\nEND:VCARD\r\n"));
    EXPECT_EQ(CanonSpecs({"Anna Lee: Mob=0170 999", "Cleo Park: Home1=040 333"}), Canon(Load(*s)));
    // A fresh store (no cache) reads the same.
    EXPECT_EQ(CanonSpecs({"Anna Lee: Mob=0170 999", "Cleo Park: Home1=040 333"}),
              Canon(Load(*Store())));
}

TEST_F(TcardDavTest, AStaleEtagRereadsTheCardAndWritesOnlyOverChangesTheSyncDoesNotSee) {
    auto s = Store();
    TContact anna = MakeContact("Anna Lee: Mob=0170 111");
    std::string text;
    ASSERT_EQ(0, Update(*s, PartnerStore::kUpdateAdd, anna, text)) << text;
    auto loaded = Load(*s);
    ASSERT_EQ(1u, loaded.size());

    // Another client adds a note: the amend meets a 412, reads the card again and keeps both.
    std::string card = m_other.Get(anna.entryId);
    card.insert(card.find("END:VCARD"), "NOTE:from the other client\r\n");
    ASSERT_EQ(201, m_other.Put(anna.entryId, card));
    TContact amended = loaded[0];
    (*amended.numbers)[0].number = "0170 112";
    ASSERT_EQ(0, Update(*s, PartnerStore::kUpdateAmend, amended, text)) << text;
    std::string now = m_other.Get(anna.entryId);
    EXPECT_NE(std::string::npos, now.find("NOTE:from the other client")) << now;
    EXPECT_NE(std::string::npos, now.find("0170 112")) << now;

    // Another client changes the number the sync compares: the store does not overwrite it
    // unseen; the next sync sees the change.
    loaded = Load(*s);
    card = m_other.Get(anna.entryId);
    card.replace(card.find("0170 112"), 8, "0170 777");
    ASSERT_EQ(201, m_other.Put(anna.entryId, card));
    amended = loaded[0];
    (*amended.numbers)[0].number = "0170 113";
    EXPECT_EQ(-1, Update(*s, PartnerStore::kUpdateAmend, amended, text));
    EXPECT_NE(std::string::npos, text.find("was changed on the CardDAV server")) << text;
    EXPECT_NE(std::string::npos, m_other.Get(anna.entryId).find("0170 777"));

    // A delete with a stale tag is retried once with the new one when nothing the sync
    // compares changed.
    loaded = Load(*s);
    card = m_other.Get(anna.entryId);
    card.insert(card.find("END:VCARD"), "NOTE:again\r\n");
    ASSERT_EQ(201, m_other.Put(anna.entryId, card));
    TContact gone = loaded[0];
    ASSERT_EQ(0, Update(*s, PartnerStore::kUpdateDelete, gone, text)) << text;
    EXPECT_EQ(404, m_other.Send("GET", anna.entryId).status);
    // And one already gone is not found, as in the address book.
    EXPECT_EQ(-1, Update(*s, PartnerStore::kUpdateDelete, gone, text));
    EXPECT_EQ("Could not find Anna Lee in CardDAV", text);
}

// A server without sync-collection (it answers the report with 501, as such servers do):
// the store compares ETags and fetches only the cards whose tag changed.
class NoSyncReportTransport final : public net::HttpTransport {
public:
    net::HttpResponse Send(const net::HttpRequest& request) override {
        if (request.method == "REPORT" &&
            request.body.find("sync-collection") != std::string::npos) {
            net::HttpResponse r;
            r.status = 501;
            return r;
        }
        if (request.method == "REPORT") ++multigets;
        return m_inner.Send(request);
    }
    int multigets = 0;

private:
    net::CurlTransport m_inner;
};

TEST_F(TcardDavTest, WithoutSyncCollectionTheEtagsDecideWhatIsFetched) {
    NoSyncReportTransport* transport = nullptr;
    TcardDav s(m_progress, MakeTempDir("cache"), [&transport](const CardDavSettings&) {
        auto t = std::make_unique<NoSyncReportTransport>();
        transport = t.get();
        return t;
    });
    s.settings = RadicaleSettings(m_url);
    TContact anna = MakeContact("Anna Lee: Mob=0170 111");
    TContact ben = MakeContact("Ben Ode: Bus1=030 222");
    std::string text;
    ASSERT_EQ(0, Update(s, PartnerStore::kUpdateAdd, anna, text)) << text;
    ASSERT_EQ(0, Update(s, PartnerStore::kUpdateAdd, ben, text)) << text;
    EXPECT_EQ(2u, Load(s).size());
    ASSERT_NE(nullptr, transport);

    const int fetchesBefore = transport->multigets;
    EXPECT_EQ(2u, Load(s).size());
    EXPECT_EQ(fetchesBefore, transport->multigets) << "nothing changed, nothing fetched";

    std::string card = m_other.Get(anna.entryId);
    card.replace(card.find("0170 111"), 8, "0170 999");
    ASSERT_EQ(201, m_other.Put(anna.entryId, card));
    EXPECT_EQ(200, m_other.Send("DELETE", ben.entryId).status);
    EXPECT_EQ(CanonSpecs({"Anna Lee: Mob=0170 999"}), Canon(Load(s)));
    EXPECT_EQ(fetchesBefore + 1, transport->multigets);
}

TEST_F(TcardDavTest, ATokenTheServerForgotReadsTheWholeBook) {
    const std::filesystem::path cacheDir = MakeTempDir("cache");
    {
        TcardDav s(m_progress, cacheDir);
        s.settings = RadicaleSettings(m_url);
        TContact anna = MakeContact("Anna Lee: Mob=0170 111");
        std::string text;
        ASSERT_EQ(0, Update(s, PartnerStore::kUpdateAdd, anna, text)) << text;
        EXPECT_EQ(1u, Load(s).size());
    }
    ASSERT_EQ(201, m_other.Put(m_url + "b.vcf",
                               "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:b\r\nFN:Ben Ode\r\n"
                               "N:Ode;Ben;;;\r\nTEL;TYPE=work:030 222\r\nEND:VCARD\r\n"));
    carddav::CardCache cache;
    std::string error;
    const auto file = carddav::CacheFileFor(cacheDir, m_url);
    ASSERT_TRUE(cache.Load(file, m_url, error)) << error;
    ASSERT_FALSE(cache.syncToken.empty());
    cache.syncToken = "http://radicale.org/ns/sync/0000000000000000000000000000000000000000";
    ASSERT_TRUE(cache.Save(file, error)) << error;

    TcardDav s(m_progress, cacheDir);
    s.settings = RadicaleSettings(m_url);
    EXPECT_EQ(CanonSpecs({"Anna Lee: Mob=0170 111", "Ben Ode: Bus1=030 222"}), Canon(Load(s)));
    // A damaged cache is dropped, never trusted.
    WriteFile(file, "korvi-carddav-cache 1\n99999:short");
    TcardDav fresh(m_progress, cacheDir);
    fresh.settings = RadicaleSettings(m_url);
    EXPECT_EQ(CanonSpecs({"Anna Lee: Mob=0170 111", "Ben Ode: Bus1=030 222"}), Canon(Load(fresh)));
}

TEST_F(TcardDavTest, GroupsAndUnreadableCardsAreLeftOut) {
    ASSERT_EQ(201, m_other.Put(m_url + "g.vcf",
                               "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:g\r\nFN:Team\r\nN:;;;;\r\n"
                               "X-ADDRESSBOOKSERVER-KIND:group\r\nEND:VCARD\r\n"));
    ASSERT_EQ(201, m_other.Put(m_url + "n.vcf",
                               "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:n\r\nFN:No Number\r\n"
                               "N:Number;No;;;\r\nEND:VCARD\r\n"));
    ASSERT_EQ(201, m_other.Put(m_url + "a.vcf",
                               "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:a\r\nFN:Anna Lee\r\n"
                               "N:Lee;Anna;;;\r\nTEL;TYPE=cell:0170 111\r\nEND:VCARD\r\n"));
    auto s = Store();
    EXPECT_EQ(CanonSpecs({"Anna Lee: Mob=0170 111"}), Canon(Load(*s)));
}

TEST_F(TcardDavTest, PlainHttpOnlyToLoopbackAndTlsOnlyWithATrustedCertificate) {
    auto s = Store("http://192.0.2.1/dav/");
    std::string text;
    EXPECT_EQ(-1, CodeOf(s->BeginUpdates(), text));
    EXPECT_NE(std::string::npos, text.find("not encrypted")) << text;
    EXPECT_EQ(0, s->RequestCount());

    RadicaleServer tlsServer(RadicaleServer::Options{.tls = true, .folder = MakeTempDir("tls")});
    std::string error;
    ASSERT_TRUE(tlsServer.Start(error)) << error;
    std::string url;
    ASSERT_TRUE(tlsServer.MakeAddressBook("secure", url, error)) << error;
    ASSERT_EQ(0u, url.find("https://"));

    auto untrusting = Store(url);
    EXPECT_EQ(-1, CodeOf(untrusting->BeginUpdates(), text));
    EXPECT_NE(std::string::npos, text.find("not trusted")) << text;

    auto trusting = Store(url);
    trusting->settings.caFile = tlsServer.CaFile();
    TContact anna = MakeContact("Anna Lee: Mob=0170 111");
    ASSERT_EQ(0, Update(*trusting, PartnerStore::kUpdateAdd, anna, text)) << text;
    EXPECT_EQ(CanonSpecs({"Anna Lee: Mob=0170 111"}), Canon(Load(*trusting)));

    // A wrong password is a clear failure, and the password is in no text.
    auto wrong = Store(url);
    wrong->settings.caFile = tlsServer.CaFile();
    wrong->settings.password = "not-the-password";
    EXPECT_EQ(-1, CodeOf(wrong->BeginUpdates(), text));
    EXPECT_NE(std::string::npos, text.find("HTTP 401")) << text;
    EXPECT_EQ(std::string::npos, text.find("not-the-password"));
}

// Answers 410 for the address book and everything in it once the test says it is gone (as a
// server that keeps tombstones does), else passes the request on to Radicale.
class GoneTransport final : public net::HttpTransport {
public:
    explicit GoneTransport(std::string collection) : m_collection(std::move(collection)) {}
    net::HttpResponse Send(const net::HttpRequest& request) override {
        if (gone && request.url.rfind(m_collection, 0) == 0) {
            net::HttpResponse r;
            r.status = 410;
            return r;
        }
        return m_inner.Send(request);
    }
    bool gone = false;

private:
    std::string m_collection;
    net::CurlTransport m_inner;
};

TEST_F(TcardDavTest, AMissingAddressBookIsSaidInWordsAndEndsTheUpdates) {
    std::string whyNot;
    RadicaleServer* server = SharedRadicale(whyNot);
    std::string text;
    auto never = Store(server->PrincipalUrl() + "no-such-book/");
    EXPECT_EQ(-1, CodeOf(never->BeginUpdates(), text));
    EXPECT_NE(std::string::npos, text.find("There is no address book at")) << text;

    struct Case {
        const char* name;
        long status;
    };
    for (const Case& c : {Case{"deleted by another client", 404}, Case{"answered as gone", 410}}) {
        SCOPED_TRACE(c.name);
        const std::string url = FreshAddressBook(whyNot);
        ASSERT_FALSE(url.empty()) << whyNot;
        GoneTransport* transport = nullptr;
        TcardDav s(m_progress, MakeTempDir("cache"), [&](const CardDavSettings&) {
            auto t = std::make_unique<GoneTransport>(url);
            transport = t.get();
            return t;
        });
        s.settings = RadicaleSettings(url);
        TContact anna = MakeContact("Anna Lee: Mob=0170 111");
        ASSERT_EQ(0, Update(s, PartnerStore::kUpdateAdd, anna, text)) << text;
        const auto loaded = Load(s);
        ASSERT_EQ(1u, loaded.size());
        if (c.status == 404) {
            ASSERT_LT(m_other.Send("DELETE", url).status, 300);
        } else {
            transport->gone = true;
        }
        const std::string expected = "(HTTP " + std::to_string(c.status) + ")";
        TContactList list;
        StopFlag stop{false};
        EXPECT_EQ(-1, CodeOf(s.LoadContacts(list, stop), text));
        EXPECT_NE(std::string::npos, text.find("choose the address book again")) << text;
        EXPECT_NE(std::string::npos, text.find(expected)) << text;
        EXPECT_TRUE(list.empty());
        // An update ends the list (-9) rather than failing card after card.
        TContact ben = MakeContact("Ben Ode: Bus1=030 222");
        TContact amended = loaded[0];
        (*amended.numbers)[0].number = "0170 112";
        TContact gone = loaded[0];
        for (auto [kind, contact] : {std::pair{PartnerStore::kUpdateAdd, &ben},
                                     std::pair{PartnerStore::kUpdateAmend, &amended},
                                     std::pair{PartnerStore::kUpdateDelete, &gone}}) {
            EXPECT_EQ(-9, CodeOf(s.UpdateContact(kind, *contact), text)) << kind;
            EXPECT_NE(std::string::npos, text.find(expected)) << text;
        }
        s.EndUpdates();
    }
}

}  // namespace
}  // namespace korvi::test
