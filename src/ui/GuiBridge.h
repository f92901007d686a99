// How threads other than the GUI thread (the flow thread, the controller's worker) get the
// user's answer: the request is posted to the GUI thread, which opens a dialog with open() and
// answers when it finishes; the asking thread waits on a promise. The GUI thread never waits
// and runs no nested event loop.
#pragma once

#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <QObject>

namespace korvi::ui {

struct GuiAnswer {
    int code = 0;
    std::string text;  // a file name, a URL: whatever the dialog leaves behind
};

class GuiBridge final : public QObject {
    Q_OBJECT

public:
    // Called once on the GUI thread with the function that answers the request; it may be
    // called later, from a dialog's finished signal. Calls after the first are ignored.
    using Answer = std::function<void(GuiAnswer)>;
    using Open = std::function<void(Answer answer)>;

    explicit GuiBridge(QObject* parent = nullptr);
    ~GuiBridge() override;

    // Any thread but the GUI thread: runs open on the GUI thread and blocks until answered.
    // After Shutdown(), and when called on the GUI thread by mistake (it would wait for
    // itself), returns the fallback at once.
    GuiAnswer Call(Open open, GuiAnswer fallback);

    // GUI thread: answers every waiting request with its fallback; later calls get theirs
    // at once. For the end of the program: nothing will be shown any more.
    void Shutdown();
    bool IsShutDown() const;

    // Requests waiting for their answer (tests).
    int PendingCount() const;

private:
    struct Pending {
        std::promise<GuiAnswer> promise;
        GuiAnswer fallback;
    };
    void Fulfil(std::uint64_t id, GuiAnswer answer);

    mutable std::mutex m_mutex;
    std::map<std::uint64_t, std::shared_ptr<Pending>> m_pending;
    std::uint64_t m_nextId = 1;
    bool m_shutDown = false;
};

}  // namespace korvi::ui
