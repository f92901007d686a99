// The CSV form of a contact list, for spreadsheets: written only, CR LF line ends on every
// platform, one column group per number.
#pragma once

#include <string>

#include "app/AtomicFile.h"
#include "model/Contact.h"

namespace korvi {

// The header line without its line end.
extern const char kContactCsvHeader[];

// The line of one contact, CR LF included, appended to out.
void AppendContactCsvLine(const TContact& contact, std::string& out);

// The header and one line per contact; null entries are skipped and written counts the lines
// of contacts. False when the sink refused the bytes (the sink knows why).
[[nodiscard]] bool WriteContactsCsv(const TContactList& list, ByteSink& sink, int& written);

}  // namespace korvi
