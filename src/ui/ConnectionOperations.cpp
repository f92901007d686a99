#include "ui/ConnectionOperations.h"

#include <memory>
#include <optional>
#include <string>

#include <QLineEdit>

#include "flows/FlowContext.h"
#include "flows/ServiceFlows.h"
#include "ui/GuiFrontEnd.h"
#include "ui/SettingsTab.h"
#include "ui/UiText.h"
#include "ui/WindowHost.h"

namespace korvi::ui {

ConnectionOperations::ConnectionOperations(WindowHost& host, SettingsTab& settingsTab,
                                           QObject* parent)
    : QObject(parent), m_host(host), m_settingsTab(settingsTab) {
    connect(&m_settingsTab, &SettingsTab::CheckServiceClicked, this,
            &ConnectionOperations::CheckService);
    connect(&m_settingsTab, &SettingsTab::FindServerClicked, this,
            &ConnectionOperations::FindServer);
}

void ConnectionOperations::CheckService() {
    m_host.RunOperation(
        {[](flows::FlowContext& ctx) { static_cast<void>(flows::CheckService(ctx)); }});
}

void ConnectionOperations::FindServer() {
    auto found = std::make_shared<std::optional<std::string>>();
    m_host.RunOperation({
        [found](flows::FlowContext& ctx) { *found = flows::FindServers(ctx); },
        [this, found](const GuiFrontEnd&) {
            if (*found) m_settingsTab.urlBox()->setText(Q(**found));
        },
    });
}

void ConnectionOperations::LaunchUserPortal() {
    UrlOpener* opener = &m_host.urlOpener();
    m_host.RunOperation({[opener](flows::FlowContext& ctx) {
        static_cast<void>(flows::LaunchPortal(ctx, *opener));
    }});
}

}  // namespace korvi::ui
