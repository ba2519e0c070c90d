#pragma once
// A desktop logout (SIGTERM, SIGHUP) or Ctrl+C in the shell that started the program
// (SIGINT) reaches the program on its GUI thread as a call, so it can end cleanly: the
// handler only notes the signal, and `onSignal` runs from the event loop (a nested one
// too). A second signal while the first is handled ends the program at once.
#include <QObject>

#include <functional>

class QSocketNotifier;

namespace platform {

class TerminationSignals : public QObject {
public:
    explicit TerminationSignals(std::function<void(int signal)> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    void deliver();

    std::function<void(int)> m_onSignal;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace platform
