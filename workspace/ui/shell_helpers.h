#pragma once
// Starting a program or document through the desktop, and Caps Lock.
#include "platform/host.h"

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

} // namespace mrw
