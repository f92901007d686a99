#include "GdataFeeds.h"

#include <algorithm>

#include "EntryXml.h"
#include "GdataNames.h"
#include "net/UrlText.h"

namespace korvi::gdatasim {

namespace {

std::string Attr(const std::string& value) { return "'" + EscapeXml(value) + "'"; }

std::string Declarations() {
    return std::string(" xmlns='") + kAtomNs + "' xmlns:openSearch='" + kOpenSearchNs +
           "' xmlns:gContact='" + kContactNs + "' xmlns:batch='" + kBatchNs + "' xmlns:gd='" +
           kGdNs + "'";
}

std::string Category(const char* kind) {
    return std::string("<category scheme='") + kKindScheme + "' term='" + kind + "'/>";
}

std::string Link(const std::string& rel, const std::string& type, const std::string& href) {
    return "<link rel=" + Attr(rel) + " type=" + Attr(type) + " href=" + Attr(href) + "/>";
}

std::string PageQuery(const FeedPage& page, int startIndex) {
    std::string query = "?";
    if (startIndex > 1) query += "start-index=" + std::to_string(startIndex) + "&";
    query += "max-results=" + std::to_string(page.maxResults);
    if (!page.groupId.empty()) query += "&group=" + net::PercentEncode(page.groupId);
    return query;
}

std::string FeedHead(const FeedUrls& urls, const Account& account, const char* kind,
                     const std::string& title, const std::string& feedUrl, const FeedPage& page,
                     std::size_t total) {
    std::string out = "<?xml version='1.0' encoding='UTF-8'?><feed" + Declarations() + ">";
    out += "<id>" + EscapeXml(account.email) + "</id><updated>" + NowStamp() + "</updated>";
    out += Category(kind) + "<title>" + EscapeXml(title) + "</title>";
    out += Link(std::string(kGdNs) + "#feed", "application/atom+xml", feedUrl);
    out += Link(std::string(kGdNs) + "#post", "application/atom+xml", feedUrl);
    out += Link("self", "application/atom+xml", feedUrl + PageQuery(page, page.startIndex));
    const std::size_t next =
        static_cast<std::size_t>(page.startIndex - 1) + static_cast<std::size_t>(page.pageSize);
    if (next < total) {
        out += Link("next", "application/atom+xml",
                    feedUrl + PageQuery(page, static_cast<int>(next) + 1));
    }
    out += "<author><name>" + EscapeXml(account.email) + "</name><email>" +
           EscapeXml(account.email) + "</email></author>";
    out += "<generator version='1.0' uri=" + Attr(urls.linkBase + "/m8/feeds") +
           ">Contacts</generator>";
    out += "<openSearch:totalResults>" + std::to_string(total) + "</openSearch:totalResults>";
    out += "<openSearch:startIndex>" + std::to_string(page.startIndex) + "</openSearch:startIndex>";
    out += "<openSearch:itemsPerPage>" + std::to_string(page.maxResults) +
           "</openSearch:itemsPerPage>";
    return out;
}

std::string EntryOpen(const std::string& etag, bool standalone) {
    return "<entry" + (standalone ? Declarations() : std::string()) + " gd:etag=" + Attr(etag) +
           ">";
}

}  // namespace

std::string FeedUrls::UserSegment(const Account& account) const {
    return net::PercentEncode(account.email);
}
std::string FeedUrls::ContactsFeedUrl(const Account& account) const {
    return linkBase + "/m8/feeds/contacts/" + UserSegment(account) + "/full";
}
std::string FeedUrls::ContactEditUrl(const Account& account, const std::string& cid) const {
    return ContactsFeedUrl(account) + "/" + cid;
}
std::string FeedUrls::GroupsFeedUrl(const Account& account) const {
    return linkBase + "/m8/feeds/groups/" + UserSegment(account) + "/full";
}
std::string FeedUrls::GroupEditUrl(const Account& account, const std::string& gid) const {
    return GroupsFeedUrl(account) + "/" + gid;
}
std::string FeedUrls::GroupId(const Account& account, const std::string& gid) const {
    return idBase + "/m8/feeds/groups/" + UserSegment(account) + "/base/" + gid;
}

std::string ContactTitle(const StoredContact& contact) { return contact.title; }

namespace {

// The parts of a contact entry's addresses that are the same for every contact of an account,
// made once per answer: a feed of ten thousand entries is then plain appending.
struct ContactPrefixes {
    std::string id;     // ".../contacts/USER/base/"
    std::string edit;   // ".../contacts/USER/full/"
    std::string photo;  // ".../photos/media/USER/"
    std::string group;  // ".../groups/USER/base/"

