// The choices a flow needs from the user in the middle of its work, after an action has told
// what there is to choose from: a PBX among those found, an address book folder, a cloud
// account and group, a file. Each
// opens its dialog on the GUI thread and returns once the user has chosen (flow thread).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QPointer>
#include <QWidget>

class QDialog;

namespace korvi {
class Tgmail;
class Toutlook;
}  // namespace korvi

namespace korvi::ui {

class GuiBridge;

enum class FileKind { kXml, kCsv };

class GuiChoices {
public:
    GuiChoices(GuiBridge& bridge, QWidget* dialogParent);

    // The chosen URL of the first count entries, or nothing when cancelled.
    std::optional<std::string> ChooseServer(const std::vector<std::string>& urls, int count);
    // The folder chooser over the store's tree (action 16 has filled it), with the create
    // button when showCreateButton is 1. True for OK; the store holds what the chooser left.
    bool ChooseFolder(Toutlook& store, int showCreateButton);
    // The cloud account dialog filled with account and password: the two texts confirmed, or
    // nothing when cancelled. closed runs on the GUI thread whenever the dialog closes
    // (confirmed or not, with the dialog's texts).
    using AccountClosed = std::function<void(bool confirmed, const std::string& account,
                                             const std::string& password)>;
    std::optional<std::pair<std::string, std::string>> EnterGmailAccount(
        const std::string& account, const std::string& password, AccountClosed closed);
    // The group chooser over the store's tree (action 14 has filled it; showCreateButton set).
    // True for OK; the store holds what the chooser left.
    bool ChooseGmailGroup(Tgmail& store);
    // The save dialog (asks before overwriting) or the open dialog (the file must exist);
    // nothing when dismissed.
    std::optional<std::string> ChooseSaveFile(FileKind kind);
    std::optional<std::string> ChooseOpenFile(FileKind kind);

private:
    std::optional<std::string> ChooseFile(FileKind kind, bool save);
    // Opens the dialog makeDialog builds (on the GUI thread, window-modal) and waits for it:
    // true when it was accepted.
    bool Accepted(std::function<QDialog*(QWidget* parent)> makeDialog);

    GuiBridge& m_bridge;
    QPointer<QWidget> m_parent;
};

}  // namespace korvi::ui
