#include "GdataSeed.h"

#include <fmt/format.h>

#include "GdataNames.h"

namespace korvi::gdatasim {

namespace {

constexpr const char* kGivenNames[] = {
    "Anna", "J\xC3\xB6rg", "Zo\xC3\xAB", "Liam", "Fran\xC3\xA7oise", "Mia", "Sean", "Ren\xC3\xA9"};
constexpr const char* kFamilyNames[] = {
    "Meyer", "O'Neil",        "Smith & Sons", "Garc\xC3\xAD\x61",
    "Nowak", "M\xC3\xBCller", "Dubois",       "Rossi"};

void AddPhone(pugi::xml_node entry, const char* rel, const std::string& number) {
    pugi::xml_node phone = entry.append_child("gd:phoneNumber");
    phone.append_attribute("rel") = (std::string(kGdNs) + "#" + rel).c_str();
    phone.text().set(number.c_str());
}

}  // namespace

pugi::xml_document MakeSeedEntry(int index, const std::string& groupId) {
    pugi::xml_document doc;
    pugi::xml_node entry = doc.append_child("entry");
    const std::string given = kGivenNames[index % 8];
    const std::string family =
        std::string(kFamilyNames[(index / 8) % 8]) + (index >= 64 ? fmt::format(" {}", index) : "");
    pugi::xml_node name = entry.append_child("gd:name");
    name.append_child("gd:givenName").text().set(given.c_str());
    name.append_child("gd:familyName").text().set(family.c_str());
    name.append_child("gd:fullName").text().set((given + " " + family).c_str());

    pugi::xml_node email = entry.append_child("gd:email");
    email.append_attribute("rel") = (std::string(kGdNs) + "#home").c_str();
    email.append_attribute("address") = fmt::format("seed{}@example.invalid", index).c_str();

    AddPhone(entry, "mobile", fmt::format("+49 170 {:07}", index));
    if (index % 2 == 0) AddPhone(entry, "work", fmt::format("030 {:06}", index));
    if (index % 3 == 0) AddPhone(entry, "home", fmt::format("040 {:06}", index));
    if (index % 7 == 0) AddPhone(entry, "home", fmt::format("041 {:06}", index));
    if (index % 5 == 0) AddPhone(entry, "work_fax", fmt::format("030 9{:05}", index));
    if (index % 11 == 0) {
        pugi::xml_node phone = entry.append_child("gd:phoneNumber");
        phone.append_attribute("label") = "Grand Central";
        phone.text().set(fmt::format("425-555-{:04}", index % 10000).c_str());
    }

    pugi::xml_node address = entry.append_child("gd:structuredPostalAddress");
    address.append_attribute("rel") = (std::string(kGdNs) + "#home").c_str();
    address.append_child("gd:street").text().set(fmt::format("{} Seed Street", index).c_str());
    address.append_child("gd:city").text().set("Bedrock");

    pugi::xml_node member = entry.append_child("gContact:groupMembershipInfo");
    member.append_attribute("deleted") = "false";
    member.append_attribute("href") = groupId.c_str();
    return doc;
}

}  // namespace korvi::gdatasim
