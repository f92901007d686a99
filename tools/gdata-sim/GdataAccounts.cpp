#include "GdataAccounts.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include <fmt/format.h>

#include "EntryXml.h"
#include "GdataNames.h"
#include "net/UrlText.h"

namespace korvi::gdatasim {

namespace {

uint64_t SplitMix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

uint64_t Fnv(std::string_view text) {
    uint64_t h = 0xCBF29CE484222325ull;
    for (unsigned char c : text) h = (h ^ c) * 0x100000001B3ull;
    return h;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

bool KnownPhoneRel(std::string_view rel) {
    const std::string_view ns = kGdNs;
    if (!rel.starts_with(ns) || rel.size() == ns.size() || rel[ns.size()] != '#') return false;
    rel.remove_prefix(ns.size() + 1);
    return std::find(std::begin(kPhoneRels), std::end(kPhoneRels), rel) != std::end(kPhoneRels);
}

}  // namespace

StoredGroup* Account::FindGroup(std::string_view gid) {
    for (auto& g : groups) {
        if (g->gid == gid) return g.get();
    }
    return nullptr;
}

StoredGroup* Account::FindGroupByTitle(std::string_view title) {
    for (auto& g : groups) {
        if (g->title == title) return g.get();
    }
    return nullptr;
}

StoredContact* Account::FindContact(std::string_view cid) {
    const auto it = contactSeq.find(std::string(cid));
    if (it == contactSeq.end()) return nullptr;
    return contacts.at(it->second).get();
}

std::string NowStamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    return fmt::format("{}.{:03}Z", text, millis);
}

std::string EntityTag(std::string_view id, int version) {
    const uint64_t h = SplitMix(Fnv(id) + static_cast<uint64_t>(version));
    return fmt::format("\"Q{:016x}{:04x}.\"", h, version & 0xFFFF);
}

Account& GdataAccounts::AddAccount(const std::string& email, const std::string& password) {
    if (Account* existing = Find(email)) {
        existing->password = password;
        return *existing;
    }
    auto account = std::make_unique<Account>();
    account->email = email;
    account->password = password;
    for (const auto& sys : kSystemGroups) {
        auto group = std::make_unique<StoredGroup>();
        group->gid = sys.gid;
        group->title = sys.title;
        group->systemId = sys.systemId;
        group->updated = "1970-01-01T00:00:00.000Z";
        account->groups.push_back(std::move(group));
    }
    m_accounts.push_back(std::move(account));
    return *m_accounts.back();
}

Account* GdataAccounts::Find(std::string_view email) {
    for (auto& a : m_accounts) {
        if (EqualsIgnoringCase(a->email, email)) return a.get();
    }
    return nullptr;
}

std::string GdataAccounts::NewId(Account& account) {
    for (;;) {
        const uint64_t id = SplitMix(Fnv(account.email) + account.idCounter++);
        std::string text = fmt::format("{:016x}", id);
        if (account.FindContact(text) == nullptr && account.FindGroup(text) == nullptr) {
            return text;
        }
    }
}

std::string GdataAccounts::CheckContact(Account& account, const pugi::xml_node& entry,
                                        std::vector<std::string>& groups) const {
    groups.clear();
    for (pugi::xml_node child : entry.children()) {
        const std::string_view name = child.name();
        if (name == "gd:phoneNumber") {
            const bool rel = !child.attribute("rel").empty();
            const bool label = !child.attribute("label").empty();
            if (rel == label) return "gd:phoneNumber needs exactly one of rel and label";
            if (rel && !KnownPhoneRel(child.attribute("rel").value())) {
                return "Unknown phone number rel '" + std::string(child.attribute("rel").value()) +
                       "'";
            }
        } else if (name == "gContact:groupMembershipInfo") {
            if (std::string_view(child.attribute("deleted").value()) == "true") continue;
            const std::string href = child.attribute("href").value();
            const auto gid = GroupIdToGid(href, account.email);
            if (!gid || account.FindGroup(*gid) == nullptr) return "Unknown group '" + href + "'";
            if (std::find(groups.begin(), groups.end(), *gid) == groups.end()) {
                groups.push_back(*gid);
            }
        } else if (name == "category") {
            if (std::string_view(child.attribute("scheme").value()) == kKindScheme &&
                std::string_view(child.attribute("term").value()) != kContactKind) {
                return "Wrong kind '" + std::string(child.attribute("term").value()) +
                       "' for a contact";
            }
        }
    }
    return "";
}

namespace {

// The service keeps these itself: what a client sends of them is not stored.
void DropServerElements(pugi::xml_node entry, bool keepTitle) {
    for (pugi::xml_node child = entry.first_child(); child;) {
        pugi::xml_node next = child.next_sibling();
        const std::string_view name = child.name();
        if (name == "id" || name == "updated" || name == "app:edited" || name == "link" ||
            name == "category" || name == "gd:deleted" || (!keepTitle && name == "title") ||
            (name == "gContact:groupMembershipInfo" &&
             std::string_view(child.attribute("deleted").value()) == "true")) {
            entry.remove_child(child);
        }
        child = next;
    }
}

}  // namespace

namespace {

struct StringWriter final : pugi::xml_writer {
    std::string text;
    void write(const void* data, size_t size) override {
        text.append(static_cast<const char*>(data), size);
    }
};

std::string TitleOf(const pugi::xml_node& entry) {
    const pugi::xml_node name = entry.child("gd:name");
    const std::string full = name.child("gd:fullName").text().get();
    if (!full.empty()) return full;
    std::string given = name.child("gd:givenName").text().get();
    const std::string family = name.child("gd:familyName").text().get();
    if (!given.empty() && !family.empty()) given += " ";
    return given + family;
}

}  // namespace

pugi::xml_document StoredContact::Parse() const {
    pugi::xml_document doc;
    pugi::xml_node entry = doc.append_child("entry");
    pugi::xml_document fragment;
    if (fragment.load_buffer(ownXml.data(), ownXml.size(),
                             pugi::parse_default | pugi::parse_fragment, pugi::encoding_utf8)) {
        for (pugi::xml_node child : fragment.children()) entry.append_copy(child);
    }
    return doc;
}

void GdataAccounts::Keep(StoredContact& contact, pugi::xml_node entry,
                         std::vector<std::string> groups) {
    DropServerElements(entry, false);
    while (pugi::xml_node m = entry.child("gContact:groupMembershipInfo")) entry.remove_child(m);
    contact.title = TitleOf(entry);
    StringWriter writer;
    for (pugi::xml_node child : entry.children()) {
        child.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
    }
    contact.ownXml = std::move(writer.text);
    contact.groups = std::move(groups);
}

std::string GdataAccounts::CreateContact(Account& account, pugi::xml_document entry,
                                         std::string& cid) {
    std::vector<std::string> groups;
    std::string error = CheckContact(account, entry.document_element(), groups);
    if (!error.empty()) return error;
    auto contact = std::make_unique<StoredContact>();
    contact->cid = NewId(account);
    contact->updated = NowStamp();
    Keep(*contact, entry.document_element(), std::move(groups));
    cid = contact->cid;
    const uint64_t seq = account.nextSeq++;
    account.contactSeq[cid] = seq;
    account.contacts[seq] = std::move(contact);
    return "";
}

std::string GdataAccounts::ReplaceContact(Account& account, StoredContact& contact,
                                          pugi::xml_document entry) {
    std::vector<std::string> groups;
    std::string error = CheckContact(account, entry.document_element(), groups);
    if (!error.empty()) return error;
    Keep(contact, entry.document_element(), std::move(groups));
    ++contact.version;
    contact.updated = NowStamp();
    return "";
}

void GdataAccounts::DeleteContact(Account& account, const std::string& cid) {
    const auto it = account.contactSeq.find(cid);
    if (it == account.contactSeq.end()) return;
    account.contacts.erase(it->second);
    account.contactSeq.erase(it);
}

std::string GdataAccounts::CreateGroup(Account& account, const std::string& title,
                                       pugi::xml_document extra, std::string& gid) {
    const std::string_view trimmed = [&] {
        std::string_view t = title;
        while (!t.empty() && std::isspace(static_cast<unsigned char>(t.front())))
            t.remove_prefix(1);
        while (!t.empty() && std::isspace(static_cast<unsigned char>(t.back()))) t.remove_suffix(1);
        return t;
    }();
    if (trimmed.empty()) return "A group needs a title";
    if (account.FindGroupByTitle(title) != nullptr) return "A group titled '" + title + "' exists";
    for (pugi::xml_node child : extra.document_element().children()) {
        if (std::string_view(child.name()) == "category" &&
            std::string_view(child.attribute("scheme").value()) == kKindScheme &&
            std::string_view(child.attribute("term").value()) != kGroupKind) {
            return "Wrong kind '" + std::string(child.attribute("term").value()) + "' for a group";
        }
    }
    DropServerElements(extra.document_element(), false);
    auto group = std::make_unique<StoredGroup>();
    group->gid = NewId(account);
    group->title = title;
    group->updated = NowStamp();
    group->extra.reset(extra);
    gid = group->gid;
    account.groups.push_back(std::move(group));
    return "";
}

void GdataAccounts::RestoreGroup(Account& account, std::unique_ptr<StoredGroup> group) {
    if (StoredGroup* existing = account.FindGroup(group->gid)) {
        *existing = std::move(*group);
        return;
    }
    account.groups.push_back(std::move(group));
}

void GdataAccounts::RestoreContact(Account& account, const std::string& cid, int version,
                                   const std::string& updated, const pugi::xml_node& entry) {
    auto contact = std::make_unique<StoredContact>();
    contact->cid = cid;
    contact->version = version;
    contact->updated = updated;
    std::vector<std::string> groups;
    for (pugi::xml_node m : entry.children("gContact:groupMembershipInfo")) {
        const auto gid = GroupIdToGid(m.attribute("href").value(), account.email);
        if (gid && account.FindGroup(*gid) != nullptr) groups.push_back(*gid);
    }
    pugi::xml_document copy;
    pugi::xml_node root = copy.append_child("entry");
    for (pugi::xml_node child : entry.children()) {
        if (child.type() == pugi::node_element) root.append_copy(child);
    }
    Keep(*contact, root, std::move(groups));
    DeleteContact(account, cid);
    const uint64_t seq = account.nextSeq++;
    account.contactSeq[cid] = seq;
    account.contacts[seq] = std::move(contact);
}

std::vector<const StoredContact*> GdataAccounts::ContactsOf(const Account& account,
                                                            std::string_view gid) const {
    std::vector<const StoredContact*> out;
    for (const auto& [seq, contact] : account.contacts) {
        if (gid.empty() || std::find(contact->groups.begin(), contact->groups.end(), gid) !=
                               contact->groups.end()) {
            out.push_back(contact.get());
        }
    }
    return out;
}

std::optional<std::string> GroupIdToGid(std::string_view id, std::string_view email) {
    constexpr std::string_view kPath = "/m8/feeds/groups/";
    const std::size_t at = id.find(kPath);
    if (at == std::string_view::npos) return std::nullopt;
    std::string_view rest = id.substr(at + kPath.size());
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    std::string user(rest.substr(0, slash));
    if (user.find('%') != std::string::npos && !net::PercentDecode(user, user)) {
        return std::nullopt;
    }
    if (user != "default" && !EqualsIgnoringCase(user, email)) return std::nullopt;
    rest.remove_prefix(slash + 1);
    if (!rest.starts_with("base/")) return std::nullopt;
    rest.remove_prefix(5);
    if (rest.empty() || rest.find_first_of("/?#") != std::string_view::npos) return std::nullopt;
    return std::string(rest);
}

}  // namespace korvi::gdatasim
