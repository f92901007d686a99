#include "GdataStateFile.h"

#include <charconv>
#include <sstream>

#include "GdataNames.h"
#include "app/AtomicFile.h"

namespace korvi::gdatasim {

namespace {

struct StringWriter final : pugi::xml_writer {
    std::string text;
    void write(const void* data, size_t size) override {
        text.append(static_cast<const char*>(data), size);
    }
};

template <typename T>
bool ParseNumber(const char* text, T& out) {
    const std::string_view s = text;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

void CopyChildren(const pugi::xml_node& from, pugi::xml_node to) {
    for (pugi::xml_node child : from.children()) {
        if (child.type() == pugi::node_element) to.append_copy(child);
    }
}

}  // namespace

bool LoadState(const std::filesystem::path& file, GdataAccounts& accounts, std::string& error) {
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_file(file.c_str());
    if (!parsed) {
        error = file.string() + ": " + parsed.description() + " at offset " +
                std::to_string(parsed.offset);
        return false;
    }
    const pugi::xml_node feed = doc.document_element();
    if (std::string_view(feed.name()) != "feed") {
        error = file.string() + ": not a state file of the emulator (no feed element)";
        return false;
    }
    for (pugi::xml_node node : feed.children("sim:account")) {
        const std::string email = node.attribute("email").value();
        Account* account = accounts.Find(email);
        if (account == nullptr) account = &accounts.AddAccount(email, "");
        if (!ParseNumber(node.attribute("idCounter").value(), account->idCounter)) {
            error = file.string() + ": bad idCounter of account " + email;
            return false;
        }
        for (pugi::xml_node e : node.children("entry")) {
            const std::string_view kind = e.attribute("sim:kind").value();
            int version = 0;
            if (!ParseNumber(e.attribute("sim:version").value(), version) || version < 1) {
                error = file.string() + ": bad version of an entry of " + email;
                return false;
            }
            if (kind == "group") {
                auto group = std::make_unique<StoredGroup>();
                group->gid = e.attribute("sim:id").value();
                group->title = e.child("title").text().get();
                group->systemId = e.attribute("sim:system").value();
                group->version = version;
                group->updated = e.attribute("sim:updated").value();
                pugi::xml_node extra = group->extra.append_child("entry");
                CopyChildren(e, extra);
                extra.remove_child("title");
                accounts.RestoreGroup(*account, std::move(group));
            } else if (kind == "contact") {
                accounts.RestoreContact(*account, e.attribute("sim:id").value(), version,
                                        e.attribute("sim:updated").value(), e);
            } else {
                error = file.string() + ": unknown entry kind '" + std::string(kind) + "'";
                return false;
            }
        }
    }
    return true;
}

bool SaveState(const std::filesystem::path& file, const GdataAccounts& accounts,
               std::string& error) {
    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    pugi::xml_node feed = doc.append_child("feed");
    feed.append_attribute("xmlns") = kAtomNs;
    feed.append_attribute("xmlns:gd") = kGdNs;
    feed.append_attribute("xmlns:gContact") = kContactNs;
    feed.append_attribute("xmlns:sim") = kSimNs;
    feed.append_child("title").text().set("korvi-gdata-sim state");
    for (const auto& account : accounts.accounts()) {
        pugi::xml_node a = feed.append_child("sim:account");
        a.append_attribute("email") = account->email.c_str();
        a.append_attribute("idCounter") = std::to_string(account->idCounter).c_str();
        for (const auto& group : account->groups) {
            pugi::xml_node e = a.append_child("entry");
            e.append_attribute("sim:kind") = "group";
            e.append_attribute("sim:id") = group->gid.c_str();
            e.append_attribute("sim:version") = group->version;
            e.append_attribute("sim:updated") = group->updated.c_str();
            if (!group->systemId.empty()) {
                e.append_attribute("sim:system") = group->systemId.c_str();
            }
            e.append_child("title").text().set(group->title.c_str());
            if (group->extra.document_element()) {
                CopyChildren(group->extra.document_element(), e);
            }
        }
        for (const auto& [seq, contact] : account->contacts) {
            pugi::xml_node e = a.append_child("entry");
            e.append_attribute("sim:kind") = "contact";
            e.append_attribute("sim:id") = contact->cid.c_str();
            e.append_attribute("sim:version") = contact->version;
            e.append_attribute("sim:updated") = contact->updated.c_str();
            CopyChildren(contact->Parse().document_element(), e);
            for (const auto& gid : contact->groups) {
                pugi::xml_node m = e.append_child("gContact:groupMembershipInfo");
                m.append_attribute("deleted") = "false";
                // Any host names the group; the emulator's port changes between runs.
                m.append_attribute("href") =
                    ("http://127.0.0.1/m8/feeds/groups/default/base/" + gid).c_str();
            }
        }
    }
    StringWriter writer;
    doc.save(writer, "  ", pugi::format_default, pugi::encoding_utf8);

    AtomicFile out(file);
    if (!out.Open() || !out.Write(writer.text) || !out.Commit()) {
        error = out.Error();
        out.Discard();
        return false;
    }
    return true;
}

}  // namespace korvi::gdatasim
