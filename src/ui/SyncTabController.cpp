#include "ui/SyncTabController.h"

#include <memory>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

#include "app/KorviSettings.h"
#include "app/Log.h"
#include "flows/CarryOutAction.h"
#include "flows/FlowContext.h"
#include "flows/FrontEnd.h"
#include "flows/GmailFlows.h"
#include "flows/ServiceFlows.h"
#include "flows/SyncFlows.h"
#include "services/OutlookPartner.h"
#include "services/Services.h"
#include "ui/EditCardDavAccount.h"
#include "ui/ExtensionChoice.h"
#include "ui/GuiFrontEnd.h"
#include "ui/SyncTab.h"
#include "ui/UiText.h"
#include "ui/UserRules.h"
#include "ui/WindowHost.h"

namespace korvi::ui {

SyncTabController::SyncTabController(WindowHost& host, SyncTab& tab, QTimer& autoSyncTimer,
                                     const Clock& clock, QObject* parent)
    : QObject(parent), m_host(host), m_tab(tab), m_timer(autoSyncTimer), m_clock(clock) {
    connect(&m_tab, &SyncTab::PartnerChosen, this, &SyncTabController::PartnerChosen);
    connect(&m_tab, &SyncTab::DirectionChosen, this, &SyncTabController::DirectionChosen);
    connect(&m_tab, &SyncTab::ConflictChosen, this, &SyncTabController::ConflictChosen);
    connect(&m_tab, &SyncTab::IntervalChosen, this, &SyncTabController::IntervalChosen);
    connect(&m_tab, &SyncTab::AutoSyncChosen, this, &SyncTabController::AutoSyncChosen);
    connect(&m_tab, &SyncTab::ChangeAccountClicked, this, &SyncTabController::ChangeAccountClicked);
    connect(&m_tab, &SyncTab::SyncClicked, this, &SyncTabController::SyncNowClicked);
    connect(&m_timer, &QTimer::timeout, this, &SyncTabController::AutoSyncTick);
    m_tab.SetPartners(PartnerItems(m_host.services().partners));
}

bool SyncTabController::PartnerReady() const {
    return SyncPartnerReady(m_host.services().partners, m_host.settings());
}

int SyncTabController::AddressBookVersion() const {
    return OutlookStore(m_host.services()).versionCode;
}

void SyncTabController::OnShow() {
    m_tab.ShowTexts();
    const bool started = m_host.RunOperation({
        [](flows::FlowContext& ctx) {
            if (!flows::LoadExtensions(ctx).ok()) return;
            if (ctx.services.pbx.extnInfoList.empty()) return;
            // Its result is not looked at here: the version decides what the folder box offers.
            flows::CarryOutAction(ctx, kActGetOutlookVersion);
        },
        [this](const GuiFrontEnd&) { ShowSettings(); },
    });
    if (!started) ShowSettings();
}

void SyncTabController::ShowSettings() {
    const auto& extensions = m_host.services().pbx.extnInfoList;
    if (extensions.empty()) {
        m_tab.DisableControls();
        return;
    }
    m_tab.ShowSettings(extensions, m_host.settings(), AddressBookVersion(), PartnerReady());
}

void SyncTabController::PartnerChosen(int index) {
    m_host.settings().syncPartner = index;
    m_host.SaveSettings();
    m_tab.UpdateFormForSyncPartner(m_host.settings(), AddressBookVersion(), PartnerReady());
}

void SyncTabController::DirectionChosen(int index) {
    m_host.settings().syncDir = index;
    m_tab.conflictBox()->setEnabled(index == eSyncDir_Both);
    m_host.SaveSettings();
}

void SyncTabController::ConflictChosen(int index) {
    m_host.settings().conflictRes = index;
    m_host.SaveSettings();
}

void SyncTabController::IntervalChosen(int index) {
    m_host.settings().autoSyncInterval = index;
    m_host.SaveSettings();
}

void SyncTabController::ChangeAccountClicked() {
    if (m_host.settings().syncPartner == ePartner_Gmail &&
        m_host.services().partners.Find(ePartner_Gmail) != nullptr) {
        ChangeGmailGroup();
        return;
    }
    if (m_host.settings().syncPartner == ePartner_CardDav) {
        EditCardDavAccount(m_host, [this] {
            m_tab.UpdateFormForSyncPartner(m_host.settings(), AddressBookVersion(), PartnerReady());
        });
        return;
    }
    if (m_host.settings().syncPartner != ePartner_Outlook) {
        // A partner without a chooser of its own in this window: it says it is not available.
        m_host.RunOperation(
            {[](flows::FlowContext& ctx) { static_cast<void>(flows::CheckSyncPartner(ctx)); }});
        return;
    }
    auto chosen = std::make_shared<std::string>();
    auto ok = std::make_shared<bool>(false);
    m_host.RunOperation({
        [chosen, ok](flows::FlowContext& ctx) {
            WriteLog("");
            WriteLog("LOG: -----> Change Sync Folder");
            Toutlook& store = OutlookStore(ctx.services);
            if (flows::CarryOutAction(ctx, kActGetOutlookFolderInfo) != 0) {
                const Result failed = flows::LastResult(ctx);
                if (!failed.cancelled()) ctx.frontEnd.Failure(failed);
                return;
            }
            store.showCreateButton = 0;
            if (!ctx.frontEnd.ChooseOutlookFolder(store).ok()) return;
            *ok = true;
            *chosen = store.folderPath;
        },
        [this, chosen, ok](const GuiFrontEnd&) {
            if (!*ok) return;
            m_host.settings().syncOutlookFolder = *chosen;
            m_tab.accountBox()->setText(Q(*chosen));
            m_host.SaveSettings();
        },
    });
}

void SyncTabController::ChangeGmailGroup() {
    // The group as the flow leaves it: unchanged unless one was chosen. (The account its
    // dialog confirms is the window's at once: GuiFrontEnd.)
    auto left = std::make_shared<KorviSettings>();
    m_host.RunOperation({
        [left](flows::FlowContext& ctx) {
            static_cast<void>(flows::ChangeSyncGmailGroup(ctx));
            *left = ctx.settings;
        },
        [this, left](const GuiFrontEnd&) {
            KorviSettings& s = m_host.settings();
            s.syncGmailFolderTitle = left->syncGmailFolderTitle;
            s.syncGmailFolderID = left->syncGmailFolderID;
            m_tab.accountBox()->setText(Q(s.syncGmailFolderTitle));
            m_tab.UpdateFormForSyncPartner(s, AddressBookVersion(), PartnerReady());
            m_host.SaveSettings();
        },
    });
}

void SyncTabController::AutoSyncChosen(int index) {
    KorviSettings& settings = m_host.settings();
    if (index != 1) {
        flows::TurnAutoSyncOff();
        settings.autoSync = 0;
        m_tab.ShowAutoSyncDisabled(settings, AddressBookVersion());
        m_timer.stop();
        m_host.SaveSettings();
        return;
    }
    // The sync list looked for is that of the extension the tab shows, which auto sync then
    // keeps: not of whatever phonebook the last operation worked on.
    const auto& extensions = m_host.services().pbx.extnInfoList;
    const ContactTypeChoice shown = ChooseContactType(
        extensions, m_tab.extensionBox()->currentIndex(), S(m_tab.extensionBox()->currentText()));
    auto accepted = std::make_shared<bool>(false);
    const bool started = m_host.RunOperation({
        [shown, accepted](flows::FlowContext& ctx) {
            ctx.services.pbx.contactType = shown.contactType;
            ctx.services.pbx.contactTypeName = shown.name;
            *accepted = flows::TurnAutoSyncOn(ctx);
        },
        [this, accepted](const GuiFrontEnd&) {
            KorviSettings& s = m_host.settings();
            if (!*accepted) {
                m_tab.autoSyncBox()->setCurrentIndex(0);
                s.autoSync = 0;
                return;
            }
            s.autoSync = 1;
            m_tab.ShowAutoSyncEnabled();
            m_tab.TakeSyncSelection(m_host.services().pbx.extnInfoList, s);
            m_timer.start();
            m_host.SaveSettings();
        },
    });
    if (!started) m_tab.autoSyncBox()->setCurrentIndex(settings.autoSync);
}

void SyncTabController::SyncNowClicked() { StartSync(true); }

void SyncTabController::SyncNowFromTray() { StartSync(false); }

void SyncTabController::StartSync(bool takeSelection) {
    if (m_host.FlowRunning()) return;
    KorviSettings& settings = m_host.settings();
    const auto& extensions = m_host.services().pbx.extnInfoList;
    if (takeSelection) m_tab.TakeSyncSelection(extensions, settings);
    m_timer.stop();
    const bool started = m_host.RunOperation({
        [takeSelection](flows::FlowContext& ctx) {
            if (takeSelection) {
                // TakeSyncSelection: the PBX client's own choice is reset first.
                ctx.services.pbx.contactType = kContactTypeNone;
                ctx.services.pbx.contactTypeName.clear();
            }
            static_cast<void>(flows::SyncNow(ctx));
        },
        [this](const GuiFrontEnd&) {
            if (m_host.settings().autoSync != 0) m_timer.start();
        },
    });
    if (!started && settings.autoSync != 0) m_timer.start();
}

void SyncTabController::AutoSyncTick() {
    // A tick while an operation runs, or while the user answers a dialog, starts nothing: the
    // next one comes in a minute.
    if (m_host.FlowRunning() || QApplication::activeModalWidget() != nullptr) return;
    auto outcome = std::make_shared<flows::TickOutcome>();
    const Clock* clock = &m_clock;
    Operation tick{
        [outcome, clock](flows::FlowContext& ctx) { *outcome = flows::AutoSyncTick(ctx, *clock); },
        [this, outcome](const GuiFrontEnd& frontEnd) {
            if (!outcome->ran) return;
            if (!outcome->timerOn) m_timer.stop();
            const auto failure = frontEnd.automaticFailure();
            Q_EMIT AutoSyncFinished(failure ? Q(*failure) : QString(), !outcome->timerOn);
        },
    };
    tick.automatic = true;
    m_host.RunOperation(std::move(tick));
}

}  // namespace korvi::ui
