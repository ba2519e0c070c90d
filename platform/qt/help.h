#pragma once
// Help pages: one page per help context number in the help/ folder beside the program.
// Where the pages are not installed the help commands say so.
#include "platform/host.h"

#include <QString>

namespace platform {

// The page of a help context ("" when there is none).
QString helpTopicPage(int topic);

// Opens the page of a help context, or tells the operator that help is not installed.
void showHelpTopic(int topic, Prompter& prompter);

} // namespace platform
