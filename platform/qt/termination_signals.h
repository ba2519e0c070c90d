#pragma once
// A desktop logout (SIGTERM, SIGHUP) or Ctrl+C in the shell that started the program
// (SIGINT) reaches the program on its GUI thread as a call, so it can end cleanly: the
// handler only notes the signal, and `onSignal` runs from the event loop (a nested one
// too). A second signal while the first is handled ends the program at once.
// Nobody is there to answer once the signal came: every modal dialog showing is closed as
// if cancelled before `onSignal` runs (a message box's text goes to standard error), and
// the boxes of every EndingPrompter go to standard error from then on. A start-up message
// box thus no longer holds the program until someone presses OK.
#include "platform/host.h"

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace platform {

// Catches the signals from this instant on. A signal that arrives before the program's
// TerminationSignals exists waits for it, so nothing the program makes in between is
// left behind. Called first thing in main().
void catchTerminationSignals();

class TerminationSignals : public QObject {
public:
    explicit TerminationSignals(std::function<void(int signal)> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;

    // A signal came (it may not have been delivered yet): a program whose window was still
    // being made ends once it is made, instead of showing it.
    bool signalled() const;

private:
    void deliver();

    std::function<void(int)> m_onSignal;
    QSocketNotifier* m_notifier = nullptr;
};

// The program ends a few seconds from now whatever its closing does: a write that hangs or
// a loop that pumps events itself cannot keep it alive. An end forced so says so on
// standard error and gives exit status 1, unless the program had already left main().
void armEndGuard(int seconds = 3);

// The prompter of a program that a signal may end: it forwards to the program's own
// prompter until end(); from then on nobody is there to answer, so messages go to
// standard error and every box is answered as if it had been closed.
class EndingPrompter : public Prompter {
public:
    explicit EndingPrompter(Prompter* normal = nullptr) : m_normal(normal) {}
    void setNormal(Prompter* normal) { m_normal = normal; }
    void end() { m_ending = true; }
    // From end() on, or from the moment a termination signal came.
    bool ending() const;

    Button message(const std::string& caption, const std::string& text, MessageKind kind,
                   Buttons buttons) override;
    bool inputString(const std::string& caption, const std::string& prompt, std::string& value) override;
    void beep() override;

private:
    Prompter* m_normal;
    bool m_ending = false;
};

} // namespace platform
