// Answers of servers other than the one the tests run against: other prefixes, a default
// namespace, CDATA, hrefs in full, broken XML.
#include "stores/carddav/Multistatus.h"

#include <gtest/gtest.h>

#include "stores/carddav/DavUrl.h"

namespace korvi::carddav {
namespace {

TEST(MultistatusTest, NamesAreMatchedByNamespaceWhateverThePrefix) {
    const std::string body =
        "<?xml version=\"1.0\"?>"
        "<multistatus xmlns=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\">"
        "<response><href>/dav/a%40b/1.vcf</href><propstat><prop>"
        "<getetag>\"e1\"</getetag><C:address-data><![CDATA[BEGIN:VCARD\r\n]]>END:VCARD\r\n"
        "</C:address-data></prop><status>HTTP/1.1 200 OK</status></propstat>"
        "<propstat><prop><displayname/></prop><status>HTTP/1.1 404 Not Found</status></propstat>"
        "</response>"
        "<x:response xmlns:x=\"DAV:\"><x:href>/dav/gone.vcf</x:href>"
        "<x:status>HTTP/1.1 404 Not Found</x:status></x:response>"
        "<response><href>/dav/</href><propstat><prop><resourcetype><collection/>"
        "<card:addressbook xmlns:card=\"urn:ietf:params:xml:ns:carddav\"/></resourcetype>"
        "<current-user-principal><href>/p/</href></current-user-principal>"
        "<supported-report-set><supported-report><report><sync-collection/></report>"
        "</supported-report></supported-report-set>"
        "</prop><status>HTTP/1.1 200 OK</status></propstat></response>"
        "<other:response xmlns:other=\"urn:not-dav\"><other:href>/x</other:href></other:response>"
        "<sync-token>tok-2</sync-token></multistatus>";
    Multistatus ms;
    XmlResult r = ParseMultistatus(body, "test", ms);
    ASSERT_TRUE(r.ok()) << r.text;
    ASSERT_EQ(3u, ms.responses.size());
    EXPECT_EQ("/dav/a%40b/1.vcf", ms.responses[0].href);
    EXPECT_EQ("\"e1\"", ms.responses[0].etag);
    EXPECT_EQ("BEGIN:VCARD\r\nEND:VCARD\r\n", ms.responses[0].addressData);
    EXPECT_EQ(0, ms.responses[0].status);
    EXPECT_EQ(404, ms.responses[1].status);
    EXPECT_FALSE(ms.responses[1].hasEtag);
    EXPECT_TRUE(ms.responses[2].isAddressBook);
    EXPECT_TRUE(ms.responses[2].offersSyncCollection);
    EXPECT_EQ("/p/", ms.responses[2].currentUserPrincipal);
    EXPECT_EQ("tok-2", ms.syncToken);
}

TEST(MultistatusTest, BrokenOrForeignAnswersFailWithWhere) {
    Multistatus ms;
    XmlResult r = ParseMultistatus("<multistatus xmlns=\"DAV:\"><response>", "srv", ms);
    EXPECT_FALSE(r.ok());
    EXPECT_NE(std::string::npos, r.text.find("srv")) << r.text;
    EXPECT_GE(r.offset, 0);
    r = ParseMultistatus("<multistatus><response/></multistatus>", "srv", ms);
    EXPECT_FALSE(r.ok()) << "a multistatus outside the DAV: namespace";
    EXPECT_FALSE(ParseMultistatus("", "srv", ms).ok());
}

TEST(DavUrlTest, HrefsResolveAndSpellingsMeet) {
    DavUrl base;
    ASSERT_TRUE(ParseDavUrl("https://user@Host.example:8443/dav/books/?x=1", base));
    EXPECT_EQ("Host.example", base.host);
    EXPECT_EQ("https://Host.example:8443", base.origin);
    EXPECT_EQ("https://Host.example:8443/dav/c.vcf", ResolveHref(base, "/dav/c.vcf"));
    EXPECT_EQ("https://Host.example:8443/dav/books/c.vcf", ResolveHref(base, "c.vcf"));
    EXPECT_EQ("http://o/x", ResolveHref(base, "http://o/x"));
    EXPECT_EQ(ComparableUrl("https://HOST.example:8443/dav/a%40b/"),
              ComparableUrl("https://host.example:8443/dav/a@b"));
    EXPECT_NE(ComparableUrl("https://h/a%2Fb"), ComparableUrl("https://h/a/b"));
    EXPECT_FALSE(ParseDavUrl("ftp://h/", base));
    EXPECT_FALSE(ParseDavUrl("https:///x", base));
    EXPECT_TRUE(IsLoopbackHost("127.0.0.1"));
    EXPECT_TRUE(IsLoopbackHost("::1"));
    EXPECT_TRUE(IsLoopbackHost("LocalHost"));
    EXPECT_FALSE(IsLoopbackHost("127.0.0.1.evil.example"));
    EXPECT_FALSE(IsLoopbackHost("10.0.0.1"));
}

}  // namespace
}  // namespace korvi::carddav
