// How a flow on the flow thread waits for the action it started: a silent action (the timer's
// sync) without anything shown, any other with the progress dialog on the GUI thread, which
// closes when the action ends or at once when the user presses Cancel.
#pragma once

namespace korvi {
class Tctrl;
}

namespace korvi::ui {

class GuiBridge;
class ProgressDialog;

class GuiActionWaiter {
public:
    GuiActionWaiter(GuiBridge& bridge, ProgressDialog& dialog);

    // Flow thread, after StartAction. True when the user cancelled: the action may still be
    // running then, and the caller cancels it (CancelAction) as the dialog's owner would. At
    // the end of the program the wait ends at once (false): the window cancels the action
    // itself.
    bool Wait(Tctrl& ctrl, int silent);

private:
    GuiBridge& m_bridge;
    ProgressDialog& m_dialog;
};

}  // namespace korvi::ui
