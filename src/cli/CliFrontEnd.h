// The command line as the front end of a flow: questions on the terminal (CliPrompt), failures
// and warnings on the error stream at once, information kept for the command to print with
// what only the command line adds, the progress line and Ctrl-C while an action runs, and the
// choices that the window makes in dialogs taken from the command's options.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/InterruptGuard.h"
#include "flows/FrontEnd.h"

namespace korvi::cli {

class CliIo;

class CliFrontEnd final : public flows::FrontEnd {
public:
    explicit CliFrontEnd(CliIo& io);

    Prompt& prompt() override;
    // Kept, in order, for the command: information().
    void Information(const std::string& text) override;
    // The text on the error stream.
    void Warning(const std::string& text) override;
    // "korvi: " and the text on the error stream.
    void Error(const std::string& text) override;
    // "<text> (Error Code N)" on the error stream, and the hint when no contact type was chosen.
    void Failure(const Result& result) override;
    // The result's text on the error stream.
    void Cancelled(const Result& result) override;
    void Declined(const std::string& text) override;
    void Unshown(const std::string& text) override;

    // The progress line (not when silent) and Ctrl-C, polled while the action runs.
    void BeforeAction() override;
    bool WaitForAction(Tctrl& ctrl, int silent) override;
    // Unlike the window, which returns at once on Cancel, the tool waits for the worker: the
    // body leaves its files and the PBX in a known state before the process ends.
    void AfterCancel(Tctrl& ctrl) override;

    // The command's choices (options); without them: the stored contact type is taken as it
    // is, no file, the default folder, no server.
    Result SelectContactType(Tpbx& pbx) override;
    std::optional<std::string> ChooseFile(flows::FileDialog dialog) override;
    Result ChooseOutlookFolder(Toutlook& store) override;
    std::optional<std::string> ChooseServer(const std::vector<std::string>& urls) override;
    // The stored account when it passes the dialog's checks; else their message and nullopt.
    std::optional<flows::GmailAccount> EnterGmailAccount(
        const flows::GmailAccount& current) override;
    // The group of SetGmailGroup, looked up in the tree that action 14 filled.
    Result ChooseGmailGroup(Tgmail& store) override;

    void SetContactTypeChoice(std::function<Result(Tpbx&)> choose) {
        m_chooseContactType = std::move(choose);
    }
    // The file of --file: made absolute; a file to be written that exists already is replaced
    // only when the user confirms.
    void SetFile(std::string file) { m_file = std::move(file); }
    // The folder of --folder. selectDefault: without one, the default contacts folder is
    // selected by its path (as the chooser selects it); else the default stays unnamed.
    void SetFolder(std::optional<std::string> folder, bool selectDefault) {
        m_folder = std::move(folder);
        m_selectDefaultFolder = selectDefault;
    }
    // The cloud group of --group (by title), or --new-group (made as the chooser's create
    // button makes it); without either the group whose id is defaultId (the settings' one).
    void SetGmailGroup(std::optional<std::string> group, std::optional<std::string> newGroup,
                       std::string defaultId) {
        m_group = std::move(group);
        m_newGroup = std::move(newGroup);
        m_defaultGroupId = std::move(defaultId);
    }
    // Failure() adds the contact type hint when this says that none was chosen.
    void SetContactTypeMissing(std::function<bool()> missing) {
        m_contactTypeMissing = std::move(missing);
    }

    const std::vector<std::string>& information() const { return m_information; }
    // All information lines, each ending in a line break.
    std::string InformationText() const;

    // The failure line of a result on the error stream as Failure or Cancelled print it; the
    // exit code (0 for success).
    int Report(const Result& result);

private:
    CliIo& m_io;
    // Ctrl-C is caught from just before the action starts until the wait for it ends.
    std::optional<InterruptGuard> m_interrupt;
    std::vector<std::string> m_information;
    std::function<Result(Tpbx&)> m_chooseContactType;
    std::optional<std::string> m_file;
    std::optional<std::string> m_folder;
    bool m_selectDefaultFolder = false;
    std::optional<std::string> m_group;
    std::optional<std::string> m_newGroup;
    std::string m_defaultGroupId;
    std::function<bool()> m_contactTypeMissing;
};

}  // namespace korvi::cli
