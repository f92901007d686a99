#include "services/GmailPartner.h"

#include <memory>
#include <utility>

#include "app/Log.h"
#include "app/TextIds.h"
#include "app/Texts.h"
#include "app/Validation.h"
#include "net/CurlTransport.h"
#include "services/Services.h"
#include "stores/gmail/GmailPhoneMapping.h"

namespace korvi {

namespace {

void RegisterOwnActions(Tctrl& ctrl, Tgmail& gmail) {
    ctrl.SetActionBody(kActLoginToGmail,
                       [&gmail](Tctrl& c, const StopFlag&) { c.SetResult(gmail.LoginToGmail()); });
    ctrl.SetActionBody(kActGetGmailFolderInfo, [&gmail](Tctrl& c, const StopFlag&) {
        c.SetResult(gmail.GetGmailFolderInfo());
    });
    ctrl.SetActionBody(kActCreateNewGmailFolder, [&gmail](Tctrl& c, const StopFlag&) {
        c.SetResult(gmail.CreateNewGmailFolder());
    });
}

}  // namespace

PartnerSlots GmailGroupSlots() {
    PartnerSlots slots;
    slots.kindOf = PhoneKindOf;
    slots.kindSlots = PhoneKindSlots();
    return slots;
}

void RegisterGmailPartner(Services& services) {
    auto transport = std::make_unique<net::CurlTransport>();
    net::CurlTransport* curl = transport.get();
    auto store = std::make_unique<Tgmail>(services.ctrl, std::move(transport));
    Partner partner = GmailPartnerFor(*store);
    auto configureStore = partner.configure;
    partner.configure = [curl, configureStore](const KorviSettings& settings) {
        net::CurlTransportOptions options = curl->options();
        options.caFile = settings.gmailCaFile;
        curl->SetOptions(std::move(options));
        configureStore(settings);
    };
    services.partners.Register(std::move(partner), std::move(store));
}

Partner GmailPartnerFor(Tgmail& gmail) {
    Partner partner;
    partner.code = ePartner_Gmail;
    partner.name = PartnerName(ePartner_Gmail);
    partner.store = &gmail;
    partner.slots = GmailGroupSlots();
    partner.exportAction = kActExportContactsToGmail;
    partner.importAction = kActImportContactsFromGmail;
    partner.noContactsText = Text(kTextNoGmailContacts);
    partner.registerActions = [&gmail](Tctrl& ctrl) { RegisterOwnActions(ctrl, gmail); };
    // The account: a changed one logs in anew at the next login.
    partner.configure = [&gmail](const KorviSettings& settings) {
        gmail.serviceUrl = settings.gmailServiceUrl;
        gmail.accountName = settings.gmailAccName;
        gmail.accountPassword = settings.gmailAccPwd;
    };
    partner.isSyncReady = [](const KorviSettings& settings) {
        return ValidateGmailAccount(settings.gmailAccName).ok() &&
               ValidateGmailPassword(settings.gmailAccPwd).ok();
    };
    partner.prepareSync = [&gmail](Tctrl& ctrl) {
        if (!ctrl.gmailUser.empty()) gmail.accountName = ctrl.gmailUser;
        if (!ctrl.gmailPassword.empty()) gmail.accountPassword = ctrl.gmailPassword;
        gmail.SetFolder(ctrl.gmailGroupId, ctrl.gmailGroupTitle);
        // What this run's load drops, not an earlier one's (a replace does not load).
        gmail.numbersSkipped = 0;
        if (gmail.LoggedInAsSet()) {
            WriteLog("LOG: CTRL: DoSync: Already logged into gmail");
            return Result();
        }
        return gmail.LoginToGmail();
    };
    // Without a login an export would go on to nothing and report nothing: both refuse.
    partner.checkTransfer = [&gmail]() {
        if (gmail.loggedIn == 1) return Result();
        return Result(kResultGmailNotLoggedIn, Text(kTextGmailNotLoggedIn));
    };
    partner.finish = [&gmail](Result result) {
        if (gmail.numbersSkipped == 1) return Result(kResultGmailNumbersSkipped);
        return result;
    };
    partner.locate = [&gmail](const KorviSettings& settings) {
        gmail.SetFolder(settings.syncGmailFolderID, settings.syncGmailFolderTitle);
        return Result();
    };
    return partner;
}

Tgmail& GmailStore(const Services& services) {
    return *services.partners.StoreOf<Tgmail>(ePartner_Gmail);
}

}  // namespace korvi
