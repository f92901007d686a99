// What a flow needs from the front end that runs it (the window or the command line): the
// questions, the messages and the busy state, the wait for a running action, and the choices
// made in the middle of an operation. Flows block: every call comes on the flow's thread and
// returns when the front end is done (a box dismissed, a choice made).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "app/Prompt.h"
#include "app/Result.h"

namespace korvi {
class Tgmail;
class Toutlook;
class Tctrl;
class Tpbx;
}  // namespace korvi

namespace korvi::flows {

// The file dialogs of the import/export tab.
enum class FileDialog { kSaveXml, kSaveCsv, kOpenXml };

// One address book of a CardDAV account, as its chooser lists it.
struct AddressBookEntry {
    std::string url;
    std::string displayName;  // may be empty
};

// The cloud account as its dialog shows and leaves it.
struct GmailAccount {
    std::string name;
    std::string password;
};

// The failure box's text: the result text, " (Error Code ", the code and ")".
std::string FailureText(const Result& result);

class FrontEnd;
// A failed action as every tab reports it: the failure box, or nothing more for a cancel (-7).
void ReportFailure(FrontEnd& frontEnd, const Result& failed);

class FrontEnd {
public:
    virtual ~FrontEnd() = default;

    // The one way to ask the user; the running sync asks through it too.
    virtual Prompt& prompt() = 0;

    // Messages: a plain information box, a box with the warning icon, one with the error icon.
    virtual void Information(const std::string& text) = 0;
    virtual void Warning(const std::string& text) = 0;
    virtual void Error(const std::string& text) = 0;
    // The error box of a failed action: FailureText(result) with the error icon.
    virtual void Failure(const Result& result) { Error(FailureText(result)); }
    // The operation ended with -7 (a cancel in the progress, or a file dialog dismissed),
    // where the window shows nothing more.
    virtual void Cancelled(const Result& result) { static_cast<void>(result); }
    // The user answered Cancel to one of the operation's own questions, which then stops
    // without anything more to show.
    virtual void Declined(const std::string& text) { static_cast<void>(text); }
    // A failure the window records only in the history, without a box.
    virtual void Unshown(const std::string& text) { static_cast<void>(text); }

    // The window's caption and the controls that stay off while an operation runs.
    virtual void EnterBusyState() {}
    virtual void LeaveBusyState() {}

    // Called just before the worker starts the action, so that whatever the front end uses to
    // hear a cancel is in place before the first write can happen.
    virtual void BeforeAction() {}
    // Called once the action has started: returns when the controller's busy has dropped, or
    // true as soon as the user asked to cancel it (the flow then calls ctrl.CancelAction() and
    // AfterCancel). Shows the progress unless silent.
    virtual bool WaitForAction(Tctrl& ctrl, int silent) = 0;
    // After a cancel: the window goes on at once; the command line waits for the worker.
    virtual void AfterCancel(Tctrl& ctrl) { static_cast<void>(ctrl); }

    // The extension box: sets pbx.contactType and pbx.contactTypeName as the user chose them.
    // A failure ends the operation as a failed action would.
    virtual Result SelectContactType(Tpbx& pbx) = 0;
    // The save or open file dialog; nullopt when dismissed.
    virtual std::optional<std::string> ChooseFile(FileDialog dialog) = 0;
    // The address book's folder chooser, after its folder tree was read (store.folderTree,
    // store.showCreateButton). Success on OK; the store then holds folderPath, newFolderCreated,
    // createCancelled and folderContactCount as the chooser left them. -7 when dismissed; any
    // other failure (a folder named on the command line that does not exist) with its text.
    virtual Result ChooseOutlookFolder(Toutlook& store) = 0;
    // The select-server dialog for more than one PBX found; the chosen URL or nullopt.
    virtual std::optional<std::string> ChooseServer(const std::vector<std::string>& urls) = 0;
    // The cloud account dialog, filled with the account of the settings: the account and
    // password the user confirmed (the dialog has checked both), or nullopt when not confirmed.
    // A front end without the dialog confirms nothing.
    virtual std::optional<GmailAccount> EnterGmailAccount(const GmailAccount& current) {
        static_cast<void>(current);
        return std::nullopt;
    }
    // The group chooser, after action 14 filled store.folderTree (the flow has reset the
    // chooser and set store.showCreateButton). Success on OK: the store then holds folderTitle,
    // folderID, folderContactCount, newFolderRequested and createCancelled as the chooser left
    // them (its create button asks the name and calls store.RequestNewGroup, showing the text
    // that returns). -7 when dismissed; any other failure (a group named on the command line
    // that the account lacks) with its text. A front end without the chooser dismisses it.
    virtual Result ChooseGmailGroup(Tgmail& store);
};

}  // namespace korvi::flows
