#include "services/OutlookPartner.h"

#include <filesystem>
#include <memory>
#include <utility>

#include "app/Texts.h"
#include "services/Services.h"
#include "stores/outlook/VcfAddressBook.h"

namespace korvi {

namespace {

void RegisterOwnActions(Tctrl& ctrl, Toutlook& outlook) {
    ctrl.SetActionBody(kActGetOutlookFolderInfo, [&outlook](Tctrl& c, const StopFlag&) {
        c.SetResult(outlook.GetOutlookFolderInfo());
    });
    ctrl.SetActionBody(kActGetOutlookVersion, [&outlook](Tctrl& c, const StopFlag&) {
        c.SetResult(outlook.GetVersion());
    });
}

}  // namespace

void RegisterOutlookPartner(Services& services) {
    // The folder is read at each connection, so settings handed over later take effect.
    auto folder = std::make_shared<std::filesystem::path>(services.dataFolder() / "addressbook");
    const std::filesystem::path data = services.dataFolder();
    auto store = std::make_unique<Toutlook>(services.ctrl, [folder, data] {
        outlook::VcfAddressBookOptions options;
        options.root = *folder;
        // The cards a connection deletes are kept in the data folder's backups.
        options.backupsRoot = data / "backups";
        options.folderIds = data / "folder-ids";
        // Only the program's own folder gets its default contacts folder made.
        options.ownTree = *folder == data / "addressbook";
        return outlook::ConnectVcfAddressBook(options);
    });
    Partner partner = OutlookPartnerFor(*store);
    partner.configure = [folder](const KorviSettings& settings) {
        if (!settings.addressBookDir.empty()) *folder = settings.addressBookDir;
    };
    services.partners.Register(std::move(partner), std::move(store));
}

Partner OutlookPartnerFor(Toutlook& outlook) {
    Partner partner;
    partner.code = ePartner_Outlook;
    partner.name = PartnerName(ePartner_Outlook);
    partner.store = &outlook;
    partner.slots = PartnerSlots::AddressBook();
    partner.exportAction = kActExportContactsToOutlook;
    partner.importAction = kActImportContactsFromOutlook;
    partner.noContactsText = Text(kTextNoOutlookContacts);
    partner.registerActions = [&outlook](Tctrl& ctrl) { RegisterOwnActions(ctrl, outlook); };
    partner.prepareSync = [&outlook](Tctrl& ctrl) {
        outlook.folderPath = ctrl.outlookFolder;
        return Result();
    };
    partner.locate = [&outlook](const KorviSettings& settings) {
        outlook.folderPath = settings.syncOutlookFolder;
        Result opened = outlook.OpenFolder();
        if (opened.ok()) outlook.CloseFolder();
        return opened;
    };
    return partner;
}

Toutlook& OutlookStore(const Services& services) {
    return *services.partners.StoreOf<Toutlook>(ePartner_Outlook);
}

}  // namespace korvi
