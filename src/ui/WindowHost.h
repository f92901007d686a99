// What the tabs of the main window get from the window: the process's services, the user's
// settings while the program runs, the flow thread, and the window's busy state.
#pragma once

#include <functional>
#include <utility>

#include "ui/ExtensionChoice.h"

class QWidget;

namespace korvi {
class Services;
class UrlOpener;
struct KorviSettings;
}  // namespace korvi

namespace korvi::flows {
struct FlowContext;
}

namespace korvi::ui {

class GuiFrontEnd;

// One user operation for the flow thread.
struct Operation {
    using Body = std::function<void(flows::FlowContext& ctx)>;
    using Done = std::function<void(const GuiFrontEnd& frontEnd)>;

    Operation() = default;
    Operation(Body body_, Done done_ = {}) : body(std::move(body_)), done(std::move(done_)) {}

    // On the flow thread, with the settings as the controls hold them when it starts.
    Body body;
    // On the GUI thread once the body has returned.
    Done done;
    // What the operation's extension box shows, asked on the GUI thread when the flow selects
    // the contact type.
    std::function<ContactTypeChoice()> contactType;
    // The timer's sync: nothing is shown in a box.
    bool automatic = false;
};

class WindowHost {
public:
    virtual ~WindowHost() = default;

    virtual Services& services() = 0;
    // The window's copy of the settings; the tabs write their choices here.
    virtual KorviSettings& settings() = 0;
    // The edit boxes' texts into the settings, then the whole settings saved; a failure is
    // shown and logged.
    virtual void SaveSettings() = 0;

    // Runs flow on the flow thread (GUI thread only); false, nothing started, while another
    // flow runs. done runs on the GUI thread after the flow.
    virtual bool RunFlow(std::function<void()> flow, std::function<void()> done = {}) = 0;
    virtual bool FlowRunning() const = 0;
    // Runs an operation: the edit boxes' texts into the settings, the settings handed to the
    // partner stores, then the body on the flow thread with a front end of the window. False,
    // nothing started, while another operation runs or after the end of the program.
    virtual bool RunOperation(Operation operation) = 0;

    // Opens URLs and local files with the desktop's programs.
    virtual UrlOpener& urlOpener() = 0;

    // Parent of the dialogs and message boxes.
    virtual QWidget* dialogParent() = 0;
    // The window caption and the controls that stay off while an operation runs.
    virtual void EnterBusyState() = 0;
    virtual void LeaveBusyState() = 0;
    // Empties the PBX client's extension list, at once or, while a flow may be using it, as
    // soon as the flow has ended.
    virtual void ForgetExtensions() = 0;
    // False while the window is being made (settings being loaded into the controls).
    virtual bool formReady() const = 0;
};

}  // namespace korvi::ui
