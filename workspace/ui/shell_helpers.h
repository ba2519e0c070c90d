#pragma once
// Starting a program or document through the desktop, and Caps Lock.
#include "platform/host.h"

#include <optional>
#include <string>

namespace mrw {

// Starts `file` (a bare name lies in `folder`) with blank-separated parameters and
// `folder` as working folder, lets the windows breathe once, and reports a failure
// "Cannot Execute (<code>) [<file>]". Returns the shell result (above 32 = started).
int ExecuteFile(const std::string& file, const std::string& parameters, const std::string& folder,
                platform::Prompter& prompter);

// Switches Caps Lock on where the desktop lets a program do so (an X11 display with the
// keyboard extension); elsewhere nothing happens. True when Caps Lock is on afterwards.
bool ForceCapsLockOn();
// The same on a named X11 display (nullptr: $DISPLAY), whatever the windows run on.
bool forceCapsLockOnDisplay(const char* displayName);
// Caps Lock of a named X11 display: whether it is on (nothing when the display cannot be
// asked), and switching it; the switch returns whether the lock is as asked afterwards.
std::optional<bool> capsLockOnDisplay(const char* displayName);
bool setCapsLockOnDisplay(const char* displayName, bool on);

// Notes the Caps Lock state of the program's X11 display when made and puts it back when
// destroyed, so that a lock the editors forced on does not outlast the program. Without
// such a display (x11 false, or none to reach) it does nothing.
class CapsLockRestorer {
public:
    explicit CapsLockRestorer(bool x11, std::optional<std::string> displayName = std::nullopt);
    ~CapsLockRestorer();
    CapsLockRestorer(const CapsLockRestorer&) = delete;
    CapsLockRestorer& operator=(const CapsLockRestorer&) = delete;

private:
    const char* display() const { return m_display ? m_display->c_str() : nullptr; }
    std::optional<std::string> m_display;
    std::optional<bool> m_found;
};

} // namespace mrw
