#include "stores/gmail/GmailEntryWriter.h"

#include <algorithm>
#include <vector>

#include "stores/gmail/GmailPhoneMapping.h"

namespace korvi {

namespace {

constexpr char kKindScheme[] = "http://schemas.google.com/g/2005#kind";

pugi::xml_node StartEntry(pugi::xml_document& doc, bool contacts, const char* term) {
    StartXmlDocument(doc);
    pugi::xml_node entry = doc.append_child("atom:entry");
    entry.append_attribute("xmlns:atom") = kAtomNamespace;
    entry.append_attribute("xmlns:gd") = kGdNamespace;
    if (contacts) entry.append_attribute("xmlns:gContact") = kContactNamespace;
    pugi::xml_node category = entry.append_child("atom:category");
    category.append_attribute("scheme") = kKindScheme;
    category.append_attribute("term") = (std::string(kContactNamespace) + term).c_str();
    return entry;
}

void AppendNamePart(pugi::xml_node name, const char* tag, const std::string& value) {
    if (!value.empty()) name.append_child(tag).text().set(value.c_str());
}

// One gd:phoneNumber per number the cloud has a kind for. An internal number has none: the
// service refuses a number without a kind, and an empty element would carry nothing anyway.
void AppendPhone(pugi::xml_node parent, pugi::xml_node before, const TContactNumber& n) {
    const std::string rel = PhoneRelFor(n.numberType);
    if (rel.empty()) return;
    pugi::xml_node phone = before ? parent.insert_child_before("gd:phoneNumber", before)
                                  : parent.append_child("gd:phoneNumber");
    phone.append_attribute("rel") = rel.c_str();
    if (n.state != kDeleted) phone.text().set(n.number.c_str());
}

// The part of a group id that names the group in its account: "groups/USER/base/GID".
std::string_view GroupPath(std::string_view id) {
    const std::size_t at = id.find("/m8/feeds/groups/");
    return at == std::string_view::npos ? id : id.substr(at + 17);
}

}  // namespace

std::string NewContactEntryXml(const TContact& contact, const std::string& groupId) {
    pugi::xml_document doc;
    pugi::xml_node entry = StartEntry(doc, true, "#contact");
    pugi::xml_node name = entry.append_child("gd:name");
    AppendNamePart(name, "gd:givenName", contact.firstName);
    AppendNamePart(name, "gd:familyName", contact.lastName);
    AppendNamePart(name, "gd:fullName", contact.displayName);
    if (contact.numbers) {
        for (const auto& n : *contact.numbers) AppendPhone(entry, pugi::xml_node(), n);
    }
    pugi::xml_node member = entry.append_child("gContact:groupMembershipInfo");
    member.append_attribute("deleted") = "false";
    member.append_attribute("href") = groupId.c_str();
    return XmlToString(doc);
}

std::string NewGroupEntryXml(const std::string& title) {
    pugi::xml_document doc;
    pugi::xml_node entry = StartEntry(doc, false, "#group");
    pugi::xml_node t = entry.append_child("atom:title");
    t.append_attribute("type") = "text";
    t.text().set(title.c_str());
    return XmlToString(doc);
}

bool GroupIdsMatch(std::string_view a, std::string_view b) {
    if (a == b) return true;
    const std::string_view pa = GroupPath(a);
    const std::string_view pb = GroupPath(b);
    const std::size_t sa = pa.find('/');
    const std::size_t sb = pb.find('/');
    if (sa == std::string_view::npos || sb == std::string_view::npos) return false;
    if (pa.substr(sa) != pb.substr(sb)) return false;  // "/base/GID"
    const std::string_view ua = pa.substr(0, sa);
    const std::string_view ub = pb.substr(0, sb);
    return ua == ub || ua == "default" || ub == "default";
}

XmlResult AmendContactEntryXml(std::string_view entryXml, const TContact& contact,
                               std::string& amended) {
    pugi::xml_document doc;
    XmlResult parsed = LoadXmlText(entryXml, doc, "contact entry");
    if (!parsed.ok()) return parsed;
    pugi::xml_node entry = doc.document_element();

    pugi::xml_node name = entry.child("gd:name");
    if (!name) name = entry.prepend_child("gd:name");
    for (const char* tag : {"gd:givenName", "gd:familyName", "gd:fullName"}) {
        while (pugi::xml_node old = name.child(tag)) name.remove_child(old);
    }
    AppendNamePart(name, "gd:givenName", contact.firstName);
    AppendNamePart(name, "gd:familyName", contact.lastName);
    AppendNamePart(name, "gd:fullName", contact.displayName);
    // The title is the service's copy of the name: kept in step with it, as plain text (a
    // title of markup would keep its elements beside the new text).
    if (pugi::xml_node title = entry.child("title")) {
        while (pugi::xml_node old = title.first_child()) title.remove_child(old);
        if (pugi::xml_attribute type = title.attribute("type")) type.set_value("text");
        if (!contact.displayName.empty())
            title.append_child(pugi::node_pcdata).set_value(contact.displayName.c_str());
    }

    // The numbers the load mapping took into slots are the record's; the others (no kind of
    // ours, or beyond a kind's capacity) were never the record's and stay. The record's
    // numbers go where the first taken one stood, so they take the same slots when read again.
    PhoneSlotUsage usage;
    std::vector<pugi::xml_node> taken;
    pugi::xml_node firstPhone;
    for (pugi::xml_node phone : entry.children("gd:phoneNumber")) {
        if (!firstPhone) firstPhone = phone;
        const std::string tag = phone.attribute("rel") ? phone.attribute("rel").value()
                                                       : phone.attribute("label").value();
        const int row = FindPhoneLoadRow(tag);
        if (row >= 0 && usage.Take(row) >= 0) taken.push_back(phone);
    }
    auto isTaken = [&taken](const pugi::xml_node& node) {
        return std::find(taken.begin(), taken.end(), node) != taken.end();
    };
    // No number was taken: the record's go before any that stay, so that they come first.
    pugi::xml_node insertBefore = firstPhone;
    if (!taken.empty()) {
        insertBefore = taken.front().next_sibling();
        while (insertBefore && isTaken(insertBefore)) insertBefore = insertBefore.next_sibling();
    }
    for (const pugi::xml_node& node : taken) entry.remove_child(node);
    if (contact.numbers) {
        for (const auto& n : *contact.numbers) {
            if (n.state == kDeleted) continue;  // a removal marker: its number is gone
            AppendPhone(entry, insertBefore, n);
        }
    }
    amended = XmlToString(doc);
    return parsed;
}

XmlResult RemoveMembershipXml(std::string_view entryXml, const std::string& groupId,
                              std::string& amended) {
    pugi::xml_document doc;
    XmlResult parsed = LoadXmlText(entryXml, doc, "contact entry");
    if (!parsed.ok()) return parsed;
    pugi::xml_node entry = doc.document_element();
    for (pugi::xml_node child = entry.first_child(); child;) {
        pugi::xml_node next = child.next_sibling();
        if (std::string_view(child.name()) == "gContact:groupMembershipInfo" &&
            GroupIdsMatch(child.attribute("href").value(), groupId)) {
            entry.remove_child(child);
        }
        child = next;
    }
    amended = XmlToString(doc);
    return parsed;
}

}  // namespace korvi
