#include "ui/GuiFrontEnd.h"

#include "app/KorviSettings.h"
#include "app/ResultCodes.h"
#include "app/TextIds.h"
#include "app/Texts.h"
#include "pbx/Tpbx.h"
#include "stores/gmail/Tgmail.h"
#include "stores/outlook/Toutlook.h"
#include "ui/GuiBridge.h"
#include "ui/GuiPrompt.h"
#include "ui/WindowHost.h"

namespace korvi::ui {

GuiFrontEnd::GuiFrontEnd(WindowHost& host, GuiBridge& bridge, GuiPrompt& prompt,
                         ProgressDialog& progress, ContactTypeSource contactType, bool automatic)
    : m_host(host),
      m_bridge(bridge),
      m_prompt(prompt),
      m_reporter(bridge, host),
      m_waiter(bridge, progress),
      m_choices(bridge, host.dialogParent()),
      m_contactType(std::move(contactType)),
      m_automatic(automatic) {}

Prompt& GuiFrontEnd::prompt() { return m_prompt; }

void GuiFrontEnd::Show(MessageKind kind, const std::string& text) {
    if (m_automatic) {
        // The timer's run puts no box in front of the user; its outcome is in the history, and
        // a failure goes to the tray.
        if (kind != MessageKind::kInformation) {
            std::lock_guard lock(m_mutex);
            m_automaticFailure = text;
        }
        return;
    }
    m_reporter.Show(kind, text);
}

void GuiFrontEnd::Information(const std::string& text) { Show(MessageKind::kInformation, text); }

void GuiFrontEnd::Warning(const std::string& text) { Show(MessageKind::kWarning, text); }

void GuiFrontEnd::Error(const std::string& text) { Show(MessageKind::kError, text); }

void GuiFrontEnd::Unshown(const std::string& text) {
    if (!m_automatic) return;
    std::lock_guard lock(m_mutex);
    m_automaticFailure = text;
}

void GuiFrontEnd::EnterBusyState() { m_reporter.SetBusy(true); }

void GuiFrontEnd::LeaveBusyState() { m_reporter.SetBusy(false); }

bool GuiFrontEnd::WaitForAction(Tctrl& ctrl, int silent) { return m_waiter.Wait(ctrl, silent); }

Result GuiFrontEnd::SelectContactType(Tpbx& pbx) {
    ContactTypeSource source = m_contactType;
    const GuiAnswer answer = m_bridge.Call(
        [source](GuiBridge::Answer done) {
            const ContactTypeChoice choice = source ? source() : ContactTypeChoice{};
            done(GuiAnswer{choice.contactType, choice.name});
        },
        GuiAnswer{kContactTypeNone, {}});
    // What the box shows is taken as it is; a text that names no phonebook fails the contact
    // type check before anything starts.
    pbx.contactType = answer.code;
    pbx.contactTypeName = answer.text;
    return {};
}

std::optional<std::string> GuiFrontEnd::ChooseFile(flows::FileDialog dialog) {
    switch (dialog) {
        case flows::FileDialog::kSaveXml:
            return m_choices.ChooseSaveFile(FileKind::kXml);
        case flows::FileDialog::kSaveCsv:
            return m_choices.ChooseSaveFile(FileKind::kCsv);
        case flows::FileDialog::kOpenXml:
            return m_choices.ChooseOpenFile(FileKind::kXml);
    }
    return std::nullopt;
}

Result GuiFrontEnd::ChooseOutlookFolder(Toutlook& store) {
    if (m_choices.ChooseFolder(store, store.showCreateButton)) return {};
    return {kResultCancelled, Text(kTextActionCancelled)};
}

std::optional<std::string> GuiFrontEnd::ChooseServer(const std::vector<std::string>& urls) {
    return m_choices.ChooseServer(urls, static_cast<int>(urls.size()));
}

std::optional<flows::GmailAccount> GuiFrontEnd::EnterGmailAccount(
    const flows::GmailAccount& current) {
    if (m_automatic) return std::nullopt;  // the timer's run asks nothing
    WindowHost* host = &m_host;
    // The window keeps a confirmed account at once, and saves its settings whenever the
    // dialog closes.
    auto closed = [host](bool confirmed, const std::string& account, const std::string& password) {
        if (confirmed) {
            host->settings().gmailAccName = account;
            host->settings().gmailAccPwd = password;
        }
        host->SaveSettings();
    };
    auto entered = m_choices.EnterGmailAccount(current.name, current.password, closed);
    if (!entered) return std::nullopt;
    return flows::GmailAccount{entered->first, entered->second};
}

Result GuiFrontEnd::ChooseGmailGroup(Tgmail& store) {
    if (!m_automatic && m_choices.ChooseGmailGroup(store)) return {};
    return {kResultCancelled, Text(kTextActionCancelled)};
}

std::optional<std::string> GuiFrontEnd::automaticFailure() const {
    std::lock_guard lock(m_mutex);
    return m_automaticFailure;
}

}  // namespace korvi::ui
