#include "ui/GuiChoices.h"

#include <QFileDialog>

#include <memory>

#include "stores/gmail/Tgmail.h"
#include "stores/outlook/Toutlook.h"
#include "ui/FolderChooserDialog.h"
#include "ui/GmailAccountDialog.h"
#include "ui/GmailGroupChooserDialog.h"
#include "ui/GuiBridge.h"
#include "ui/SelectServerDialog.h"
#include "ui/UiText.h"

namespace korvi::ui {

namespace {

constexpr int kChosen = 1;

QStringList Filters(FileKind kind) {
    return {kind == FileKind::kXml ? QString("XML files (*.xml)") : QString("CSV files (*.csv)"),
            QString("All Files (*)")};
}

}  // namespace

GuiChoices::GuiChoices(GuiBridge& bridge, QWidget* dialogParent)
    : m_bridge(bridge), m_parent(dialogParent) {}

std::optional<std::string> GuiChoices::ChooseServer(const std::vector<std::string>& urls,
                                                    int count) {
    QPointer<QWidget> parent = m_parent;
    const GuiAnswer answer = m_bridge.Call(
        [parent, urls, count](GuiBridge::Answer done) {
            auto* dialog = new SelectServerDialog(urls, count, parent);
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            QObject::connect(dialog, &QDialog::finished, dialog, [dialog, done](int result) {
                done(result == QDialog::Accepted ? GuiAnswer{kChosen, dialog->chosenUrl()}
                                                 : GuiAnswer{});
            });
            dialog->open();
        },
        GuiAnswer{});
    if (answer.code != kChosen) return std::nullopt;
    return answer.text;
}

bool GuiChoices::ChooseFolder(Toutlook& store, int showCreateButton) {
    Toutlook* target = &store;
    return Accepted([target, showCreateButton](QWidget* parent) -> QDialog* {
        target->showCreateButton = showCreateButton;
        return new FolderChooserDialog(*target, parent);
    });
}

std::optional<std::pair<std::string, std::string>> GuiChoices::EnterGmailAccount(
    const std::string& account, const std::string& password, AccountClosed closed) {
    QPointer<QWidget> parent = m_parent;
    // Filled on the GUI thread before the answer; read here once the call has returned.
    auto entered = std::make_shared<std::pair<std::string, std::string>>();
    const GuiAnswer answer = m_bridge.Call(
        [parent, account, password, closed, entered](GuiBridge::Answer done) {
            auto* dialog = new GmailAccountDialog(account, password, parent);
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            QObject::connect(dialog, &QDialog::finished, dialog,
                             [dialog, done, closed, entered](int result) {
                                 const bool confirmed = result == QDialog::Accepted;
                                 *entered = {dialog->account(), dialog->password()};
                                 if (closed) closed(confirmed, entered->first, entered->second);
                                 done(GuiAnswer{confirmed ? kChosen : 0, {}});
                             });
            dialog->open();
        },
        GuiAnswer{});
    if (answer.code != kChosen) return std::nullopt;
    return *entered;
}

bool GuiChoices::ChooseGmailGroup(Tgmail& store) {
    Tgmail* target = &store;
    return Accepted([target](QWidget* parent) -> QDialog* {
        return new GmailGroupChooserDialog(*target, parent);
    });
}

bool GuiChoices::Accepted(std::function<QDialog*(QWidget* parent)> makeDialog) {
    QPointer<QWidget> parent = m_parent;
    const GuiAnswer answer = m_bridge.Call(
        [parent, makeDialog](GuiBridge::Answer done) {
            QDialog* dialog = makeDialog(parent);
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            QObject::connect(dialog, &QDialog::finished, dialog, [done](int result) {
                done(GuiAnswer{result == QDialog::Accepted ? kChosen : 0, {}});
            });
            dialog->open();
        },
        GuiAnswer{});
    return answer.code == kChosen;
}

std::optional<std::string> GuiChoices::ChooseSaveFile(FileKind kind) {
    return ChooseFile(kind, true);
}

std::optional<std::string> GuiChoices::ChooseOpenFile(FileKind kind) {
    return ChooseFile(kind, false);
}

std::optional<std::string> GuiChoices::ChooseFile(FileKind kind, bool save) {
    QPointer<QWidget> parent = m_parent;
    const GuiAnswer answer = m_bridge.Call(
        [parent, kind, save](GuiBridge::Answer done) {
            auto* dialog = new QFileDialog(parent);
            dialog->setObjectName(save ? "FileSaveSelect" : "FileOpenSelect");
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            dialog->setNameFilters(Filters(kind));
            dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
            dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
            if (save) dialog->setDefaultSuffix(kind == FileKind::kXml ? "xml" : "csv");
            QObject::connect(dialog, &QDialog::finished, dialog, [dialog, done](int result) {
                const QStringList files = dialog->selectedFiles();
                if (result != QDialog::Accepted || files.isEmpty()) {
                    done(GuiAnswer{});
                    return;
                }
                done(GuiAnswer{kChosen, S(files.front())});
            });
            dialog->open();
        },
        GuiAnswer{});
    if (answer.code != kChosen) return std::nullopt;
    return answer.text;
}

}  // namespace korvi::ui
