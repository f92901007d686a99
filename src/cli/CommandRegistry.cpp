#include "cli/CommandRegistry.h"

#include "cli/CardDavCommand.h"
#include "cli/CheckServiceCommand.h"
#include "cli/ContactsCommand.h"
#include "cli/DeleteCommand.h"
#include "cli/DiscoverCommand.h"
#include "cli/ExportCommand.h"
#include "cli/ExtensionsCommand.h"
#include "cli/FoldersCommand.h"
#include "cli/GmailCommand.h"
#include "cli/HelpCommand.h"
#include "cli/ImportCommand.h"
#include "cli/PortalCommand.h"
#include "cli/SettingsCommand.h"
#include "cli/SyncCommand.h"
#include "cli/VersionCommand.h"

namespace korvi::cli {

// Add a command here: its include above and one line below.
CommandRegistry CommandRegistry::Default() {
    CommandRegistry registry;
    registry.Add<HelpCommand>();
    registry.Add<VersionCommand>();
    registry.Add<ContactsCommand>();
    registry.Add<SettingsCommand>();
    registry.Add<CheckServiceCommand>();
    registry.Add<DiscoverCommand>();
    registry.Add<ExtensionsCommand>();
    registry.Add<ExportCommand>();
    registry.Add<ImportCommand>();
    registry.Add<FoldersCommand>();
    registry.Add<GmailCommand>();
    registry.Add<DeleteCommand>();
    registry.Add<PortalCommand>();
    registry.Add<SyncCommand>();
    registry.Add<CardDavCommand>();
    return registry;
}

Command* CommandRegistry::Find(std::string_view name) const {
    for (const auto& command : m_commands) {
        if (command->Name() == name) return command.get();
    }
    return nullptr;
}

}  // namespace korvi::cli
