// The cloud group's operations: export to and import from a contact group of the account, the
// choice of the sync group, and for the command line the login, the list of groups and a new
// group. Each begins with the login step (the account dialog, then action 13) unless the store
// is already logged in as the account now set.
#pragma once

#include <string>

#include "app/Result.h"

namespace korvi::flows {

struct FlowContext;

// ExportToGmail: login, groups (action 14), the chooser with its create button, then a new
// group (action 15) or the question before adding to a group that holds contacts, then the
// export (action 8).
Result ExportToGmail(FlowContext& ctx);

// ImportFromGmail: login, groups, the chooser, the import question, then the import
// (action 12). kResultGmailNumbersSkipped is a success whose report is a warning (some numbers
// of the group could not be read).
Result ImportFromGmail(FlowContext& ctx);

// The sync tab's account button with the cloud as partner: the account dialog, its login, the
// groups and the chooser. ctx.settings then holds the account confirmed and the group chosen
// (syncGmailFolderTitle, syncGmailFolderID) for the front end to show and save.
Result ChangeSyncGmailGroup(FlowContext& ctx);

// The login step alone.
Result LogInToGmail(FlowContext& ctx);
// The login step and the groups: the store's folderTree lists them with their counts.
Result ListGmailGroups(FlowContext& ctx);
// The login step and a new group of that title (the chooser's create button without the
// chooser): the store's folderID is then its id.
Result CreateGmailGroup(FlowContext& ctx, const std::string& title);

}  // namespace korvi::flows
