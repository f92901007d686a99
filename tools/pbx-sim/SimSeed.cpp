#include "SimSeed.h"

#include <array>
#include <string>
#include <string_view>

namespace korvi::sim {

namespace {

constexpr std::array<std::string_view, 12> kFirstNames = {
    "J\xC3\xB6rg",      // Jörg
    "Zo\xC3\xAB",       // Zoë
    "\xC3\x85sa",       // Åsa
    "\xC5\x81ukasz",    // Łukasz
    "Fran\xC3\xA7ois",  // François
    "Siobh\xC3\xA1n",   // Siobhán
    "Jos\xC3\xA9",      // José
    "Anna",
    "Ren\xC3\xA9"
    "e",  // Renée
    "Mar\xC3\xAD"
    "a",             // María
    "Bj\xC3\xB8rn",  // Bjørn
    "Tom",
};

constexpr std::array<std::string_view, 12> kLastNames = {
    "O'Brien",
    "M\xC3\xBCller",  // Müller
    "Smith & Sons",
    "Nu\xC3\xB1"
    "ez",  // Nuñez
    "\xC3\x98"
    "degaard",  // Ødegaard
    "D'Angelo",
    "\xC4\x8C"
    "ern\xC3\xBD",  // Černý
    "Johnson",
    "Gro\xC3\x9F"
    "e",               // Große
    "Lef\xC3\xA8vre",  // Lefèvre
    "Ba\xC5\x9F"
    "ak",  // Başak
    "Ng",
};

// Number types in the order the seeds cycle through them: home, business, mobile, internal and
// the rest.
constexpr std::array<int32_t, 9> kTypes = {0, 2, 4, 16, 1, 5, 3, 6, 7};

std::string Digits(unsigned value, int width) {
    std::string s = std::to_string(value);
    if (static_cast<int>(s.size()) < width) s.insert(0, width - s.size(), '0');
    return s;
}

}  // namespace

soap::TContactStruct MakeSeedContact(int index, int32_t contactType) {
    const auto i = static_cast<unsigned>(index);
    const std::size_t combos = kFirstNames.size() * kLastNames.size();
    const std::string_view first = kFirstNames[i % kFirstNames.size()];
    // Stepping the last name by one more than the first-name count pairs every first name with
    // every last name before a pair repeats.
    const std::string_view last = kLastNames[(i / kFirstNames.size() + i) % kLastNames.size()];

    soap::TContactStruct c;
    c.contactType = contactType;
    c.firstName = std::string(first);
    c.lastName = std::string(last);
    c.displayName.append(first).append(" ").append(last);
    if (i >= combos) c.displayName.append(" ").append(std::to_string(i / combos + 1));

    const unsigned count = 1 + i % 3;
    for (unsigned k = 0; k < count; ++k) {
        soap::TContactNumberStruct n;
        n.ref = static_cast<int32_t>(k + 1);
        n.numberType = kTypes[(i + k * 4) % kTypes.size()];
        if (n.numberType == 16) {
            n.number = Digits(200 + (i * 7 + k) % 800, 3);
        } else {
            n.number.append("+49 89 ")
                .append(Digits((i * 131 + k * 17) % 100000, 5))
                .append(Digits(k, 2));
        }
        // The central store does not bar numbers; personal phonebooks keep the partner default.
        n.barring = contactType == 65533 ? 0 : 1;
        n.lineAccess = static_cast<int32_t>(k % 2);
        n.cli = 1;
        c.contactNumbers.push_back(std::move(n));
    }
    return c;
}

std::vector<soap::TContactStruct> MakeSeedContacts(int count, int32_t contactType) {
    std::vector<soap::TContactStruct> out;
    if (count > 0) out.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) out.push_back(MakeSeedContact(i, contactType));
    return out;
}

}  // namespace korvi::sim
