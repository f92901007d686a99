#include "ui/FlowThread.h"

#include <exception>
#include <system_error>
#include <utility>

#include <QMetaObject>

#include "app/Log.h"

namespace korvi::ui {

FlowThread::FlowThread(QObject* parent) : QObject(parent) {}

FlowThread::~FlowThread() { Join(); }

bool FlowThread::Start(Flow flow, std::function<void()> done) {
    if (m_running) return false;
    // The previous flow has returned (its done ran), so this join does not wait.
    if (m_thread.joinable()) m_thread.join();
    m_running = true;
    Q_EMIT RunningChanged(true);
    // The destructor joins this thread, so `this` outlives the body; the queued call below is
    // dropped by Qt if the object goes before it runs.
    auto body = [this, flow = std::move(flow), done = std::move(done)]() mutable {
        // No exception crosses the thread's edge: it would end the program.
        try {
            flow();
        } catch (const std::exception& e) {
            WriteLog("ERR: UI: Exception in a flow: %s", e.what());
        } catch (...) {
            WriteLog("ERR: UI: Exception in a flow - Unknown");
        }
        QMetaObject::invokeMethod(
            this, [this, done = std::move(done)]() mutable { Finished(std::move(done)); },
            Qt::QueuedConnection);
    };
    try {
        m_thread = std::thread(std::move(body));
    } catch (const std::system_error& e) {
        WriteLog("ERR: UI: Could not start a flow: %s", e.what());
        m_running = false;
        Q_EMIT RunningChanged(false);
        return false;
    }
    return true;
}

void FlowThread::Finished(std::function<void()> done) {
    m_running = false;
    Q_EMIT RunningChanged(false);
    if (done) done();
}

void FlowThread::Join() {
    if (m_thread.joinable()) m_thread.join();
}

}  // namespace korvi::ui
