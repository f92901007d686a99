// Writes the seed inputs that our own writers make (the simulator's SOAP answers, contact files,
// new cards, a settings file, a Multi-Status answer) into <folder>/<target>/, so that the seeds
// follow the formats as they change. The script adds tests/data and the shared fixtures.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/KorviSettings.h"
#include "app/PasswordCipher.h"
#include "files/ContactXml.h"
#include "pbx/soap/SoapServerEnvelope.h"
#include "stores/gmail/GmailEntryWriter.h"
#include "stores/outlook/VcardContact.h"

using namespace korvi;

namespace {

namespace fs = std::filesystem;

void Put(const fs::path& folder, const std::string& name, const std::string& bytes) {
    fs::create_directories(folder);
    std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
    out << bytes;
}

soap::TContactStruct SampleContact() {
    soap::TContactStruct c;
    c.contactId = 1000;
    c.contactType = 201;
    c.displayName = "Smith & <Sons> O`Brien";
    c.lastName =
        "Gr\xC3\xBC\xC3\x9F"
        "e";
    c.firstName = "Anna";
    c.contactNumbers.push_back({1, "+49 (89) 123-456", 2, 1, 0, 1});
    c.contactNumbers.push_back({2, "0170 111", 4, 0, 1, 1});
    return c;
}

void SoapSeeds(const fs::path& folder) {
    auto put = [&](int op, const std::string& name, const std::string& xml) {
        Put(folder, name, std::string(1, static_cast<char>(op)) + xml);
    };
    soap::Response_SYS_CheckService check;
    check.sysInfo = soap::TSysInfoStruct{"Sim", 3, "12.4.0", 2, 8080};
    check.cIdx = 17;
    check.browserChallenge = "a1b2c3";
    put(0, "check-service.xml", soap::BuildResponseEnvelope(check));
    soap::Response_SPG_GetExtnInfo extensions;
    extensions.extnInfo.push_back({101, "Alice Desk", "201"});
    put(1, "extensions.xml", soap::BuildResponseEnvelope(extensions));
    put(2, "id-list.xml",
        soap::BuildResponseEnvelope(soap::Response_SPG_GetContactIdList{{1000, 1001}, {"", 0}}));
    soap::Response_SPG_GetContact contact;
    contact.contact = SampleContact();
    put(3, "contact.xml", soap::BuildResponseEnvelope(contact));
    put(4, "delete.xml", soap::BuildResponseEnvelope(soap::Response_SPG_DeleteContact{{"", 0}}));
    put(5, "add.xml",
        soap::BuildResponseEnvelope(soap::Response_SPG_AddOrUpdateContact{1234, {"", 0}}));
    put(3, "fault.xml", soap::BuildFaultEnvelope("soap:Server", "Contact not found"));
}

void ContactFileSeeds(const fs::path& folder) {
    TContactList list;
    auto contact = std::make_unique<TContact>();
    contact->displayName = "Berg, Anna";
    contact->lastName = "Berg";
    contact->firstName = "  ";
    contact->contactId = 1000;
    contact->entryId = "0c9a3f2e-1b2d-4c5e-8f90-123456789abc";
    contact->numbers.emplace();
    contact->numbers->push_back({1, "0301 111", 0, 1, 0, 1, 0});
    contact->numbers->push_back({2, "\t<&>\x01", 16, 0, 1, 0, 0});
    list.push_back(std::move(contact));
    list.push_back(std::make_unique<TContact>());
    struct : ByteSink {
        bool Write(std::string_view data) override {
            bytes.append(data);
            return true;
        }
        std::string bytes;
    } sink;
    int written = 0;
    if (!WriteContactsXml(list, sink, written).ok()) std::fprintf(stderr, "no contact seed\n");
    Put(folder, "contacts.xml", sink.bytes);
}

void VcardSeeds(const fs::path& folder) {
    outlook::ContactProps props;
    props[static_cast<int>(outlook::ContactProperty::FileAs)] = "Berg, Anna";
    props[static_cast<int>(outlook::ContactProperty::LastName)] = "Berg";
    props[static_cast<int>(outlook::ContactProperty::FirstName)] = "Anna";
    props[static_cast<int>(outlook::ContactProperty::Home2TelephoneNumber)] = "030 222";
    props[static_cast<int>(outlook::ContactProperty::MobileTelephoneNumber)] = "0170 111";
    const std::string card = outlook::NewCardText(props, "uid-1");
    Put(folder, "new-card.vcf", card);
    // With an amend of its own after the NUL byte: all properties, short values.
    Put(folder, "new-card-amend.bin",
        card + std::string(1, '\0') +
            "\x03"
            "a\x03"
            "b\xff\x9f");
    Put(folder, "crowded-2.1.vcf",
        "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Berg;Anna\r\nFN:Anna Berg\r\nTEL;HOME:1\r\n"
        "TEL;HOME:2\r\nTEL;HOME:3\r\nTEL;CELL:4\r\nTEL;CELL:5\r\nTEL;PAGER:6\r\nTEL:7\r\n"
        "X-KORVI-CLEARED:Mob 370cabd5\r\nNOTE;ENCODING=QUOTED-PRINTABLE:a=\r\nb\r\n"
        "AGENT:\r\nBEGIN:VCARD\r\nFN:Agent\r\nEND:VCARD\r\nEND:VCARD\r\n");
}

void SettingsSeeds(const fs::path& folder) {
    std::string text = "[settings]\n";
    KorviSettings settings;
    settings.pin = "4711";
    settings.gmailAccPwd = "secret password";
    for (const SettingInfo& info : SettingsCatalog()) {
        std::string value = SettingAsText(settings, info);
        if (info.kind == SettingKind::kEnciphered) {
            std::string hex;
            if (BlowfishEncryptToHex(value, hex, "fuzzfuzzfuzz") == 0) value = hex;
        }
        text += std::string(info.name) + "=" + value + "\n";
    }
    text += "SyncTime=2026-01-02 03:04:05\n";
    Put(folder, "settings.conf", text);
}

void DavSeeds(const fs::path& folder) {
    Put(folder, "multistatus.xml",
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
        "<sync-token>tok-2</sync-token></multistatus>");
}

// A new contact's entry, a group's, and a login answer without its final line end.
void GmailSeeds(const fs::path& folder) {
    TContact c;
    c.firstName = "Anna";
    c.lastName = "Berg";
    c.displayName = "Anna Berg";
    c.numbers = TNumberList{};
    for (int32_t type : {kMob, kHome1, kHome2, kBus1, kFaxHome}) {
        TContactNumber n;
        n.number = "0170" + std::to_string(type);
        n.numberType = type;
        c.numbers->push_back(n);
    }
    Put(folder, "contact-entry.xml",
        NewContactEntryXml(c, "http://www.google.com/m8/feeds/groups/a%40b.c/base/6"));
    Put(folder, "group-entry.xml", NewGroupEntryXml("Korvi"));
    Put(folder, "login.txt", "SID=s1\nLSID=l1\nAuth=tok-123");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz-seeds FOLDER\n");
        return 2;
    }
    const fs::path folder = argv[1];
    SoapSeeds(folder / "soap-answer");
    ContactFileSeeds(folder / "contact-xml");
    ContactFileSeeds(folder / "sync-list");
    VcardSeeds(folder / "vcard");
    SettingsSeeds(folder / "settings-values");
    DavSeeds(folder / "dav-multistatus");
    GmailSeeds(folder / "gmail-feed");
    return 0;
}
