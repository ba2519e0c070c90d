#pragma once
// The run buttons of the main window over a run session: Start, Single, Stop, Auto-Fit
// and the close query. The block loop runs inside the button's handler and lets the
// window's events through while it works, so a button can be pressed again while it
// runs: that only acts on the running loop, never starts a second one. A close asked
// for while the loop runs ends the loop first and goes ahead once it has returned, so
// the window never goes away underneath it.
#include <functional>

namespace vork {

class RunSession;

class RunControl {
public:
    explicit RunControl(RunSession& session) : m_session(session) {}

    void Start();
    void Single();
    void Stop();
    // Runs the program unseen to fit the view to its path, then runs it drawn.
    void AutoFit();

    // The block loop is running (or waiting for Single or the pacing tick).
    bool Active() const;

    // True when the window may close now. While the loop is active it is told to return
    // and false is returned; closeNow is then called once the loop has returned.
    bool CloseQuery();

    // The window closes again, from outside the returned loop.
    std::function<void()> closeNow;
    // Before every Start or Single: the window shows the readout and takes the focus.
    std::function<void()> runStarting;

private:
    void afterLoop();

    RunSession& m_session;
    bool m_closeAfterRun = false;
};

} // namespace vork