    ContactPrefixes(const FeedUrls& urls, const Account& account) {
        const std::string user = urls.UserSegment(account);
        id = urls.idBase + "/m8/feeds/contacts/" + user + "/base/";
        edit = urls.linkBase + "/m8/feeds/contacts/" + user + "/full/";
        photo = urls.linkBase + "/m8/feeds/photos/media/" + user + "/";
        group = urls.idBase + "/m8/feeds/groups/" + user + "/base/";
    }
};

void AppendLink(std::string& out, std::string_view rel, std::string_view type,
                std::string_view hrefPrefix, std::string_view hrefRest) {
    out += "<link rel='";
    AppendEscaped(out, rel);
    out += "' type='";
    out += type;
    out += "' href='";
    AppendEscaped(out, hrefPrefix);
    AppendEscaped(out, hrefRest);
    out += "'/>";
}

void AppendContactEntry(std::string& out, const ContactPrefixes& p, const StoredContact& contact,
                        bool standalone) {
    out += "<entry";
    if (standalone) out += Declarations();
    out += " gd:etag='";
    AppendEscaped(out, EntityTag(contact.cid, contact.version));
    out += "'><id>";
    AppendEscaped(out, p.id);
    out += contact.cid;
    out += "</id><updated>";
    out += contact.updated;
    out += "</updated><app:edited xmlns:app='";
    out += kAppNs;
    out += "'>";
    out += contact.updated;
    out += "</app:edited>";
    out += Category(kContactKind);
    out += "<title>";
    AppendEscaped(out, contact.title);
    out += "</title>";
    AppendLink(out, kPhotoRel, "image/*", p.photo, contact.cid);
    AppendLink(out, "self", "application/atom+xml", p.edit, contact.cid);
    AppendLink(out, "edit", "application/atom+xml", p.edit, contact.cid);
    out += contact.ownXml;
    // Memberships are written with the group's own id, however the client named the group
    // ("default" for the account, another host).
    for (const auto& gid : contact.groups) {
        out += "<gContact:groupMembershipInfo deleted='false' href='";
        AppendEscaped(out, p.group);
        AppendEscaped(out, gid);
        out += "'/>";
    }
    out += "</entry>";
}

}  // namespace

std::string ContactEntryXml(const FeedUrls& urls, const Account& account,
                            const StoredContact& contact, bool standalone) {
    std::string out;
    AppendContactEntry(out, ContactPrefixes(urls, account), contact, standalone);
    return out;
}

std::string GroupEntryXml(const FeedUrls& urls, const Account& account, const StoredGroup& group,
                          bool standalone) {
    std::string out = EntryOpen(EntityTag(group.gid, group.version), standalone);
    out += "<id>" + EscapeXml(urls.GroupId(account, group.gid)) + "</id>";
    out += "<updated>" + group.updated + "</updated>";
    if (group.systemId.empty()) {
        out += std::string("<app:edited xmlns:app='") + kAppNs + "'>" + group.updated +
               "</app:edited>";
    }
    out += Category(kGroupKind);
    out += "<title>" + EscapeXml(group.title) + "</title>";
    const pugi::xml_node extra = group.extra.document_element();
    if (!extra.child("content")) out += "<content>" + EscapeXml(group.title) + "</content>";
    const std::string edit = urls.GroupEditUrl(account, group.gid);
    out += Link("self", "application/atom+xml", edit);
    // System groups cannot be changed: the service gives them no edit link.
    if (group.systemId.empty()) out += Link("edit", "application/atom+xml", edit);
    if (!group.systemId.empty()) {
        out += "<gContact:systemGroup id=" + Attr(group.systemId) + "/>";
    }
    if (extra) out += ChildrenXml(extra);
    out += "</entry>";
    return out;
}

std::string ContactsFeedXml(const FeedUrls& urls, const Account& account,
                            const std::vector<const StoredContact*>& contacts,
                            const FeedPage& page) {
    std::string out = FeedHead(urls, account, kContactKind, account.email + "'s Contacts",
                               urls.ContactsFeedUrl(account), page, contacts.size());
    const std::size_t first = static_cast<std::size_t>(page.startIndex - 1);
    const std::size_t end =
        std::min(contacts.size(), first + static_cast<std::size_t>(page.pageSize));
    const ContactPrefixes prefixes(urls, account);
    std::size_t bytes = out.size();
    for (std::size_t i = first; i < end; ++i) bytes += contacts[i]->ownXml.size() + 1024;
    out.reserve(bytes);
    for (std::size_t i = first; i < end; ++i) {
        AppendContactEntry(out, prefixes, *contacts[i], false);
    }
    out += "</feed>";
    return out;
}

std::string GroupsFeedXml(const FeedUrls& urls, const Account& account, const FeedPage& page) {
    std::string out = FeedHead(urls, account, kGroupKind, account.email + "'s Contact Groups",
                               urls.GroupsFeedUrl(account), page, account.groups.size());
    const std::size_t first = static_cast<std::size_t>(page.startIndex - 1);
    const std::size_t end =
        std::min(account.groups.size(), first + static_cast<std::size_t>(page.pageSize));
    for (std::size_t i = first; i < end; ++i) {
        out += GroupEntryXml(urls, account, *account.groups[i], false);
    }
    out += "</feed>";
    return out;
}

}  // namespace korvi::gdatasim
