#pragma once
// Waiting until the machine is ready before a transfer: for any character from the
// machine, or for its XON. The wait shows a small box that the operator can stop; it
// sleeps on the event loop until a byte arrives or the box is stopped.
#include <string>

namespace dnc {

class ComPort;
class SessionView;

// The box "Waiting for ... to send ..." with its "Stop Waiting" check box.
class WaitBox {
public:
    virtual ~WaitBox() = default;
    virtual void showWaiting(const std::string& label, bool minimized) = 0;
    virtual void hideWaiting() = 0;
    virtual bool stopRequested() const = 0;
};

struct WaitContext {
    ComPort& port;
    WaitBox& box;
    SessionView& view;
    std::string machineName;
    bool minimized = false; // the terminal window is minimized
    bool verbose = false;
};

// True when a character from the machine waits in the input buffer (it stays there);
// false when the operator stopped waiting or the port closed.
bool WaitForChar(const WaitContext& context);

// True when the machine sent XON; every character read meanwhile is consumed. False
// when the operator stopped waiting or the port closed. The port's own XON/XOFF
// handling is off during the wait and restored after it.
bool WaitForXon(const WaitContext& context);

} // namespace dnc
