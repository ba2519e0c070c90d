#pragma once
// The texts of the comment and expression insert dialogs.
#include "workspace/engine/machine_settings.h"

#include "platform/host.h"

#include <optional>
#include <string>

namespace mrw {

inline constexpr std::size_t CommentLimit = 255;

// start + comment + end exactly as typed, as one line without a line end; nothing,
// after a message, when that is longer than 255 characters.
std::optional<std::string> commentInsertText(const std::string& start, const std::string& comment,
                                             const std::string& end, platform::Prompter& prompter);

// The value written as an NC number in the machine's number format with its digits
// left and right; nothing, after a message, when a digit count is not a number.
std::optional<std::string> expressionInsertText(double value, const MachineSettings& machine,
                                                platform::Prompter& prompter);

} // namespace mrw
