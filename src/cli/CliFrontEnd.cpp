#include "cli/CliFrontEnd.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <ostream>
#include <system_error>

#include "app/Texts.h"
#include "app/Validation.h"
#include "cli/CliIo.h"
#include "cli/CliProgress.h"
#include "cli/Command.h"
#include "cli/InterruptGuard.h"
#include "stores/gmail/Tgmail.h"
#include "stores/outlook/Toutlook.h"
#include "sync/Tctrl.h"

namespace korvi::cli {

namespace {

// How often the progress line is redrawn and Ctrl-C looked at; the end of the action itself
// wakes the wait at once.
constexpr std::chrono::milliseconds kPollInterval{100};

void ContactTypeHint(CliIo& io) {
    io.Error(
        "choose the phonebook with --contact-type central|DEVID ('korvi extensions' lists "
        "them)");
}

}  // namespace

CliFrontEnd::CliFrontEnd(CliIo& io) : m_io(io) {}

Prompt& CliFrontEnd::prompt() { return m_io.prompt(); }

void CliFrontEnd::Information(const std::string& text) { m_information.push_back(text); }

std::string CliFrontEnd::InformationText() const {
    std::string text;
    for (const auto& line : m_information) text += line + '\n';
    return text;
}

void CliFrontEnd::Warning(const std::string& text) {
    m_io.ClearStatus();
    m_io.err() << text << '\n';
    m_io.err().flush();
}

void CliFrontEnd::Error(const std::string& text) { m_io.Error(text); }

void CliFrontEnd::Failure(const Result& result) {
    m_io.ClearStatus();
    m_io.err() << flows::FailureText(result) << '\n';
    m_io.err().flush();
    if (m_contactTypeMissing && m_contactTypeMissing()) ContactTypeHint(m_io);
}

void CliFrontEnd::Cancelled(const Result& result) {
    m_io.ClearStatus();
    m_io.err() << result.text << '\n';
    m_io.err().flush();
}

void CliFrontEnd::Declined(const std::string& text) { m_io.Error(text); }

void CliFrontEnd::Unshown(const std::string& text) { m_io.Error(text); }

int CliFrontEnd::Report(const Result& result) {
    if (result.ok()) return kExitOk;
    if (result.cancelled()) {
        Cancelled(result);
    } else {
        Failure(result);
    }
    return kExitFailure;
}

void CliFrontEnd::BeforeAction() {
    if (m_io.catchInterrupt()) m_interrupt.emplace();
}

bool CliFrontEnd::WaitForAction(Tctrl& ctrl, int silent) {
    CliProgress progress(m_io);
    bool cancelled = false;
    while (!ctrl.WaitUntilIdle(kPollInterval)) {
        if ((m_interrupt && InterruptGuard::Interrupted()) || m_io.CancelCheckSaysStop()) {
            cancelled = true;
            break;
        }
        if (silent == 0) progress.Update(ctrl.ReadProgress());
    }
    progress.Finish();
    m_interrupt.reset();
    return cancelled;
}

void CliFrontEnd::AfterCancel(Tctrl& ctrl) {
    m_io.Note("Cancelling...");
    ctrl.WaitUntilIdle();
}

Result CliFrontEnd::SelectContactType(Tpbx& pbx) {
    return m_chooseContactType ? m_chooseContactType(pbx) : Result();
}

std::optional<std::string> CliFrontEnd::ChooseFile(flows::FileDialog dialog) {
    if (!m_file) return std::nullopt;
    std::error_code ec;
    std::filesystem::path file = std::filesystem::absolute(*m_file, ec);
    if (ec) file = *m_file;
    if (dialog != flows::FileDialog::kOpenXml && std::filesystem::exists(file, ec)) {
        // The window's save dialog asks before it replaces a file.
        Question question;
        question.id = "confirm-overwrite";
        question.caption = Text(kTextConfirm);
        question.text = file.string() + " already exists.\n\nDo you want to replace it?";
        if (m_io.prompt().Ask(question) != kOk) return std::nullopt;
    }
    return file.string();
}

Result CliFrontEnd::ChooseOutlookFolder(Toutlook& store) {
    if (!m_folder && !m_selectDefaultFolder) return {};
    // The chooser's part for a command line: the named contacts folder (the default one when
    // no name is given) looked up in the tree that action 16 filled.
    const std::string path = m_folder ? *m_folder : std::string(kDefaultContactsPath);
    const OutlookFolderNode* node = store.FindNode(path);
    if (node == nullptr || node->info.defaultItemType != outlook::olContactItem) {
        return {kResultLocalFailure, Text(kTextOutlookFolderNotOpened, {}, path)};
    }
    store.SelectFolderNode(node);
    return {};
}

std::optional<std::string> CliFrontEnd::ChooseServer(const std::vector<std::string>&) {
    return std::nullopt;
}

std::optional<flows::GmailAccount> CliFrontEnd::EnterGmailAccount(
    const flows::GmailAccount& current) {
    // The dialog's checks, on the stored account: the command line has no dialog to correct
    // it in.
    for (const Result& checked :
         {ValidateGmailAccount(current.name), ValidateGmailPassword(current.password)}) {
        if (checked.ok()) continue;
        m_io.Error(checked.text);
        m_io.Error(
            "set the account with 'korvi settings set GmailAccName ADDRESS' and its password "
            "with 'korvi settings set GmailAccPwd'");
        return std::nullopt;
    }
    return current;
}

Result CliFrontEnd::ChooseGmailGroup(Tgmail& store) {
    if (m_newGroup) {
        // The chooser's create button with the name given: it closes with OK whatever it says.
        if (const std::string refused = store.RequestNewGroup(*m_newGroup); !refused.empty()) {
            m_io.Error(refused);
        }
        return {};
    }
    for (const GmailGroupNode& node : store.folderTree.children) {
        if (!node.record) continue;
        const bool wanted =
            m_group ? node.record->title == *m_group : node.record->id == m_defaultGroupId;
        if (wanted && store.SelectGroupNode(&node)) return {};
    }
    if (m_group) {
        return {kResultLocalFailure, "no contact group [" + *m_group +
                                         "] in the account ('korvi gmail groups' lists them)"};
    }
    return {kResultLocalFailure,
            "the group of the syncGmailFolderID setting is not in the account: choose one with "
            "--group NAME ('korvi gmail groups' lists them)"};
}

}  // namespace korvi::cli
