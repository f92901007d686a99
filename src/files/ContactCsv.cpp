#include "files/ContactCsv.h"

#include <string_view>

namespace korvi {

const char kContactCsvHeader[] =
    "\"Display Name\",\"Last Name\",\"First Name\",\"Contact ID\",\"Entry ID\","
    "\"Home1_Num\",\"Home1_Barring\",\"Home1_LA\",\"Home1_Cli\","
    "\"Home2_Num\",\"Home2_Barring\",\"Home2_LA\",\"Home2_Cli\","
    "\"Bus1_Num\",\"Bus1_Barring\",\"Bus1_LA\",\"Bus1_Cli\","
    "\"Bus2_Num\",\"Bus2_Barring\",\"Bus2_LA\",\"Bus2_Cli\","
    "\"Mob_Num\",\"Mob_Barring\",\"Mob_LA\",\"Mob_Cli\","
    "\"Other_Num\",\"Other_Barring\",\"Other_LA\",\"Other_Cli\","
    "\"FaxHome_Num\",\"FaxHome_Barring\",\"FaxHome_LA\",\"FaxHome_Cli\","
    "\"FaxBus_Num\",\"FaxBus_Barring\",\"FaxBus_LA\",\"FaxBus_Cli\"";

namespace {

constexpr char kLineEnd[] = "\r\n";
// The spreadsheet columns hold ten numbers; shorter lists are padded to that width.
constexpr long long kPaddedNumbers = 10;
constexpr int32_t kLastCsvNumberType = kFaxBus;

// Quotes are doubled so that a quoted name survives a spreadsheet (RFC 4180).
void AppendQuoted(std::string_view value, std::string& out) {
    out += '"';
    for (char c : value) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void AppendQuotedInt(int32_t value, std::string& out) {
    out += '"';
    out += std::to_string(value);
    out += '"';
}

// An empty name is written as nothing at all, not as "".
void AppendName(const std::string& name, std::string& out) {
    if (!name.empty()) AppendQuoted(name, out);
    out += ',';
}

}  // namespace

void AppendContactCsvLine(const TContact& contact, std::string& out) {
    AppendName(contact.displayName, out);
    AppendName(contact.lastName, out);
    AppendName(contact.firstName, out);
    AppendQuotedInt(contact.contactId, out);
    out += ',';
    AppendQuoted(contact.entryId, out);
    out += ',';
    long long padding = kPaddedNumbers;
    if (contact.numbers) {
        for (int32_t type = kHome1; type <= kLastCsvNumberType; ++type) {
            for (const TContactNumber& number : *contact.numbers) {
                if (number.numberType != type || number.state == kDeleted) continue;
                AppendQuoted(number.number, out);
                out += ',';
                AppendQuotedInt(number.barring, out);
                out += ',';
                AppendQuotedInt(number.lineAccess, out);
                out += ',';
                AppendQuotedInt(number.cli, out);
                out += ',';
            }
        }
        // Every entry counts here, whatever its type or state.
        padding -= static_cast<long long>(contact.numbers->size());
    }
    for (long long i = 0; i < padding; ++i) out += (i == padding - 1) ? ",,,," : ",,,,,";
    out += kLineEnd;
}

bool WriteContactsCsv(const TContactList& list, ByteSink& sink, int& written) {
    written = 0;
    std::string line = kContactCsvHeader;
    line += kLineEnd;
    if (!sink.Write(line)) return false;
    for (const auto& contact : list) {
        if (!contact) continue;
        line.clear();
        AppendContactCsvLine(*contact, line);
        if (!sink.Write(line)) return false;
        ++written;
    }
    return true;
}

}  // namespace korvi
