#pragma once
// Lines of fixed-pitch text on a printer: Courier New 12 points (or the closest fixed
// font), one line the height of "Hg", a new page when a line would pass the bottom.
#include <QString>

#include <string>
#include <vector>

class QPrinter;
class QWidget;

namespace vork {

// Prints the 8-bit lines as a document titled `title`; false when the printer could not
// be started.
bool PrintTextLines(QPrinter& printer, const std::vector<std::string>& lines, const QString& title);

// The program's one printer, which the main window owns and every print dialog starts
// from, so that a printer or page chosen once holds for the whole session; a window that
// is not under the main window gets a printer of its own.
QPrinter& ProgramPrinter(QWidget* window);

} // namespace vork
