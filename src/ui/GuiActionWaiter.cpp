#include "ui/GuiActionWaiter.h"

#include <memory>

#include "sync/Tctrl.h"
#include "ui/GuiBridge.h"
#include "ui/ProgressDialog.h"

namespace korvi::ui {

GuiActionWaiter::GuiActionWaiter(GuiBridge& bridge, ProgressDialog& dialog)
    : m_bridge(bridge), m_dialog(dialog) {}

bool GuiActionWaiter::Wait(Tctrl& ctrl, int silent) {
    if (silent != 0) {
        ctrl.WaitUntilIdle();
        return false;
    }
    ProgressDialog* dialog = &m_dialog;
    const GuiAnswer answer = m_bridge.Call(
        [dialog](GuiBridge::Answer done) {
            // One answer per showing: the connection goes with the first finished().
            auto connection = std::make_shared<QMetaObject::Connection>();
            *connection = QObject::connect(dialog, &QDialog::finished, dialog,
                                           [dialog, done, connection](int) {
                                               QObject::disconnect(*connection);
                                               done(GuiAnswer{dialog->cancelled(), {}});
                                           });
            dialog->Begin();
        },
        GuiAnswer{0, {}});
    return answer.code != 0;
}

}  // namespace korvi::ui
