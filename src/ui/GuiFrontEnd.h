// The window as the front end of a flow: the flow runs on the flow thread, and everything it
// needs from the user (answers, choices, the wait for an action, messages) is done on the GUI
// thread through the bridge while the flow waits. One per flow run.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "flows/FrontEnd.h"
#include "ui/ExtensionChoice.h"
#include "ui/GuiActionWaiter.h"
#include "ui/GuiChoices.h"
#include "ui/GuiReporter.h"

namespace korvi::ui {

class GuiBridge;
class GuiPrompt;
class ProgressDialog;
class WindowHost;

class GuiFrontEnd final : public flows::FrontEnd {
public:
    // What the extension box of the operation shows (run on the GUI thread).
    using ContactTypeSource = std::function<ContactTypeChoice()>;

    // automatic: the timer's sync, which shows no box; its failure is kept for the tray.
    GuiFrontEnd(WindowHost& host, GuiBridge& bridge, GuiPrompt& prompt, ProgressDialog& progress,
                ContactTypeSource contactType, bool automatic);

    Prompt& prompt() override;
    void Information(const std::string& text) override;
    void Warning(const std::string& text) override;
    void Error(const std::string& text) override;
    void Unshown(const std::string& text) override;
    void EnterBusyState() override;
    void LeaveBusyState() override;
    bool WaitForAction(Tctrl& ctrl, int silent) override;
    Result SelectContactType(Tpbx& pbx) override;
    std::optional<std::string> ChooseFile(flows::FileDialog dialog) override;
    Result ChooseOutlookFolder(Toutlook& store) override;
    std::optional<std::string> ChooseServer(const std::vector<std::string>& urls) override;
    std::optional<flows::GmailAccount> EnterGmailAccount(
        const flows::GmailAccount& current) override;
    Result ChooseGmailGroup(Tgmail& store) override;

    // The failure of an automatic run (what a manual one would have shown), if any.
    std::optional<std::string> automaticFailure() const;

private:
    void Show(MessageKind kind, const std::string& text);

    WindowHost& m_host;
    GuiBridge& m_bridge;
    GuiPrompt& m_prompt;
    GuiReporter m_reporter;
    GuiActionWaiter m_waiter;
    GuiChoices m_choices;
    ContactTypeSource m_contactType;
    const bool m_automatic;
    mutable std::mutex m_mutex;
    std::optional<std::string> m_automaticFailure;
};

}  // namespace korvi::ui
