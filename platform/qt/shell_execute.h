#pragma once
// Starting a program or document the way both programs' commands do.
#include "platform/host.h"

#include <string>

namespace platform {

// Starts `file` (a bare name lies in `folder`) with blank-separated parameters and
// `folder` as working folder, lets the windows breathe once, and reports a failure in a
// box with `caption`: "Cannot Execute (<code>) [<file>]". Names and parameters go to the
// system whole, however long. Returns the shell result (above 32 = started).
int ExecuteFile(const std::string& file, const std::string& parameters, const std::string& folder,
                Prompter& prompter, const std::string& caption);

} // namespace platform
