// Runs the window's flows (what one user operation does: checks, questions, one or more
// actions, the report) one at a time on a thread of their own, so that a flow may wait for an
// action or an answer while the GUI thread goes on drawing and answering.
#pragma once

#include <functional>
#include <thread>

#include <QObject>

namespace korvi::ui {

class FlowThread final : public QObject {
    Q_OBJECT

public:
    using Flow = std::function<void()>;

    explicit FlowThread(QObject* parent = nullptr);
    ~FlowThread() override;  // joins; see Join()

    // GUI thread. Starts flow unless one is running (then false, nothing started); done runs
    // on the GUI thread once the flow has returned.
    bool Start(Flow flow, std::function<void()> done = {});
    // GUI thread: true from Start until just before done runs.
    bool running() const { return m_running; }
    // Waits for the running flow. Only at the end of the program, after whatever the flow
    // may be waiting for has been released (GuiBridge::Shutdown, the controller's cancel).
    void Join();

Q_SIGNALS:
    void RunningChanged(bool running);

private:
    void Finished(std::function<void()> done);

    std::thread m_thread;
    bool m_running = false;
};

}  // namespace korvi::ui
