#include "SimStateFile.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <string_view>

#include <pugixml.hpp>

#include "app/XmlDocument.h"
#include "pbx/soap/SoapXmlReader.h"

namespace korvi::sim {

namespace {

void AddText(pugi::xml_node parent, const char* name, const std::string& value) {
    pugi::xml_node e = parent.append_child(name);
    if (!value.empty()) e.text().set(value.c_str());
}

void AddInt(pugi::xml_node parent, const char* name, int32_t value) {
    parent.append_child(name).text().set(value);
}

bool ReadInt(const pugi::xml_node& e, int32_t& value, std::string& error) {
    const std::string text = soap::ElementText(e);
    if (soap::ParseXsdInt(text, value) == soap::IntParse::kOk) return true;
    error = "Invalid integer " + soap::QuoteValue(text) + " in element '" + e.name() + "'";
    return false;
}

}  // namespace

bool SaveSimState(const std::filesystem::path& file, const SimPhonebookState& state,
                  std::string& error) {
    pugi::xml_document doc;
    StartXmlDocument(doc);
    pugi::xml_node root = doc.append_child("contacts");
    root.append_attribute("next_id") = state.nextId;
    for (const soap::TContactStruct& c : state.contacts) {
        pugi::xml_node e = root.append_child("contact");
        AddText(e, "display_name", c.displayName);
        AddText(e, "last_name", c.lastName.value_or(""));
        AddText(e, "first_name", c.firstName.value_or(""));
        AddInt(e, "contact_id", c.contactId);
        AddText(e, "entry_id", "");
        AddInt(e, "contact_type", c.contactType);
        for (const soap::TContactNumberStruct& n : c.contactNumbers) {
            pugi::xml_node ne = e.append_child("number");
            AddInt(ne, "ref", n.ref);
            AddText(ne, "number", n.number);
            AddInt(ne, "number_type", n.numberType);
            AddInt(ne, "barring", n.barring);
            AddInt(ne, "line_access", n.lineAccess);
            AddInt(ne, "cli", n.cli);
        }
    }
    XmlResult saved = SaveXmlFile(doc, file);
    if (!saved.ok()) error = saved.text;
    return saved.ok();
}

bool LoadSimState(const std::filesystem::path& file, SimPhonebookState& state, std::string& error) {
    state = {};
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = file.string() + ": Could not open file";
        return false;
    }
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) {
        error = file.string() + ": Could not read file";
        return false;
    }
    // Our own loader, not LoadXmlFile: it keeps a name that is all blanks.
    pugi::xml_document doc;
    if (XmlResult parsed = soap::LoadSoapDocument(content.view(), doc, file.string());
        !parsed.ok()) {
        error = parsed.text;
        return false;
    }
    pugi::xml_node root = doc.document_element();
    int32_t maxId = 999;
    std::set<int32_t> ids;
    for (pugi::xml_node e = root.first_child(); e; e = e.next_sibling()) {
        if (e.type() != pugi::node_element) continue;
        soap::TContactStruct c;
        c.contactType = 65533;
        c.lastName = "";
        c.firstName = "";
        for (pugi::xml_node f = e.first_child(); f; f = f.next_sibling()) {
            const std::string_view name = f.name();
            bool ok = true;
            if (name == "display_name") c.displayName = soap::ElementText(f);
            if (name == "last_name") c.lastName = soap::ElementText(f);
            if (name == "first_name") c.firstName = soap::ElementText(f);
            if (name == "contact_id") ok = ReadInt(f, c.contactId, error);
            if (name == "contact_type") ok = ReadInt(f, c.contactType, error);
            if (name == "number") {
                soap::TContactNumberStruct n;
                for (pugi::xml_node g = f.first_child(); g && ok; g = g.next_sibling()) {
                    const std::string_view gname = g.name();
                    if (gname == "ref") ok = ReadInt(g, n.ref, error);
                    if (gname == "number") n.number = soap::ElementText(g);
                    if (gname == "number_type") ok = ReadInt(g, n.numberType, error);
                    if (gname == "barring") ok = ReadInt(g, n.barring, error);
                    if (gname == "line_access") ok = ReadInt(g, n.lineAccess, error);
                    if (gname == "cli") ok = ReadInt(g, n.cli, error);
                }
                c.contactNumbers.push_back(std::move(n));
            }
            if (!ok) {
                error = file.string() + ": " + error;
                return false;
            }
        }
        if (!ids.insert(c.contactId).second) {
            error =
                file.string() + ": Contact id " + std::to_string(c.contactId) + " appears twice";
            return false;
        }
        maxId = std::max(maxId, c.contactId);
        state.contacts.push_back(std::move(c));
    }
    std::sort(state.contacts.begin(), state.contacts.end(),
              [](const auto& a, const auto& b) { return a.contactId < b.contactId; });
    state.nextId = maxId + 1;
    if (pugi::xml_attribute next = root.attribute("next_id")) {
        int32_t value = 0;
        if (soap::ParseXsdInt(next.value(), value) != soap::IntParse::kOk) {
            error = file.string() + ": Invalid next_id " + soap::QuoteValue(next.value());
            return false;
        }
        state.nextId = std::max(value, state.nextId);
    }
    return true;
}

}  // namespace korvi::sim
