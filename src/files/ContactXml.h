// The XML form of a contact list: a <contacts> document element holding one <contact> per
// contact, every value as element text. It is also the form of the sync list files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "app/AtomicFile.h"
#include "app/XmlDocument.h"
#include "model/Contact.h"

namespace korvi {

// A contact file larger than this is refused before it is read, so that a runaway file cannot
// take the memory of the process (reading costs about six times the file size). At about 870
// bytes a contact of three numbers, it holds some 48,000 such contacts.
inline constexpr std::uintmax_t kMaxContactFileBytes = 40u * 1024u * 1024u;

// Streams the list into sink, one contact at a time, indented two blanks a level. Null entries
// are skipped; written is the number of contact elements. On failure the text says which
// contact could not be written (also the one that would make the file larger than maxBytes,
// which the reader refuses); an empty text means the sink refused the bytes (the sink knows
// why).
[[nodiscard]] XmlResult WriteContactsXml(const TContactList& list, ByteSink& sink, int& written,
                                         std::uintmax_t maxBytes = kMaxContactFileBytes);

// Reads the file and appends its contacts to list in document order; count is the number of
// contact elements. A failure part-way leaves the contacts read so far in list.
[[nodiscard]] XmlResult ReadContactsXmlFile(const std::filesystem::path& file, TContactList& list,
                                            int& count);

// The same walk over a parsed document; sourceName names it in error texts.
[[nodiscard]] XmlResult ReadContactsXml(const pugi::xml_document& doc, std::string_view sourceName,
                                        TContactList& list, int& count);

}  // namespace korvi
