#include "ui/ImportExportTabController.h"

#include "app/KorviSettings.h"
#include "flows/CardDavFlows.h"
#include "flows/FlowContext.h"
#include "flows/GmailFlows.h"
#include "flows/ImportExportFlows.h"
#include "flows/ServiceFlows.h"
#include "services/Services.h"
#include "sync/SyncActions.h"
#include "ui/EditCardDavAccount.h"
#include "ui/GuiFrontEnd.h"
#include "ui/ImportExportTab.h"
#include "ui/WindowHost.h"

namespace korvi::ui {

namespace {

// A partner of the boxes whose store this build does not have.
void NotAvailable(flows::FlowContext& ctx, int partner) {
    ctx.frontEnd.Failure({kResultActionNotAvailable, PartnerNotAvailableText(partner)});
}

}  // namespace

ImportExportTabController::ImportExportTabController(WindowHost& host, ImportExportTab& tab,
                                                     QObject* parent)
    : QObject(parent), m_host(host), m_tab(tab) {
    connect(&m_tab, &ImportExportTab::DeleteClicked, this, &ImportExportTabController::Delete);
    connect(&m_tab, &ImportExportTab::ImportClicked, this, &ImportExportTabController::Import);
    connect(&m_tab, &ImportExportTab::ExportClicked, this, &ImportExportTabController::Export);
    for (const int partner : {ePartner_Outlook, ePartner_Gmail}) {
        m_tab.SetPartnerAvailable(partner, m_host.services().partners.Find(partner) != nullptr);
    }
}

void ImportExportTabController::RunCardDavTransfer(Result (*flow)(flows::FlowContext&)) {
    auto run = [this, flow] {
        Operation operation;
        operation.body = [flow](flows::FlowContext& ctx) { static_cast<void>(flow(ctx)); };
        operation.contactType = [this] {
            return m_tab.SelectedContactType(m_host.services().pbx.extnInfoList);
        };
        m_host.RunOperation(std::move(operation));
    };
    // Without an account there is nothing to transfer with: the account dialog first.
    if (m_host.settings().cardDavUrl.empty()) {
        EditCardDavAccount(m_host, run);
        return;
    }
    run();
}

void ImportExportTabController::OnShow() {
    m_tab.ShowTexts();
    const bool started = m_host.RunOperation({
        [](flows::FlowContext& ctx) { static_cast<void>(flows::LoadExtensions(ctx)); },
        [this](const GuiFrontEnd&) { ShowExtensions(); },
    });
    if (!started) ShowExtensions();
}

void ImportExportTabController::ShowExtensions() {
    const auto& extensions = m_host.services().pbx.extnInfoList;
    if (extensions.empty()) {
        m_tab.DisableControls();
    } else {
        m_tab.ShowExtensions(extensions);
    }
}

void ImportExportTabController::Delete() {
    Operation operation;
    operation.body = [](flows::FlowContext& ctx) { static_cast<void>(flows::DeleteContacts(ctx)); };
    operation.contactType = [this] {
        return m_tab.SelectedContactType(m_host.services().pbx.extnInfoList);
    };
    m_host.RunOperation(std::move(operation));
}

void ImportExportTabController::Import(int source) {
    if (source == kImportCardDav) {
        RunCardDavTransfer(&flows::ImportFromCardDav);
        return;
    }
    Operation operation;
    operation.body = [source](flows::FlowContext& ctx) {
        switch (source) {
            case kImportXml:
                static_cast<void>(flows::ImportFromFile(ctx));
                return;
            case kImportOutlook:
                static_cast<void>(flows::ImportFromOutlook(ctx));
                return;
            case kImportGmail:
                // The account its dialog confirms is the window's at once (GuiFrontEnd).
                static_cast<void>(flows::ImportFromGmail(ctx));
                return;
            default:
                NotAvailable(ctx, source);
        }
    };
    operation.contactType = [this] {
        return m_tab.SelectedContactType(m_host.services().pbx.extnInfoList);
    };
    m_host.RunOperation(std::move(operation));
}

void ImportExportTabController::Export(int destination) {
    if (destination == kExportCardDav) {
        RunCardDavTransfer(&flows::ExportToCardDav);
        return;
    }
    Operation operation;
    operation.body = [destination](flows::FlowContext& ctx) {
        switch (destination) {
            case kExportXml:
                static_cast<void>(flows::ExportToFile(ctx, flows::FileDialog::kSaveXml));
                return;
            case kExportCsv:
                static_cast<void>(flows::ExportToFile(ctx, flows::FileDialog::kSaveCsv));
                return;
            case kExportOutlook:
                static_cast<void>(flows::ExportToOutlook(ctx));
                return;
            case kExportGmail:
                static_cast<void>(flows::ExportToGmail(ctx));
                return;
            default:
                NotAvailable(ctx, destination);
        }
    };
    operation.contactType = [this] {
        return m_tab.SelectedContactType(m_host.services().pbx.extnInfoList);
    };
    m_host.RunOperation(std::move(operation));
}

}  // namespace korvi::ui
