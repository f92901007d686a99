#include "stores/gmail/GmailContactFeed.h"

#include <charconv>

#include "stores/gmail/GmailPhoneMapping.h"

namespace korvi {

namespace {

std::string Cleaned(std::string text) {
    CleanName(text);
    return text;
}

void ReadName(const pugi::xml_node& name, TContact& contact) {
    for (pugi::xml_node part : name.children()) {
        const std::string_view tag = part.name();
        if (tag == "gd:fullName") {
            contact.displayName = Cleaned(XmlText(part));
        } else if (tag == "gd:givenName") {
            contact.firstName = Cleaned(XmlText(part));
        } else if (tag == "gd:familyName") {
            contact.lastName = Cleaned(XmlText(part));
        }
    }
}

void ReadPhone(const pugi::xml_node& phone, PhoneSlotUsage& usage, GmailFeedEntry& out) {
    TContact& contact = out.contact;
    if (!contact.numbers) contact.numbers.emplace();
    std::string tag;
    if (pugi::xml_attribute rel = phone.attribute("rel")) {
        tag = rel.value();
    } else if (pugi::xml_attribute label = phone.attribute("label")) {
        tag = label.value();
    }
    const std::string raw = XmlText(phone);
    const int row = FindPhoneLoadRow(tag);
    if (row < 0) {
        out.dropped.push_back({DroppedNumber::Why::kNotMapped, raw, tag, "", contact.displayName});
        return;
    }
    const int32_t slot = usage.Take(row);
    if (slot < 0) {
        out.dropped.push_back({DroppedNumber::Why::kNoCapacity, raw, tag,
                               PhoneLoadRows()[static_cast<std::size_t>(row)].kind,
                               contact.displayName});
        return;
    }
    // An empty number adds nothing but still takes its slot.
    AddNumber(Cleaned(raw), slot, contact);
}

}  // namespace

void ReadContactEntry(const pugi::xml_node& entry, GmailFeedEntry& out) {
    out = GmailFeedEntry{};
    out.etag = entry.attribute("gd:etag").value();
    PhoneSlotUsage usage;
    for (pugi::xml_node child : entry.children()) {
        const std::string_view name = child.name();
        if (name == "link") {
            if (std::string_view(child.attribute("rel").value()) == "edit") {
                out.contact.entryId = child.attribute("href").value();
            }
        } else if (name == "gd:name") {
            ReadName(child, out.contact);
        } else if (name == "gd:phoneNumber") {
            ReadPhone(child, usage, out);
        } else if (name == "gContact:groupMembershipInfo") {
            if (std::string_view(child.attribute("deleted").value()) != "true") {
                out.groupHrefs.emplace_back(child.attribute("href").value());
            }
        } else if (name == "gd:deleted") {
            out.deleted = true;
        }
    }
}

XmlResult ReadContactFeed(std::string_view bytes, GmailFeedPage& page) {
    page = GmailFeedPage{};
    pugi::xml_document doc;
    XmlResult parsed = LoadXmlText(bytes, doc, "contacts feed");
    if (!parsed.ok()) return parsed;
    for (pugi::xml_node child : doc.document_element().children()) {
        const std::string_view name = child.name();
        if (name == "entry") {
            page.entries.emplace_back();
            ReadContactEntry(child, page.entries.back());
        } else if (name == "link") {
            if (std::string_view(child.attribute("rel").value()) == "next") {
                page.nextUrl = child.attribute("href").value();
            }
        } else if (name == "openSearch:totalResults") {
            const std::string text = XmlText(child);
            long total = 0;
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), total);
            if (ec == std::errc() && end == text.data() + text.size() && total >= 0) {
                page.totalResults = total;
            }
        }
    }
    return parsed;
}

}  // namespace korvi
