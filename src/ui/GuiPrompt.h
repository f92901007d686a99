// The window's answer to the questions a running action asks (deletion warnings, the
// similar-contact choice, confirmations): a modal dialog on the GUI thread, answered back to
// the waiting thread. Nothing is shown after the window has shut the bridge: the answer is
// then Cancel.
#pragma once

#include <QPointer>
#include <QWidget>

#include "app/Prompt.h"

namespace korvi::ui {

class GuiBridge;

class GuiPrompt final : public Prompt {
public:
    GuiPrompt(GuiBridge& bridge, QWidget* dialogParent);

    // Any thread but the GUI thread; blocks until the user has answered.
    int Ask(const Question& question) override;

private:
    GuiBridge& m_bridge;
    QPointer<QWidget> m_parent;
};

}  // namespace korvi::ui
