#include "ui/EditCardDavAccount.h"

#include <memory>
#include <vector>

#include "app/KorviSettings.h"
#include "flows/CardDavFlows.h"
#include "flows/FlowContext.h"
#include "ui/CardDavAccountDialog.h"
#include "ui/WindowHost.h"

namespace korvi::ui {

void EditCardDavAccount(WindowHost& host, std::function<void()> saved) {
    const KorviSettings& s = host.settings();
    const CardDavAccount current{s.cardDavUrl, s.cardDavUser, s.cardDavPwd, s.cardDavCaFile};
    WindowHost* window = &host;
    auto finder = [window](const CardDavAccount& asked, CardDavAccountDialog::Found found) {
        auto books = std::make_shared<std::vector<flows::AddressBookEntry>>();
        auto result = std::make_shared<Result>();
        return window->RunOperation({
            [asked, books, result](flows::FlowContext& ctx) {
                ctx.settings.cardDavUrl = asked.url;
                ctx.settings.cardDavUser = asked.user;
                ctx.settings.cardDavPwd = asked.password;
                ctx.settings.cardDavCaFile = asked.caFile;
                *result = flows::FindAddressBooks(ctx, *books);
            },
            [found, books, result](const GuiFrontEnd&) { found(*result, *books); },
        });
    };
    auto* dialog = new CardDavAccountDialog(current, std::move(finder), host.dialogParent());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QDialog::finished, dialog,
                     [window, dialog, saved = std::move(saved)](int result) {
                         if (result != QDialog::Accepted) return;
                         const CardDavAccount chosen = dialog->account();
                         KorviSettings& settings = window->settings();
                         settings.cardDavUrl = chosen.url;
                         settings.cardDavUser = chosen.user;
                         settings.cardDavPwd = chosen.password;
                         settings.cardDavCaFile = chosen.caFile;
                         window->SaveSettings();
                         if (saved) saved();
                     });
    dialog->open();
}

}  // namespace korvi::ui
