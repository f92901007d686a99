// SIGTERM, SIGINT and SIGHUP (the session ending, Ctrl-C in a terminal) turned into a Qt signal
// on the GUI thread, so the program ends the way Exit ends it: settings saved, the running
// action cancelled and joined, the shutdown lines written. One instance per process.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace korvi::ui {

class TerminationSignals final : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void Received();

private:
    void Drain();

    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace korvi::ui
