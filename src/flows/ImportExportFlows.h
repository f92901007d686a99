// The operations of the import/export tab: delete the PBX contacts of one phonebook, export
// them to an XML or CSV file, import an XML file, and export to or import from the address
// book. Each asks, logs, writes the history and reports as the tab does; the contact type is
// the one the front end's extension box selects (FrontEnd::SelectContactType).
#pragma once

#include "app/Result.h"
#include "flows/FrontEnd.h"

namespace korvi::flows {

struct FlowContext;

// btnDeleteClick. A cancel in the progress is reported as a failure, as the tab does.
Result DeleteContacts(FlowContext& ctx);

// btnExportClick for a file: dialog kSaveXml (action 5) or kSaveCsv (action 6).
Result ExportToFile(FlowContext& ctx, FileDialog dialog);

// btnImportClick for a file (action 9). csvAsCsv: a chosen file named *.csv runs action 10,
// whose reader fails on it as the action says (the tab offers no CSV import; the command line
// lets the user try).
Result ImportFromFile(FlowContext& ctx, bool csvAsCsv = false);

// ExportToOutlook and ImportFromOutlook: the version check, the folder chooser and its
// questions, then actions 7 and 11.
Result ExportToOutlook(FlowContext& ctx);
Result ImportFromOutlook(FlowContext& ctx);

}  // namespace korvi::flows
