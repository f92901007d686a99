#include "ui/GuiPrompt.h"

#include "ui/GuiBridge.h"
#include "ui/MessageBoxes.h"
#include "ui/SimilarContactDialog.h"
#include "ui/UiText.h"

namespace korvi::ui {

GuiPrompt::GuiPrompt(GuiBridge& bridge, QWidget* dialogParent)
    : m_bridge(bridge), m_parent(dialogParent) {}

int GuiPrompt::Ask(const Question& question) {
    QPointer<QWidget> parent = m_parent;
    const GuiAnswer answer = m_bridge.Call(
        [question, parent](GuiBridge::Answer done) {
            if (question.kind == Question::Kind::SimilarContact) {
                auto* dialog = new SimilarContactDialog(question, parent);
                dialog->setAttribute(Qt::WA_DeleteOnClose);
                QObject::connect(dialog, &QDialog::finished, dialog, [dialog, done](int) {
                    done(GuiAnswer{dialog->choice(), {}});
                });
                dialog->open();
                return;
            }
            AskOkCancel(parent, Q(question.caption), Q(question.text), [done](bool ok) {
                done(GuiAnswer{ok ? kOk : kCancel, {}});
            });
        },
        GuiAnswer{kCancel, {}});
    return answer.code;
}

}  // namespace korvi::ui
