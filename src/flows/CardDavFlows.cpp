#include "flows/CardDavFlows.h"

#include <utility>

#include <fmt/format.h>

#include "app/Log.h"
#include "app/Texts.h"
#include "flows/CarryOutAction.h"
#include "flows/Confirm.h"
#include "flows/FlowContext.h"
#include "net/UrlText.h"
#include "services/CardDavPartner.h"
#include "services/Services.h"

namespace korvi::flows {

namespace {

constexpr char kExportFailedHistory[] = "Failed to export PBX contacts to CardDAV [%s]";
constexpr char kImportFailedHistory[] = "Failed to import PBX contacts from CardDAV [%s]";

Result Cancel() { return {kResultCancelled, Text(kTextActionCancelled)}; }

// The store with the account of the flow's settings (the front end's, which may be newer
// than those the services were last handed).
TcardDav& Store(FlowContext& ctx) {
    TcardDav& store = CardDavStore(ctx.services);
    store.settings = CardDavSettingsFrom(ctx.settings);
    return store;
}

// The address book for history lines and messages: never with a password or a query.
std::string Shown(const TcardDav& store) {
    return net::UrlForMessages(store.collectionUrl().empty() ? store.settings.url
                                                             : store.collectionUrl());
}

void WriteHeading(const char* what) {
    WriteLog("");
    WriteLog("LOG: -----> %s", what);
    WriteHistory("");
    WriteHistory("%s", what);
}

// The end of a flow that failed or was cancelled in its action or before it.
Result Report(FlowContext& ctx, Result result, const char* failedHistory) {
    if (result.cancelled()) {
        ctx.frontEnd.Cancelled(result);
    } else {
        WriteHistory(failedHistory, result.text);
        ctx.frontEnd.Failure(result);
    }
    return result;
}

std::string DuplicatesQuestion(const std::string& book, int count) {
    return fmt::format(
               "Warning: The CardDAV address book [{}] already contains {} contacts.\n\n"
               "Adding PBX Contacts to this address book may result in duplication of some "
               "contacts!",
               book, count) +
           "\n\n" + Text(kTextDoYouWantToContinue) + "\n";
}

}  // namespace

Result ExportToCardDav(FlowContext& ctx) {
    WriteHeading("Export PBX Contacts To CardDAV");
    TcardDav& store = Store(ctx);
    int count = 0;
    if (Result counted = store.CountCards(count); !counted.ok()) {
        return Report(ctx, std::move(counted), kExportFailedHistory);
    }
    const std::string book = Shown(store);
    if (count > 0 && !Confirm(ctx, "carddav-duplicates", DuplicatesQuestion(book, count))) {
        WriteLog("LOG: Cancelled");
        WriteHistory("Fail: Action cancelled");
        ctx.frontEnd.Declined(Text(kTextActionCancelled));
        return Cancel();
    }
    // An export adds to what the address book holds.
    store.keepExisting = 1;

    Tpbx& pbx = ctx.services.pbx;
    ctx.frontEnd.EnterBusyState();
    Result result = ctx.frontEnd.SelectContactType(pbx);
    if (result.ok()) {
        CarryOutAction(ctx, kActExportContactsToCardDav);
        result = LastResult(ctx);
    }
    ctx.frontEnd.LeaveBusyState();
    if (!result.ok()) return Report(ctx, std::move(result), kExportFailedHistory);

    const int exported = static_cast<int>(ctx.services.ctrl.pbxContactList.size());
    WriteHistory("Successfully exported %d contacts from PBX for %s to CardDAV address book [%s]",
                 exported, pbx.contactTypeName, book);
    ctx.frontEnd.Information(fmt::format("Saved {} contacts to the CardDAV address book for {}",
                                         exported, pbx.contactTypeName));
    return result;
}

Result ImportFromCardDav(FlowContext& ctx) {
    WriteHeading("Import PBX Contacts From CardDAV");
    TcardDav& store = Store(ctx);
    if (Result located = store.Locate(); !located.ok()) {
        return Report(ctx, std::move(located), kImportFailedHistory);
    }
    Tpbx& pbx = ctx.services.pbx;
    Result result = ctx.frontEnd.SelectContactType(pbx);
    if (!result.ok()) return Report(ctx, std::move(result), kImportFailedHistory);
    if (!Confirm(ctx, "confirm-import", Text(kTextConfirmImport, {}, pbx.contactTypeName))) {
        ctx.frontEnd.Declined(Text(kTextActionCancelled));
        return Cancel();
    }
    ctx.frontEnd.EnterBusyState();
    CarryOutAction(ctx, kActImportContactsFromCardDav);
    result = LastResult(ctx);
    ctx.frontEnd.LeaveBusyState();
    if (!result.ok()) return Report(ctx, std::move(result), kImportFailedHistory);

    const int imported = static_cast<int>(ctx.services.ctrl.pbxContactList.size());
    WriteHistory("Successfully imported %d contacts to PBX for %s from CardDAV address book [%s]",
                 imported, pbx.contactTypeName, Shown(store));
    ctx.frontEnd.Information(
        Text(kTextImported, {}, pbx.contactTypeName, std::to_string(imported)));
    return result;
}

Result FindAddressBooks(FlowContext& ctx, std::vector<AddressBookEntry>& books) {
    books.clear();
    TcardDav& store = CardDavStore(ctx.services);
    // The account dialog asks with values the user has not saved yet: the store goes back to
    // the ones it was handed.
    const CardDavSettings before = store.settings;
    store.settings = CardDavSettingsFrom(ctx.settings);
    std::vector<carddav::AddressBookInfo> found;
    Result result = store.ListAddressBooks(found);
    store.settings = before;
    if (!result.ok()) {
        WriteLog("ERR: CARDDAV: FindAddressBooks: %s", result.text);
        return result;
    }
    for (auto& book : found) books.push_back({std::move(book.url), std::move(book.displayName)});
    WriteLog("LOG: CARDDAV: FindAddressBooks: %d address books at %s",
             static_cast<int>(books.size()), net::UrlForMessages(ctx.settings.cardDavUrl));
    return result;
}

}  // namespace korvi::flows
