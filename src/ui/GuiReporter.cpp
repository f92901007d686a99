#include "ui/GuiReporter.h"

#include <QMetaObject>
#include <QWidget>

#include "ui/GuiBridge.h"
#include "ui/UiText.h"
#include "ui/WindowHost.h"

namespace korvi::ui {

GuiReporter::GuiReporter(GuiBridge& bridge, WindowHost& host) : m_bridge(bridge), m_host(host) {}

void GuiReporter::Show(MessageKind kind, const std::string& text) {
    QPointer<QWidget> parent = m_host.dialogParent();
    m_bridge.Call(
        [parent, kind, text](GuiBridge::Answer done) {
            ShowMessage(parent, kind, Q(text), [done] { done(GuiAnswer{}); });
        },
        GuiAnswer{});
}

void GuiReporter::SetBusy(bool busy) {
    WindowHost* host = &m_host;
    QMetaObject::invokeMethod(
        &m_bridge,
        [host, busy] {
            if (busy) {
                host->EnterBusyState();
            } else {
                host->LeaveBusyState();
            }
        },
        Qt::QueuedConnection);
}

}  // namespace korvi::ui
