#include "ui/GuiBridge.h"

#include <QMetaObject>
#include <QPointer>
#include <QThread>

#include "app/Log.h"

namespace korvi::ui {

GuiBridge::GuiBridge(QObject* parent) : QObject(parent) {}

GuiBridge::~GuiBridge() { Shutdown(); }

GuiAnswer GuiBridge::Call(Open open, GuiAnswer fallback) {
    if (QThread::currentThread() == thread()) {
        // Waiting here would freeze the window for good.
        WriteLog("ERR: UI: a question was asked on the window's own thread");
        return fallback;
    }
    auto pending = std::make_shared<Pending>();
    pending->fallback = fallback;
    auto future = pending->promise.get_future();
    std::uint64_t id = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_shutDown) return fallback;
        id = m_nextId++;
        m_pending.emplace(id, pending);
    }
    QPointer<GuiBridge> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, id, open = std::move(open)] {
            if (!self) return;
            open([self, id](GuiAnswer answer) {
                if (self) self->Fulfil(id, std::move(answer));
            });
        },
        Qt::QueuedConnection);
    return future.get();
}

void GuiBridge::Fulfil(std::uint64_t id, GuiAnswer answer) {
    std::shared_ptr<Pending> pending;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_pending.find(id);
        if (it == m_pending.end()) return;  // answered before, or released by Shutdown
        pending = it->second;
        m_pending.erase(it);
    }
    pending->promise.set_value(std::move(answer));
}

void GuiBridge::Shutdown() {
    std::map<std::uint64_t, std::shared_ptr<Pending>> released;
    {
        std::lock_guard lock(m_mutex);
        m_shutDown = true;
        released.swap(m_pending);
    }
    for (auto& [id, pending] : released) pending->promise.set_value(pending->fallback);
}

bool GuiBridge::IsShutDown() const {
    std::lock_guard lock(m_mutex);
    return m_shutDown;
}

int GuiBridge::PendingCount() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_pending.size());
}

}  // namespace korvi::ui
