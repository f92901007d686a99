// The cloud service's answers: every reader runs on the same bytes (a contacts feed, a groups
// feed, a created group, a login answer), and every entry that reads is amended with its own
// record. Whatever the bytes:
//   - a feed that fails to read leaves an empty page and says where;
//   - a group's record carries the title it is listed under, and no count yet;
//   - the login's token is one line, taken whole from after "Auth=";
//   - an entry amended with the record read from it reads back with the same names and at
//     least the same numbers of each kind, keeps every element we do not map, and (when no
//     number was left out for want of room) the same amend once more changes nothing.
#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "ReaderChecks.h"
#include "app/XmlDocument.h"
#include "stores/gmail/GmailContactFeed.h"
#include "stores/gmail/GmailEntryWriter.h"
#include "stores/gmail/GmailGroupFeed.h"
#include "stores/gmail/GmailLoginAnswer.h"
#include "stores/gmail/GmailPhoneMapping.h"

namespace korvi::fuzz {

namespace {

std::string CheckContactsFeed(std::string_view input) {
    GmailFeedPage page;
    const XmlResult r = ReadContactFeed(input, page);
    if (r.ok()) {
        if (page.totalResults < -1) return "a negative total";
        return {};
    }
    if (r.text.empty()) return "a contacts feed failure without a text";
    if (!page.entries.empty() || !page.nextUrl.empty() || page.totalResults != -1)
        return "a contacts feed that failed left a page";
    return {};
}

std::string CheckGroupsFeed(std::string_view input) {
    GmailGroupPage page;
    const XmlResult r = ReadGroupFeed(input, page);
    if (!r.ok()) {
        if (r.text.empty()) return "a groups feed failure without a text";
        if (!page.titles.empty() || !page.nextUrl.empty())
            return "a groups feed that failed left a page";
    }
    for (const auto& t : page.titles) {
        if (!t.record) continue;
        if (t.record->title != t.title) return "a group listed under another group's title";
        if (t.record->countKnown || t.record->numContacts != 0)
            return "a group with a count before it was read";
    }
    static_cast<void>(ReadGroupEntryId(input));
    return {};
}

std::string CheckLoginAnswer(std::string_view input) {
    const std::string token = TokenFromLoginAnswer(input);
    if (token.find_first_of("\r\n") != std::string::npos) return "a token of more than one line";
    const std::size_t at = input.find("Auth=");
    if (at == std::string_view::npos) {
        if (!token.empty()) return "a token without Auth=";
        return {};
    }
    const std::string_view after = input.substr(at + 5);
    if (after.substr(0, token.size()) != token) return "a token that is not the text after Auth=";
    const std::string_view rest = after.substr(token.size());
    if (!rest.empty() && rest.front() != '\r' && rest.front() != '\n')
        return "a token cut before the end of its line";
    return {};
}

// The numbers of a record by kind and text, in a comparable order.
std::vector<std::pair<int, std::string>> NumbersByKind(const TContact& c) {
    std::vector<std::pair<int, std::string>> out;
    if (c.numbers) {
        for (const auto& n : *c.numbers) out.emplace_back(PhoneKindOf(n.numberType), n.number);
    }
    std::sort(out.begin(), out.end());
    return out;
}

// The child elements other than the ones an amend rewrites, as text (text between elements
// means nothing in an entry).
std::vector<std::string> KeptElements(const pugi::xml_node& entry) {
    std::vector<std::string> out;
    for (pugi::xml_node child : entry.children()) {
        if (child.type() != pugi::node_element) continue;
        const std::string_view name = child.name();
        if (name == "gd:name" || name == "gd:phoneNumber" || name == "title") continue;
        std::ostringstream text;
        child.print(text, "", pugi::format_raw);
        out.push_back(text.str());
    }
    std::sort(out.begin(), out.end());
    return out;
}

bool ReadEntry(std::string_view xml, pugi::xml_document& doc, GmailFeedEntry& out) {
    if (!LoadXmlText(xml, doc, "entry").ok()) return false;
    ReadContactEntry(doc.document_element(), out);
    return true;
}

std::string CheckAmend(std::string_view entryXml) {
    pugi::xml_document before;
    GmailFeedEntry read;
    if (!ReadEntry(entryXml, before, read)) return {};
    std::string amended;
    if (!AmendContactEntryXml(entryXml, read.contact, amended).ok())
        return "an entry that reads could not be amended";
    pugi::xml_document after;
    GmailFeedEntry again;
    if (!ReadEntry(amended, after, again)) return "an amended entry that does not read";
    const TContact& a = read.contact;
    const TContact& b = again.contact;
    if (a.firstName != b.firstName || a.lastName != b.lastName || a.displayName != b.displayName)
        return "an amend that changed the names";
    const auto numbersBefore = NumbersByKind(a);
    const auto numbersAfter = NumbersByKind(b);
    if (!std::includes(numbersAfter.begin(), numbersAfter.end(), numbersBefore.begin(),
                       numbersBefore.end()))
        return "an amend that lost a number";
    if (KeptElements(before.document_element()) != KeptElements(after.document_element()))
        return "an amend that changed an element it does not map";
    // A number a kind had no room for may take a slot the amend left free (the record held
    // fewer of that kind); the amend after it then writes that number too. Without such
    // numbers the same amend changes nothing.
    const auto noRoom = [](const DroppedNumber& d) {
        return d.why == DroppedNumber::Why::kNoCapacity;
    };
    if (std::any_of(read.dropped.begin(), read.dropped.end(), noRoom)) return {};
    std::string twice;
    if (!AmendContactEntryXml(amended, again.contact, twice).ok() || twice != amended)
        return "the same amend once more changed the entry";
    return {};
}

// Each entry of a feed as a document of its own (as a single entry's answer comes), and the
// whole input as one.
std::string CheckAmends(std::string_view input) {
    if (std::string broken = CheckAmend(input); !broken.empty()) return broken;
    pugi::xml_document doc;
    if (!LoadXmlText(input, doc, "feed").ok()) return {};
    int entries = 0;
    for (pugi::xml_node entry : doc.document_element().children("entry")) {
        if (++entries > 16) break;
        pugi::xml_document single;
        single.append_copy(entry);
        // The namespaces the feed declares, as a single entry's answer declares them itself.
        for (pugi::xml_attribute attr : doc.document_element().attributes()) {
            const std::string_view name = attr.name();
            if (name.substr(0, 6) == "xmlns:" && !single.document_element().attribute(attr.name()))
                single.document_element().append_copy(attr);
        }
        std::ostringstream text;
        single.save(text, "", pugi::format_raw | pugi::format_no_declaration);
        if (std::string broken = CheckAmend(text.str()); !broken.empty()) return broken;
    }
    return {};
}

}  // namespace

std::string CheckGmailFeed(std::string_view input) {
    for (auto check : {CheckContactsFeed, CheckGroupsFeed, CheckLoginAnswer, CheckAmends}) {
        if (std::string broken = check(input); !broken.empty()) return broken;
    }
    return {};
}

}  // namespace korvi::fuzz
