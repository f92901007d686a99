#include "stores/gmail/GmailGroupFeed.h"

namespace korvi {

XmlResult ReadGroupFeed(std::string_view bytes, GmailGroupPage& page) {
    page = GmailGroupPage{};
    pugi::xml_document doc;
    XmlResult parsed = LoadXmlText(bytes, doc, "groups feed");
    if (!parsed.ok()) return parsed;
    for (pugi::xml_node child : doc.document_element().children()) {
        const std::string_view name = child.name();
        if (name == "link") {
            if (std::string_view(child.attribute("rel").value()) == "next") {
                page.nextUrl = child.attribute("href").value();
            }
            continue;
        }
        if (name != "entry") continue;
        std::optional<Ty_gmailFolderInfo> current;
        for (pugi::xml_node part : child.children()) {
            const std::string_view partName = part.name();
            if (partName == "id") {
                current = Ty_gmailFolderInfo{0, "", XmlText(part), false};
            } else if (partName == "title") {
                const std::string title = XmlText(part);
                if (current) current->title = title;
                page.titles.push_back({title, current});
            }
        }
    }
    return parsed;
}

std::string ReadGroupEntryId(std::string_view bytes) {
    pugi::xml_document doc;
    if (!LoadXmlText(bytes, doc, "group entry").ok()) return "";
    const pugi::xml_node root = doc.document_element();
    if (std::string_view(root.name()) != "entry") return "";
    return XmlText(root.child("id"));
}

}  // namespace korvi
