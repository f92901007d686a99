// What a flow on the flow thread shows the user: messages in modal boxes on the GUI thread (the
// flow goes on once the box is closed, so boxes never pile up and keep their order), and the
// window's busy state.
#pragma once

#include <string>

#include <QPointer>

#include "ui/MessageBoxes.h"

namespace korvi::ui {

class GuiBridge;
class WindowHost;

class GuiReporter {
public:
    GuiReporter(GuiBridge& bridge, WindowHost& host);

    // Flow thread: the box with the application's title; returns when it has been closed (at
    // the end of the program: at once, nothing shown).
    void Show(MessageKind kind, const std::string& text);
    // Flow thread: the window's busy caption and controls; does not wait.
    void SetBusy(bool busy);

private:
    GuiBridge& m_bridge;
    WindowHost& m_host;
};

}  // namespace korvi::ui
