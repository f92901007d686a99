// The properties every reader of outside input must keep, whatever the bytes: one function per
// reader, empty when the input was handled soundly, else what broke. The fuzz targets run them
// on generated inputs; the unit tests run them on every input a fuzz run once broke.
#pragma once

#include <string>
#include <string_view>

namespace korvi::fuzz {

// The PBX's SOAP answers; the first byte picks the operation.
std::string CheckSoapAnswer(std::string_view input);
// Contact files as the import reads them.
std::string CheckContactXml(std::string_view input);
// Sync list files as a sync loads them from the data folder.
std::string CheckSyncList(std::string_view input);
// Card files with the mapping: parse, map, amend, parse again (the amend after the last NUL).
std::string CheckVcardAmend(std::string_view input);
// The settings file and every stored value as its kind.
std::string CheckSettingsValues(std::string_view input);
// The 207 Multi-Status answers of an address book server.
std::string CheckDavMultistatus(std::string_view input);
// The cloud service's feeds, entries and login answers, and the amend of its entries.
std::string CheckGmailFeed(std::string_view input);

}  // namespace korvi::fuzz
