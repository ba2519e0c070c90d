#pragma once
// The DNC terminal as MRW2013's main window sees it. The terminal is built above the
// editor (it sends the editor's files), so the window reaches it only through this link,
// which the program supplies when it starts (see setDncTerminalMaker).
#include <functional>
#include <memory>

class QWidget;
class TMainForm;

class DncTerminalLink {
public:
    virtual ~DncTerminalLink() = default;

    // Opens the terminal for the current machine, or brings it to the front.
    virtual void go(bool remoteStart) = 0;
    virtual bool showing() const = 0;
    virtual void bringToFront() = 0;
    // False when the terminal refuses to close (a transfer runs).
    virtual bool close() = 0;
    // The program ends: the terminal closes whatever runs (a transfer is cancelled).
    virtual void end() = 0;
    virtual bool remoteModeActive() const = 0;
    // Runs `ended` (queued) when the running remote mode ends.
    virtual void whenRemoteModeEnds(std::function<void()> ended) = 0;
    // The terminal's window.
    virtual QWidget* window() const = 0;
};

// Makes the terminal of a main window, parented to it. Without a maker the window has no
// terminal and DNC > Go says so.
using DncTerminalMaker = std::function<std::unique_ptr<DncTerminalLink>(TMainForm&)>;
void setDncTerminalMaker(DncTerminalMaker maker);
const DncTerminalMaker& dncTerminalMaker();
