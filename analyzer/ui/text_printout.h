#pragma once
// Lines of fixed-pitch text on a printer: Courier New 12 points (or the closest fixed
// font), one line the height of "Hg", a new page when a line would pass the bottom.
#include <QString>

#include <string>
#include <vector>

class QPrinter;

namespace vork {

// Prints the 8-bit lines as a document titled `title`; false when the printer could not
// be started.
bool PrintTextLines(QPrinter& printer, const std::vector<std::string>& lines, const QString& title);

} // namespace vork
