// The address book side of `korvi export --to outlook` and `korvi import --from outlook`: the
// flows of the import/export tab with their questions, log and history lines. The session
// connects the PBX client and chooses the contact type when the flow gets there.
#pragma once

#include <optional>
#include <string>

namespace korvi::cli {

class CliIo;
class PbxSession;

// Copies the "AddressBookDir" setting into the services, for every command that reaches the
// address book.
void UseAddressBookSetting(CliIo& io);

// folder: the FolderPath of a contacts folder; none: the default contacts folder.
[[nodiscard]] int ExportPbxToOutlook(CliIo& io, PbxSession& session,
                                     const std::optional<std::string>& folder);
[[nodiscard]] int ImportPbxFromOutlook(CliIo& io, PbxSession& session,
                                       const std::optional<std::string>& folder);

}  // namespace korvi::cli
